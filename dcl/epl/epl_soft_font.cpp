#include "dcl/epl/epl_soft_font.h"

#include <algorithm>
#include <string>

#include "dcl/epl/epl_commands.h"
#include "dcl/fonts/font_download.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"

namespace trv::dcl::epl {
namespace {

DWORD RowBytes(DWORD width) { return (width + 7) / 8; }

bool GlyphFits(const SoftGlyph& g, DWORD rows) {
  return g.width <= 255 && g.rows == rows &&
         g.bits.size() == static_cast<size_t>(rows) * RowBytes(g.width);
}

bool SendsUpright(const SoftFont& f) { return f.orientation != kRotatedOnly; }
bool SendsRotated(const SoftFont& f) { return f.orientation != kUprightOnly; }

}  // namespace

bool CanSendSoftFont(const SoftFont& font) {
  if (!IsSoftFontLetter(font.letter) || font.orientation > kBothOrientations) return false;
  const size_t count = SendsUpright(font) ? font.upright.size() : font.rotated.size();
  if (count == 0 || count > 255 || font.height == 0 || font.height > 255) return false;
  if (SendsUpright(font)) {
    if (font.upright.size() != count) return false;
    for (const SoftGlyph& g : font.upright)
      if (!GlyphFits(g, font.height)) return false;
  }
  if (SendsRotated(font)) {
    if (font.rotated.size() != count) return false;
    // The width byte of a turned character is its row count + 1.
    for (const SoftGlyph& g : font.rotated)
      if (g.rows == 0 || g.rows >= 255 || !GlyphFits(g, g.rows)) return false;
  }
  return true;
}

BOOL SendSoftFont(const SoftFont& font, const WriteFn& write) {
  if (!CanSendSoftFont(font)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto send = [&write](const std::string& s) {
    return write(s.data(), static_cast<DWORD>(s.size()));
  };
  const size_t count = SendsUpright(font) ? font.upright.size() : font.rotated.size();
  std::string head = "ES\"";
  head += font.letter;
  head += '"';
  head += static_cast<char>(count);
  head += static_cast<char>(font.orientation);
  head += static_cast<char>(font.height);
  if (!send("\nN\n") || !send(DeleteFontLine(font.letter)) || !send(head)) return FALSE;
  if (SendsUpright(font)) {
    for (const SoftGlyph& g : font.upright) {
      const char cell[3] = {static_cast<char>(g.code), static_cast<char>(g.width),
                            static_cast<char>(RowBytes(g.width))};
      if (!write(cell, 3)) return FALSE;
      if (!g.bits.empty() && !write(g.bits.data(), static_cast<DWORD>(g.bits.size()))) return FALSE;
    }
  }
  if (SendsRotated(font)) {
    for (const SoftGlyph& g : font.rotated) {
      const char cell[3] = {static_cast<char>(g.code), static_cast<char>(g.rows + 1),
                            static_cast<char>(g.rows)};
      if (!write(cell, 3)) return FALSE;
      if (!g.bits.empty() && !write(g.bits.data(), static_cast<DWORD>(g.bits.size()))) return FALSE;
    }
  }
  return TRUE;
}

BOOL DownloadSoftFont(const SoftFont& font, const WriteFn& write, TextFontEntry entry,
                      std::vector<TextFontEntry>& installed) {
  if (!SendSoftFont(font, write)) return FALSE;
  entry.key = 0xFFFF;
  entry.flags |= kDownloadedFontFlag;
  fonts::EnterDownloadedFont(entry, installed);
  return TRUE;
}

}  // namespace trv::dcl::epl

namespace trv::dcl::epl {

namespace {
void SetBlack(SoftGlyph& g, DWORD row, DWORD x) {
  g.bits[static_cast<size_t>(row) * RowBytes(g.width) + x / 8] |=
      static_cast<BYTE>(0x80 >> (x % 8));
}
bool IsBlack(const SoftGlyph& g, DWORD row, DWORD x) {
  return (g.bits[static_cast<size_t>(row) * RowBytes(g.width) + x / 8] & (0x80 >> (x % 8))) != 0;
}
}  // namespace

SoftGlyph UprightSoftGlyph(BYTE code, const fonts::RasterGlyph& glyph, DWORD height) {
  SoftGlyph g;
  g.code = code;
  g.width = static_cast<DWORD>(std::max(glyph.Advance(), 0));
  g.rows = height;
  g.bits.assign(static_cast<size_t>(height) * RowBytes(g.width), 0);
  for (int r = 0; r < glyph.rows; ++r) {
    const long y = static_cast<long>(glyph.top) + r;
    if (y < 0 || y >= static_cast<long>(height)) continue;
    for (int c = 0; c < glyph.b; ++c) {
      const long x = static_cast<long>(glyph.a) + c;
      if (x >= 0 && x < static_cast<long>(g.width) && glyph.Black(r, c))
        SetBlack(g, static_cast<DWORD>(y), static_cast<DWORD>(x));
    }
  }
  return g;
}

SoftGlyph TurnedSoftGlyph(const SoftGlyph& upright, DWORD height) {
  SoftGlyph g;
  g.code = upright.code;
  g.width = height;
  g.rows = upright.width;
  g.bits.assign(static_cast<size_t>(g.rows) * RowBytes(g.width), 0);
  // Turned clockwise: the upright column x becomes row x, and the upright row y
  // becomes column height - 1 - y.
  for (DWORD y = 0; y < upright.rows && y < height; ++y)
    for (DWORD x = 0; x < upright.width; ++x)
      if (IsBlack(upright, y, x)) SetBlack(g, x, height - 1 - y);
  return g;
}

DWORD RasteriseSoftFont(fonts::GlyphRasteriser& raster, const fonts::FontDownloadRequest& request,
                        SoftFont& font, const std::function<void()>& step) {
  font = SoftFont{};
  font.letter = request.letter;
  font.orientation = static_cast<SoftFontOrientation>(request.orientation);
  // Every character is drawn in the height that drawing any of them reports: the
  // font's height.
  font.height = static_cast<DWORD>(std::max(raster.Metrics().height, 0));
  int first = 0, last = 0;
  fonts::CharacterRange(request.characters, first, last);
  const bool upright = request.orientation != kRotatedOnly;
  const bool turned = request.orientation != kUprightOnly;
  for (int code = first; code <= last; ++code) {
    fonts::RasterGlyph glyph;
    if (DWORD rc = raster.Render(static_cast<BYTE>(code), glyph); rc != ERROR_SUCCESS) return rc;
    SoftGlyph g = UprightSoftGlyph(static_cast<BYTE>(code), glyph, font.height);
    if (turned) font.rotated.push_back(TurnedSoftGlyph(g, font.height));
    if (upright) font.upright.push_back(std::move(g));
    if (step) {
      step();
      if (upright && turned) step();
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl::epl
