#include "driver/text_out.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>
#include <vector>

#include "driver/clip.h"
#include "driver/font_queries.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

constexpr std::size_t kTextObjectSize = 56;
constexpr char kBlank = ' ';

bool AllBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == kBlank; });
}

void Blank(std::string& text, std::size_t from, std::size_t to) {
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(from),
            text.begin() + static_cast<std::ptrdiff_t>(std::min(to, text.size())), kBlank);
}

std::vector<BYTE> RawPayload(std::string_view command) {
  std::vector<BYTE> payload(2 + command.size(), 0);  // value 0, then the text
  std::copy(command.begin(), command.end(), payload.begin() + 2);
  return payload;
}

// Text for the open raw command: its record is made with the first text it gets and
// grows with every later piece, so that what is written is always whole.
void AppendRaw(TextState& state, std::vector<QueuedObject>& queue, std::string_view text) {
  if (text.empty()) return;
  if (state.rawEntry && *state.rawEntry < queue.size()) {
    std::vector<BYTE>& payload = queue[*state.rawEntry].payload;
    payload.insert(payload.end(), text.begin(), text.end());
    return;
  }
  queue.push_back({spool::DCLD_RAW_COMMAND, RawPayload(text)});
  state.rawEntry = queue.size() - 1;
}

std::string ToBytes(UINT codePage, const WCHAR* text, std::size_t count) {
  if (count == 0) return {};
  const int n =
      WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// The family name of a realised font, read no further than its metrics reach.
std::u16string FamilyOf(const IFIMETRICS* ifi) {
  std::u16string name;
  if (ifi == nullptr || ifi->dpwszFamilyName <= 0) return name;
  const auto* base = reinterpret_cast<const BYTE*>(ifi);
  for (std::size_t at = static_cast<std::size_t>(ifi->dpwszFamilyName); at + 2 <= ifi->cjThis;
       at += 2) {
    const char16_t c = spool::ReadU16(base + at);
    if (c == 0) break;
    name += c;
  }
  return name;
}

struct TextSizes {
  LONG points = 0;  // P: em height in points, rounded
  LONG height = 0;  // H: em height in dots, as points
  LONG width = 0;   // W: average width in dots, as points
};

TextSizes SizesOf(FONTOBJ* font, const IFIMETRICS* ifi, LONG dpiX, LONG dpiY) {
  TextSizes s;
  const FontTransform t(font);
  if (!t.valid() || ifi == nullptr) return s;
  const auto e = static_cast<long long>(t.Length(0, ifi->fwdUnitsPerEm, true));  // 28.4
  const long long emDots = (e + 8) / 16;
  const long long aveDots =
      (static_cast<long long>(t.Length(ifi->fwdAveCharWidth, 0, true)) + 8) / 16;
  // A resolution of 0 gives no size rather than a division by it.
  if (dpiY > 0) {
    s.points = static_cast<LONG>((e * 72 * 2 + dpiY * 16) / (2LL * dpiY * 16));
    s.height = static_cast<LONG>(emDots * 72 / dpiY);
  }
  if (dpiX > 0) s.width = static_cast<LONG>(aveDots * 72 / dpiX);
  // A face narrower than a point (a bar code's module) keeps its width in dots.
  if (s.width == 0 && aveDots > 0) s.width = static_cast<LONG>(aveDots);
  return s;
}

// A copy of the string's glyphs: its own array when it has one, else every batch the
// engine enumerates, each read no further than the count it comes with.
std::vector<GLYPHPOS> GlyphsOf(STROBJ* str) {
  if (str->pgp != nullptr) return {str->pgp, str->pgp + str->cGlyphs};
  std::vector<GLYPHPOS> all;
  STROBJ_vEnumStart(str);
  for (;;) {
    ULONG count = 0;
    GLYPHPOS* glyphs = nullptr;
    const BOOL more = STROBJ_bEnum(str, &count, &glyphs);
    if (glyphs != nullptr) all.insert(all.end(), glyphs, glyphs + count);
    if (!more || count == 0) break;
  }
  STROBJ_vEnumStart(str);  // the engine enumerates again from the start
  return all;
}

std::vector<POINTL> PositionsOf(STROBJ* str) {
  std::vector<POINTL> positions;
  for (const GLYPHPOS& g : GlyphsOf(str)) positions.push_back(g.ptl);
  return positions;
}

// Whether the engine holds an image of every glyph, so that it can draw the text. It
// holds none for the printer's own faces: what the engine draws of them is nothing.
bool EngineHasImages(STROBJ* str) {
  const std::vector<GLYPHPOS> glyphs = GlyphsOf(str);
  return !glyphs.empty() && std::all_of(glyphs.begin(), glyphs.end(), [](const GLYPHPOS& g) {
    return g.pgdf != nullptr && g.pgdf->pgb != nullptr;
  });
}

bool InCharacterClasses(std::string_view text, DWORD classes) {
  return std::all_of(text.begin(), text.end(), [classes](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return ((classes & 0x01) && c >= 0x20 && c <= 0x7F) || ((classes & 0x02) && c >= 0x20) ||
           ((classes & 0x04) && c >= 'a' && c <= 'z') ||
           ((classes & 0x08) && c >= 'A' && c <= 'Z') || ((classes & 0x10) && c >= '0' && c <= '9');
  });
}

enum class Emitted {
  kDone,     // queued, or nothing to show
  kNoMatch,  // no printer font fits: the engine draws the text
  kClipped,  // the clip cuts the text and the engine can draw it cut
  kFailed,   // it could not be queued
};

struct TextCall {
  Device& device;
  TextSizes sizes;
  const IFIMETRICS* ifi;
  bool italic;
  std::string family;  // ANSI
  RECTL box;
  DWORD direction;
  STROBJ* str;
  CLIPOBJ* clip;
};

// The dots an object placed at (x, y) with the text's box covers, corners inclusive.
ClipCover CoverAt(const TextCall& call, LONG x, LONG y) {
  const RECTL& b = call.box;
  const long long width = std::llabs(static_cast<long long>(b.right) - b.left);
  const long long height = std::llabs(static_cast<long long>(b.bottom) - b.top);
  auto clamp = [](long long v) {
    return static_cast<LONG>(std::clamp<long long>(v, std::numeric_limits<LONG>::min(),
                                                   std::numeric_limits<LONG>::max()));
  };
  return CoverOf(call.clip, x, y, clamp(x + std::max(width - 1, 0LL)),
                 clamp(y + std::max(height - 1, 0LL)));
}

// A text-font entry of that name fits the text when it is not bound to a TrueType
// face's sizes, styles and characters, or when it takes all three.
bool EntryFits(const BYTE* info, const TextCall& call, std::string_view text) {
  const DWORD flags = FontInfoU32(info, fontinfo::kFlags);
  if ((flags & kFontTrueTypeBased) == 0) return true;
  const auto size = static_cast<LONG>(FontInfoU32(info, fontinfo::kPointSize));
  if (size != -1 && size != call.sizes.points) return false;
  const DWORD styles = FontInfoU32(info, fontinfo::kStyleMask);
  if (styles != 7 && call.italic && (styles & 0x4) == 0) return false;
  return InCharacterClasses(text, FontInfoU32(info, fontinfo::kCharClasses));
}

Emitted EmitTextObject(const TextCall& call, LONG x, LONG y, const std::string& text,
                       bool collected) {
  Device& device = call.device;
  DWORD type = 0;
  WORD id = 0;
  bool scaled = true;  // character size from the point size
  const EntryList& fonts = *device.fonts();
  bool named = false, found = false;
  for (DWORD i = 0; i < fonts.count() && !found; ++i) {
    const BYTE* info = fonts.record(i) + kTextFontInfoAt;
    if (FontInfoFaceName(info) != call.family) continue;
    named = true;
    if (!EntryFits(info, call, text)) continue;
    found = true;
    type = spool::DCLD_FONT_TEXT;
    id = spool::ReadU16(fonts.record(i) + 4);
    scaled = (FontInfoU32(info, fontinfo::kFlags) & (kFontTrueTypeBased | kFontScalable)) != 0;
  }
  if (named && !found) return Emitted::kNoMatch;
  if (!named) {
    const EntryList& barcodes = *device.barcodes();
    for (DWORD i = 0; i < barcodes.count() && !found; ++i) {
      if (FontInfoFaceName(barcodes.record(i) + kBarcodeInfoAt) != call.family) continue;
      found = true;
      type = spool::DCLD_BARCODE_TEXT;
      id = spool::ReadU16(barcodes.record(i) + 4);
    }
    if (!found) return Emitted::kNoMatch;
  }
  // Only text in one of the printer's fonts gets here: text in any other font was
  // handed back to be drawn before its size could lose it.
  const TextSizes& s = call.sizes;
  if (s.points == 0 || s.height == 0 || s.width == 0 || text.empty()) return Emitted::kDone;
  if (type == spool::DCLD_BARCODE_TEXT && AllBlank(text) && !collected) return Emitted::kDone;
  // The printer draws an object whole, wherever the clip ends. Text the clip hides
  // entirely is not shown. Text it cuts is drawn cut by the engine when the engine has
  // its glyphs; otherwise it goes whole, as does a bar code: a cut bar code cannot be
  // scanned, and the engine has no image of the printer's symbols to cut.
  switch (CoverAt(call, x, y)) {
    case ClipCover::kNone: return Emitted::kDone;
    case ClipCover::kPart:
      if (type == spool::DCLD_FONT_TEXT && EngineHasImages(call.str)) return Emitted::kClipped;
      break;
    case ClipCover::kWhole: break;
  }
  const LONG dpiX = device.devmode().pub.dmPrintQuality;
  const LONG size = static_cast<LONG>(std::llabs(static_cast<long long>(s.points) * dpiX / 72));
  LONG charWidth = size, charHeight = size;
  if (!scaled && call.ifi != nullptr) {
    charWidth = call.ifi->fwdAveCharWidth;
    charHeight = call.ifi->fwdUnitsPerEm;
  }
  const RECTL& b = call.box;
  try {
    std::vector<BYTE> payload(kTextObjectSize + text.size(), 0);
    BYTE* p = payload.data();
    spool::WriteU16(p, id);
    spool::WriteI32(p + 4, x < 0 ? -x : x);
    spool::WriteI32(p + 8, y < 0 ? -y : y);
    spool::WriteI32(p + 12, b.right - b.left);
    spool::WriteI32(p + 16, b.bottom - b.top);
    spool::WriteI32(p + 28, charWidth);
    spool::WriteI32(p + 32, charHeight);
    spool::WriteU32(p + 36, call.direction);
    spool::WriteI32(p + 40, b.top);
    spool::WriteI32(p + 44, b.bottom);
    spool::WriteI32(p + 48, b.left);
    spool::WriteI32(p + 52, b.right);
    std::copy(text.begin(), text.end(), payload.begin() + kTextObjectSize);
    if (!device.Enqueue({type, std::move(payload)})) return Emitted::kFailed;
    return Emitted::kDone;
  } catch (const std::bad_alloc&) {
    return Emitted::kFailed;
  }
}

bool IsBarcodeName(const Device& device, const std::string& family) {
  const EntryList& barcodes = *device.barcodes();
  for (DWORD i = 0; i < barcodes.count(); ++i)
    if (FontInfoFaceName(barcodes.record(i) + kBarcodeInfoAt) == family) return true;
  return false;
}

struct EngineCall {
  SURFOBJ* surface;
  STROBJ* str;
  FONTOBJ* font;
  CLIPOBJ* clip;
  RECTL* extra;
  RECTL* opaque;
  BRUSHOBJ* fore;
  BRUSHOBJ* opaqueBrush;
  POINTL* origin;
  MIX mix;
  BOOL Draw() const {
    return EngTextOut(surface, str, font, clip, extra, opaque, fore, opaqueBrush, origin, mix);
  }
};

// Which glyphs stand for blanked bytes: each glyph's character is converted alone to
// find its bytes. Empty when the glyphs and the bytes do not line up.
std::vector<bool> BlankedGlyphs(const STROBJ* str, UINT codePage, const std::string& original,
                                const std::string& text) {
  std::vector<bool> blanked;
  std::size_t at = 0;
  for (ULONG i = 0; i < str->cGlyphs; ++i) {
    const std::size_t n = ToBytes(codePage, str->pwszOrg + i, 1).size();
    if (n == 0 || n > original.size() - at) return {};
    blanked.push_back(original.compare(at, n, text, at, n) != 0);
    at += n;
  }
  if (at != original.size()) return {};
  return blanked;
}

// Draws the text with its raw commands blanked: the string object gets the blanked
// text, and the glyphs of blanked characters are left out of the drawing, whether the
// string object holds its glyphs or hands them out batch by batch.
BOOL DrawBlanked(const EngineCall& engine, UINT codePage, const std::string& original,
                 const std::string& text) {
  STROBJ* str = engine.str;
  if (text == original) return engine.Draw();
  const std::vector<bool> blanked = BlankedGlyphs(str, codePage, original, text);
  if (blanked.empty()) {
    // Without a glyph for each character, only whole text of the same length can go back.
    const std::u16string wide = ToWide(codePage, text);
    if (wide.size() == str->cGlyphs) std::copy(wide.begin(), wide.end(), str->pwszOrg);
    return engine.Draw();
  }
  for (std::size_t i = 0; i < blanked.size(); ++i)
    if (blanked[i]) str->pwszOrg[i] = u' ';
  std::vector<GLYPHPOS> glyphs = GlyphsOf(str);
  if (glyphs.size() != blanked.size()) return engine.Draw();
  GLYPHDEF nothing{};
  nothing.pgb = nullptr;
  for (std::size_t i = 0; i < glyphs.size(); ++i)
    if (blanked[i]) glyphs[i].pgdf = &nothing;
  // The engine draws from the copy; the string object gets its own glyphs back.
  GLYPHPOS* const own = str->pgp;
  str->pgp = glyphs.data();
  const BOOL result = engine.Draw();
  str->pgp = own;
  if (own == nullptr) STROBJ_vEnumStart(str);
  return result;
}

// What is not queued is drawn by the engine; an object that could not be queued and
// that the engine cannot draw either fails the call rather than vanish.
BOOL Fallback(Emitted e, const EngineCall& engine) {
  if (e == Emitted::kDone) return TRUE;
  if (e == Emitted::kFailed && !EngineHasImages(engine.str)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  return engine.Draw();
}

}  // namespace

Delimiters DelimitersOf(const DriverDevmode& dm, std::size_t startAt, std::size_t endAt) {
  Delimiters d;
  if (dm.priv.size() < std::max(startAt, endAt) + priv::kDelimiterSize) return d;
  auto read = [&](std::size_t at, std::string& out) {
    const auto* p = reinterpret_cast<const char*>(dm.priv.data() + at);
    const auto* end = std::find(p, p + priv::kDelimiterSize, '\0');
    if (end == p + priv::kDelimiterSize || end == p) return false;
    out.assign(p, end);
    return true;
  };
  d.usable = read(startAt, d.start) && read(endAt, d.end);
  return d;
}

bool ExtractRawCommands(TextState& state, std::vector<QueuedObject>& queue,
                        const Delimiters& delimiters, std::string& text) {
  if (!delimiters.usable) return !AllBlank(text);
  if (text.empty()) return false;
  const std::string& start = delimiters.start;
  const std::string& end = delimiters.end;
  std::size_t pos = 0;
  if (state.rawOpen) {
    const std::size_t close = text.find(end);
    if (close == std::string::npos) {
      AppendRaw(state, queue, text);
      Blank(text, 0, text.size());
      return false;
    }
    AppendRaw(state, queue, std::string_view(text).substr(0, close));
    state.CloseRaw();
    Blank(text, 0, close + end.size());
    pos = close + end.size();
  }
  for (;;) {
    const std::size_t open = text.find(start, pos);
    if (open == std::string::npos) break;
    const std::size_t body = open + start.size();
    const std::size_t close = text.find(end, body);
    if (close == std::string::npos) {
      state.rawOpen = true;
      state.rawEntry.reset();
      AppendRaw(state, queue, std::string_view(text).substr(body));
      Blank(text, open, text.size());
      break;
    }
    if (close > body)
      queue.push_back(
          {spool::DCLD_RAW_COMMAND, RawPayload(std::string_view(text).substr(body, close - body))});
    Blank(text, open, close + end.size());
    pos = close + end.size();
  }
  return !AllBlank(text);
}

Collected CollectBarcodeText(TextState& state, const Delimiters& delimiters,
                             const std::string& text, LONG x, LONG y) {
  if (!delimiters.usable || text.empty()) return {};
  auto cut = [&](std::string_view part, bool& closed) {
    const std::size_t close = part.find(delimiters.end);
    closed = close != std::string_view::npos;
    return std::string(closed ? part.substr(0, close) : part);
  };
  bool closed = false;
  if (text.compare(0, delimiters.start.size(), delimiters.start) == 0) {
    std::string piece = cut(std::string_view(text).substr(delimiters.start.size()), closed);
    state.pieces.push_back({std::move(piece), x, y});
  } else if (state.collecting && !state.pieces.empty()) {
    state.pieces.back().text += cut(text, closed);
  } else {
    return {};
  }
  state.collecting = !closed;
  return {true, closed};
}

DWORD DirectionOf(const POINTL* positions, ULONG count) {
  if (positions == nullptr || count < 2) return 0;
  const POINTL& a = positions[0];
  const POINTL& b = positions[1];
  if (b.y == a.y) return b.x >= a.x ? 1 : 4;
  if (b.x == a.x) return b.y > a.y ? 8 : 2;
  return 0;
}

BOOL DeviceTextOut(Device& device, SURFOBJ* surface, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip,
                   RECTL* extra, RECTL* opaque, BRUSHOBJ* fore, BRUSHOBJ* opaqueBrush,
                   POINTL* origin, MIX mix) {
  if (surface == nullptr || str == nullptr || font == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (str->cGlyphs == 0 || str->pwszOrg == nullptr) return TRUE;
  const EngineCall engine{surface, str, font, clip, extra, opaque, fore, opaqueBrush, origin, mix};
  try {
    const DriverDevmode& dm = device.devmode();
    const IFIMETRICS* ifi = FONTOBJ_pifi(font);
    const std::u16string family = FamilyOf(ifi);
    const std::vector<POINTL> positions = PositionsOf(str);
    TextCall call{
        device,
        SizesOf(font, ifi, dm.pub.dmPrintQuality, dm.pub.dmYResolution),
        ifi,
        (ifi != nullptr && (ifi->fsSelection & 1) != 0) || (font->flFontType & FO_SIM_ITALIC) != 0,
        ToBytes(CP_ACP, family.data(), family.size()),
        str->rclBkGround,
        DirectionOf(positions.data(), static_cast<ULONG>(positions.size())),
        str,
        clip};
    UINT codePage = GetACP();
    if (const DeviceFontBlock* block = device.deviceFonts().FindFamily(family);
        block != nullptr && block->codePage() != 0)
      codePage = block->codePage();
    std::string text = ToBytes(codePage, str->pwszOrg, str->cGlyphs);
    TextState& state = device.text();
    const LONG left = call.box.left, top = call.box.top;

    if (IsBarcodeName(device, call.family)) {
      Delimiters delimiters;
      if (dm.U16(priv::kBarcodeCollectFlag) != 0)
        delimiters = DelimitersOf(dm, priv::kBarcodeStart, priv::kBarcodeEnd);
      const Collected c = CollectBarcodeText(state, delimiters, text, left, top);
      if (!c.collected) return Fallback(EmitTextObject(call, left, top, text, false), engine);
      if (!c.closed) return TRUE;
      std::vector<BarcodePiece> pieces = std::move(state.pieces);
      state.pieces.clear();
      state.collecting = false;
      BOOL result = TRUE;
      for (const BarcodePiece& piece : pieces) {
        const Emitted e = EmitTextObject(call, piece.x, piece.y, piece.text, true);
        if (e == Emitted::kDone || (e != Emitted::kFailed && AllBlank(piece.text))) continue;
        result = Fallback(e, engine);
        if (!result) break;
      }
      return result;
    }

    Delimiters delimiters;
    if (dm.U16(priv::kRawCommandFlag) != 0)
      delimiters = DelimitersOf(dm, priv::kRawStart, priv::kRawEnd);
    const std::string original = text;
    if (!ExtractRawCommands(state, device.queue(), delimiters, text)) return TRUE;
    const Emitted e = EmitTextObject(call, left, top, text, false);
    if (e == Emitted::kDone) return TRUE;
    if (e == Emitted::kFailed && !EngineHasImages(str)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    return DrawBlanked(engine, codePage, original, text);
  } catch (const std::bad_alloc&) {
    // Text that can be neither queued nor drawn is a failure, never a silent loss.
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace trv::driver
