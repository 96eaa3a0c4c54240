#include "driver/device_fonts.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <map>
#include <new>

#include "platform/kernel.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the image's fields are copied into IFIMETRICS as they lie");

// IFIMETRICS of a stored image (32-bit layout): the fields this driver reads.
namespace image_ifi {
inline constexpr std::size_t kCjThis = 0, kStyleName = 12, kUniqueName = 20, kFontSim = 24,
                             kEmbedId = 28, kItalicAngle = 32, kCharBias = 36, kWinCharSet = 44,
                             kWinPitchAndFamily = 45, kWinWeight = 46, kInfo = 48, kSelection = 52;
// From fsSelection to the end of panose the stored layout and this platform's agree.
inline constexpr std::size_t kTailSize = 182 - kSelection;
}  // namespace image_ifi
static_assert(offsetof(IFIMETRICS, panose) + sizeof(PANOSE) - offsetof(IFIMETRICS, fsSelection) ==
              image_ifi::kTailSize);

inline constexpr std::size_t kImageFontSimSize = 12;
inline constexpr std::size_t kFontDiffSize = 20;
static_assert(sizeof(FONTDIFF) == kFontDiffSize);

bool Fits(std::size_t offset, std::size_t length, std::size_t size) {
  return offset <= size && length <= size - offset;
}
std::size_t AlignUp(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

DWORD U32(std::span<const BYTE> b, std::size_t at) { return spool::ReadU32(b.data() + at); }
WORD U16(std::span<const BYTE> b, std::size_t at) { return spool::ReadU16(b.data() + at); }

SHORT Sat16(long long v) {
  return static_cast<SHORT>(std::clamp<long long>(v, std::numeric_limits<SHORT>::min(),
                                                  std::numeric_limits<SHORT>::max()));
}
LONG Sat32(long long v) {
  return static_cast<LONG>(
      std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}
// v * num / den, rounded half away from zero; den > 0.
long long ScaleRounded(long long v, long long num, long long den) {
  const long long p = v * num;
  return p >= 0 ? (p + den / 2) / den : -((-p + den / 2) / den);
}

// A string of IFIMETRICS in the image: its characters, or nothing when the offset is
// 0; false when it is odd, outside the block or not terminated inside it.
bool ImageString(std::span<const BYTE> ifi, std::size_t field, std::optional<std::u16string>& out) {
  out.reset();
  const DWORD at = U32(ifi, field);
  if (at == 0) return true;
  if (at < kImageIfiSize || at >= ifi.size() || (at & 1) != 0) return false;
  std::u16string s;
  for (std::size_t p = at; p + 1 < ifi.size(); p += 2) {
    const char16_t c = U16(ifi, p);
    if (c == 0) {
      out = std::move(s);
      return true;
    }
    s += c;
  }
  return false;
}

std::u16string Widen(const std::string& ansi) {
  if (ansi.empty()) return {};
  std::u16string wide(ansi.size(), u'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return wide;
}

std::string BoundedString(const BYTE* p, std::size_t size) {
  const auto* c = reinterpret_cast<const char*>(p);
  return std::string(c, std::find(c, c + size, '\0'));
}

// What a checked image offers the block.
struct ImageParts {
  std::span<const BYTE> ifi;  // cjThis bytes
  std::optional<std::u16string> style, unique;
  std::size_t fontSim = 0;  // offset in ifi, 0: none
  DWORD diffs[3] = {};      // FONTDIFF offsets from the FONTSIM, 0: none
  std::span<const BYTE> etm, widths, kerning;
  std::size_t widthBlockSize = 0;  // what the block holds of the width table
  DWORD codePage = 0;
};

DWORD CheckImage(std::span<const BYTE> image, ImageParts& parts) {
  if (image.size() < block::kHeaderSize) return ERROR_BAD_FORMAT;
  const std::size_t total = U32(image, block::kTotalSize);
  if (total < block::kHeaderSize || total > image.size()) return ERROR_BAD_FORMAT;
  image = image.first(total);
  parts.codePage = U32(image, block::kCodePage);
  if (parts.codePage == 0xFFFF) parts.codePage = 0;

  const std::size_t ifiAt = U32(image, block::kIfiMetrics);
  if (ifiAt == 0 || !Fits(ifiAt, kImageIfiSize, total)) return ERROR_BAD_FORMAT;
  const std::size_t cjThis = U32(image, ifiAt + image_ifi::kCjThis);
  if (cjThis < kImageIfiSize || !Fits(ifiAt, cjThis, total)) return ERROR_BAD_FORMAT;
  parts.ifi = image.subspan(ifiAt, cjThis);
  if (!ImageString(parts.ifi, image_ifi::kStyleName, parts.style) ||
      !ImageString(parts.ifi, image_ifi::kUniqueName, parts.unique))
    return ERROR_BAD_FORMAT;
  if (const DWORD sim = U32(parts.ifi, image_ifi::kFontSim); sim != 0) {
    if (!Fits(sim, kImageFontSimSize, cjThis)) return ERROR_BAD_FORMAT;
    parts.fontSim = sim;
    for (int i = 0; i < 3; ++i) {
      const DWORD diff = U32(parts.ifi, sim + 4 * static_cast<std::size_t>(i));
      if (diff != 0 && !Fits(std::size_t{sim} + diff, kFontDiffSize, cjThis))
        return ERROR_BAD_FORMAT;
      parts.diffs[i] = diff;
    }
  }
  if (const std::size_t at = U32(image, block::kExtTextMetrics); at != 0) {
    if (!Fits(at, kExtTextMetricsSize, total)) return ERROR_BAD_FORMAT;
    parts.etm = image.subspan(at, kExtTextMetricsSize);
  }
  if (const std::size_t at = U32(image, block::kWidthTable); at != 0) {
    if (!Fits(at, 8, total)) return ERROR_BAD_FORMAT;
    const std::size_t size = U32(image, at);
    if (size < 8 || !Fits(at, size, total)) return ERROR_BAD_FORMAT;
    const std::size_t runs = U32(image, at + 4);
    if (runs > (size - 8) / 8) return ERROR_BAD_FORMAT;
    std::size_t blockSize = std::max<std::size_t>(16, 8 + 8 * runs);
    for (std::size_t r = 0; r < runs; ++r) {
      const std::size_t run = at + 8 + 8 * r;
      const std::size_t first = U16(image, run), count = U16(image, run + 2);
      const std::size_t widths = U32(image, run + 4);
      if (!Fits(widths, 2 * count, size)) return ERROR_BAD_FORMAT;
      blockSize = std::max(blockSize, widths + 2 * (first + count));
    }
    parts.widths = image.subspan(at, size);
    parts.widthBlockSize = blockSize;
  }
  if (const std::size_t at = U32(image, block::kKerningPairs); at != 0) {
    if (!Fits(at, 8, total)) return ERROR_BAD_FORMAT;
    const std::size_t size = U32(image, at);
    if (size < 8 || !Fits(at, size, total)) return ERROR_BAD_FORMAT;
    if (U32(image, at + 4) > (size - 8) / sizeof(FD_KERNINGPAIR)) return ERROR_BAD_FORMAT;
    parts.kerning = image.subspan(at, size);
  }
  return ERROR_SUCCESS;
}

// The block's layout, computed once before anything is written.
struct Layout {
  std::size_t ifiAt = 0;
  std::size_t family = 0, face = 0, style = 0, unique = 0;  // from IFIMETRICS
  std::size_t fontSim = 0;                                  // 0: none
  std::size_t diffs[3] = {};                                // from the FONTSIM
  std::size_t cjThis = 0;
  std::size_t etm = 0, widths = 0, kerning = 0;  // from the block, 0: none
  std::size_t total = 0;
};

std::size_t StringSlot(std::size_t characters) { return AlignUp(2 * (characters + 1), 4); }

Layout LayOut(const ImageParts& parts, const std::u16string& family) {
  Layout l;
  l.ifiAt = AlignUp(block::kHeaderSize, alignof(IFIMETRICS));
  std::size_t at = AlignUp(sizeof(IFIMETRICS), 4);
  l.family = at;
  at += StringSlot(family.size());
  l.face = at;
  at += StringSlot(family.size());
  const std::size_t empty = l.family + 2 * family.size();  // the family name's terminator
  l.style = empty;
  l.unique = empty;
  if (parts.style) {
    l.style = at;
    at += StringSlot(parts.style->size());
  }
  if (parts.unique) {
    l.unique = at;
    at += StringSlot(parts.unique->size());
  }
  if (parts.fontSim != 0) {
    at = AlignUp(at, alignof(FONTSIM));
    l.fontSim = at;
    std::size_t next = sizeof(FONTSIM);
    for (int i = 0; i < 3; ++i)
      if (parts.diffs[i] != 0) {
        l.diffs[i] = next;
        next += kFontDiffSize;
      }
    at += next;
  }
  l.cjThis = AlignUp(at, 4);
  at = l.ifiAt + l.cjThis;
  if (!parts.etm.empty()) {
    l.etm = at;
    at += kExtTextMetricsSize;
  }
  if (!parts.widths.empty()) {
    l.widths = at;
    at += AlignUp(parts.widthBlockSize, 4);
  }
  if (!parts.kerning.empty()) {
    l.kerning = at;
    at += AlignUp(parts.kerning.size(), 4);
  }
  l.total = at;
  return l;
}

void PutString(BYTE* at, const std::u16string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) spool::WriteU16(at + 2 * i, s[i]);
}

// IFIMETRICS from the image's 32-bit layout.
void ConvertIfi(std::span<const BYTE> src, IFIMETRICS& ifi) {
  ifi.lEmbedId = static_cast<LONG>(U32(src, image_ifi::kEmbedId));
  ifi.lItalicAngle = static_cast<LONG>(U32(src, image_ifi::kItalicAngle));
  ifi.lCharBias = static_cast<LONG>(U32(src, image_ifi::kCharBias));
  ifi.jWinCharSet = src[image_ifi::kWinCharSet];
  ifi.jWinPitchAndFamily = src[image_ifi::kWinPitchAndFamily];
  ifi.usWinWeight = U16(src, image_ifi::kWinWeight);
  ifi.flInfo = U32(src, image_ifi::kInfo);
  std::memcpy(&ifi.fsSelection, src.data() + image_ifi::kSelection, image_ifi::kTailSize);
}

// The vertical sizes of the font: scaled together when the em changes.
template <class Fn>
void ForEachVertical(IFIMETRICS& m, BYTE* etm, Fn&& fn) {
  FWORD* words[] = {&m.fwdWinAscender,      &m.fwdWinDescender,      &m.fwdMacAscender,
                    &m.fwdMacDescender,     &m.fwdMacLineGap,        &m.fwdTypoAscender,
                    &m.fwdTypoDescender,    &m.fwdTypoLineGap,       &m.fwdCapHeight,
                    &m.fwdXHeight,          &m.fwdSubscriptYSize,    &m.fwdSubscriptYOffset,
                    &m.fwdSuperscriptYSize, &m.fwdSuperscriptYOffset};
  for (FWORD* w : words) *w = Sat16(fn(*w));
  LONG* longs[] = {&m.ptlBaseline.y, &m.ptlCaret.y, &m.rclFontBox.top, &m.rclFontBox.bottom};
  for (LONG* l : longs) *l = Sat32(fn(*l));
  if (etm != nullptr)
    // Cap and x height, lower-case ascent and descent, super- and subscript offsets
    // and sizes, the underlines and the strike-out: every size field but the slant.
    for (std::size_t i : {7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}) {
      const auto v = static_cast<SHORT>(spool::ReadU16(etm + 2 * i));
      spool::WriteU16(etm + 2 * i, static_cast<WORD>(Sat16(fn(v))));
    }
}

}  // namespace

std::string FontInfoFaceName(const BYTE* fontInfo) {
  return BoundedString(fontInfo + fontinfo::kFaceName, fontinfo::kFaceNameSize);
}
std::string FontInfoMetricsName(const BYTE* fontInfo) {
  return BoundedString(fontInfo + fontinfo::kMetricsName, fontinfo::kMetricsNameSize);
}
DWORD FontInfoU32(const BYTE* fontInfo, std::size_t at) { return spool::ReadU32(fontInfo + at); }

DWORD DeviceFontBlock::Build(std::span<const BYTE> image, const BYTE* fontInfo, LONG magnification,
                             LONG dpiX, LONG dpiY, std::unique_ptr<DeviceFontBlock>& out) {
  out.reset();
  ImageParts parts;
  if (const DWORD error = CheckImage(image, parts); error != ERROR_SUCCESS) return error;
  try {
    auto b = std::make_unique<DeviceFontBlock>();
    b->family_ = Widen(FontInfoFaceName(fontInfo));
    const Layout l = LayOut(parts, b->family_);
    b->storage_.assign(AlignUp(l.total, 8) / 8, 0);
    b->size_ = l.total;
    b->ifiAt_ = l.ifiAt;
    BYTE* p = b->data();
    spool::WriteU32(p + block::kTotalSize, static_cast<DWORD>(l.total));
    spool::WriteU32(p + block::kCodePage, parts.codePage);
    spool::WriteU32(p + block::kIfiMetrics, static_cast<DWORD>(l.ifiAt));
    spool::WriteU32(p + block::kExtTextMetrics, static_cast<DWORD>(l.etm));
    spool::WriteU32(p + block::kWidthTable, static_cast<DWORD>(l.widths));
    spool::WriteU32(p + block::kKerningPairs, static_cast<DWORD>(l.kerning));

    IFIMETRICS& m = *b->ifiPointer();
    ConvertIfi(parts.ifi, m);
    m.cjThis = static_cast<ULONG>(l.cjThis);
    m.cjIfiExtra = 0;
    m.dpwszFamilyName = static_cast<PTRDIFF>(l.family);
    m.dpwszFaceName = static_cast<PTRDIFF>(l.face);
    m.dpwszStyleName = static_cast<PTRDIFF>(l.style);
    m.dpwszUniqueName = static_cast<PTRDIFF>(l.unique);
    m.dpCharSets = 0;
    BYTE* ifiBytes = p + l.ifiAt;
    PutString(ifiBytes + l.family, b->family_);
    PutString(ifiBytes + l.face, b->family_);
    if (parts.style) PutString(ifiBytes + l.style, *parts.style);
    if (parts.unique) PutString(ifiBytes + l.unique, *parts.unique);
    m.dpFontSim = static_cast<PTRDIFF>(l.fontSim);
    if (l.fontSim != 0) {
      auto* sim = reinterpret_cast<FONTSIM*>(ifiBytes + l.fontSim);
      PTRDIFF* slots[] = {&sim->dpBold, &sim->dpItalic, &sim->dpBoldItalic};
      for (int i = 0; i < 3; ++i) {
        *slots[i] = static_cast<PTRDIFF>(l.diffs[i]);
        if (l.diffs[i] != 0)
          std::memcpy(ifiBytes + l.fontSim + l.diffs[i],
                      parts.ifi.data() + parts.fontSim + parts.diffs[i], kFontDiffSize);
      }
    }
    BYTE* etm = nullptr;
    if (l.etm != 0) {
      etm = p + l.etm;
      std::memcpy(etm, parts.etm.data(), kExtTextMetricsSize);
    }
    if (l.widths != 0) {
      std::memcpy(p + l.widths, parts.widths.data(),
                  std::min(parts.widths.size(), parts.widthBlockSize));
      spool::WriteU32(p + l.widths, static_cast<DWORD>(parts.widthBlockSize));
      b->widthAt_ = l.widths;
      b->widthSize_ = parts.widthBlockSize;
    }
    if (l.kerning != 0) {
      std::memcpy(p + l.kerning, parts.kerning.data(), parts.kerning.size());
      b->kerningAt_ = l.kerning;
      b->kerningCount_ = spool::ReadU32(p + l.kerning + 4);
    }

    // Scaling. F 0x800: the font's em is given in the FontInfo; 0x200: one face per
    // magnification; 0x100: a horizontal multiplier.
    const DWORD flags = FontInfoU32(fontInfo, fontinfo::kFlags);
    if ((flags & kFontRescaledEm) != 0) {
      const long long from = m.fwdUnitsPerEm;
      const long long to = FontInfoU32(fontInfo, fontinfo::kMultiplierY) & 0xFFFF;
      // An em of no units cannot be rescaled; the block is dropped below for it.
      if (from > 0) {
        ForEachVertical(m, etm, [&](long long v) { return ScaleRounded(v, to, from); });
        m.fwdUnitsPerEm = Sat16(to);
      }
    }
    if ((flags & kFontPerMagnification) != 0 && magnification > 1) {
      ForEachVertical(m, etm, [&](long long v) { return v * magnification; });
      m.fwdUnitsPerEm = Sat16(static_cast<long long>(m.fwdUnitsPerEm) * magnification);
    }
    if (const DWORD h = FontInfoU32(fontInfo, fontinfo::kMultiplierX);
        (flags & kFontHorizontalMultiplier) != 0 && h != 1) {
      const long long k = h;
      m.fwdAveCharWidth = Sat16(m.fwdAveCharWidth * k);
      m.fwdMaxCharInc = Sat16(m.fwdMaxCharInc * k);
      for (LONG* v : {&m.ptlBaseline.x, &m.ptlCaret.x, &m.rclFontBox.left, &m.rclFontBox.right})
        *v = Sat32(*v * k);
      if (b->widthAt_ != 0) {
        BYTE* t = p + b->widthAt_;
        const DWORD runs = spool::ReadU32(t + 4);
        for (DWORD r = 0; r < runs; ++r) {
          const BYTE* run = t + 8 + 8 * std::size_t{r};
          const std::size_t count = spool::ReadU16(run + 2), widths = spool::ReadU32(run + 4);
          for (std::size_t g = 0; g < count; ++g) {
            BYTE* w = t + widths + 2 * g;
            const long long v = spool::ReadU16(w) * k;
            spool::WriteU16(w, static_cast<WORD>(std::min<long long>(v, 0xFFFF)));
          }
        }
      }
      for (std::size_t i = 0; i < b->kerningCount_; ++i) {
        BYTE* amount = p + b->kerningAt_ + 8 + sizeof(FD_KERNINGPAIR) * i + 4;
        const long long v = static_cast<SHORT>(spool::ReadU16(amount)) * k;
        spool::WriteU16(amount, static_cast<WORD>(Sat16(v)));
      }
    }
    m.ptlAspect = {dpiX, dpiY};
    b->emHeight_ =
        dpiY > 0 ? Sat32(ScaleRounded(m.fwdUnitsPerEm, 7200, dpiY)) : 0;  // no resolution: no em
    out = std::move(b);
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

DWORD DeviceFontBlock::codePage() const { return spool::ReadU32(data() + block::kCodePage); }

LONG DeviceFontBlock::GlyphWidth(HGLYPH glyph) const {
  LONG w = ifi().fwdAveCharWidth;
  if (widthAt_ != 0) {
    const BYTE* t = data() + widthAt_;
    const std::size_t runs = spool::ReadU32(t + 4);
    const unsigned long long index = static_cast<unsigned long long>(glyph) + 1;  // 1-based
    for (std::size_t r = 0; r < runs && 8 + 8 * r + 8 <= widthSize_; ++r) {
      const BYTE* run = t + 8 + 8 * r;
      const std::size_t first = spool::ReadU16(run), count = spool::ReadU16(run + 2);
      const std::size_t widths = spool::ReadU32(run + 4);
      if (first <= index && index < first + count) {
        const std::size_t at = widths + 2 * (index - first);
        if (at + 2 <= widthSize_) w = spool::ReadU16(t + at);
        break;
      }
    }
  }
  if ((ifi().flInfo & FM_INFO_ARB_XFORMS) != 0) w = w * 72 / 100;
  return w;
}

std::span<const FD_KERNINGPAIR> DeviceFontBlock::kerningPairs() const {
  if (kerningAt_ == 0) return {};
  return {reinterpret_cast<const FD_KERNINGPAIR*>(data() + kerningAt_ + 8), kerningCount_};
}

namespace {

std::optional<std::vector<BYTE>> FromPrinter(void* context, std::u16string_view name) {
  return ReadPrinterValue(static_cast<HANDLE>(context), name);
}

}  // namespace

DWORD DeviceFontList::Build(HANDLE printer, const EntryList& fonts, const EntryList& barcodes,
                            LONG dpiX, LONG dpiY) {
  return Build(FromPrinter, printer, fonts, barcodes, dpiX, dpiY);
}

DWORD DeviceFontList::Build(ImageSource source, void* context, const EntryList& fonts,
                            const EntryList& barcodes, LONG dpiX, LONG dpiY) {
  blocks_.clear();
  struct Wanted {
    const BYTE* fontInfo;
    LONG magnification;
  };
  std::vector<Wanted> wanted;
  try {
    for (DWORD i = 0; i < fonts.count(); ++i) {
      const BYTE* info = fonts.record(i) + kTextFontInfoAt;
      const DWORD flags = FontInfoU32(info, fontinfo::kFlags);
      if ((flags & kFontNotOffered) != 0) continue;
      // The stored count of magnifications: at least one face, never more than a
      // printer can magnify.
      LONG n = 1;
      if ((flags & kFontPerMagnification) != 0)
        n = std::clamp(
            static_cast<LONG>(spool::ReadU32(fonts.record(i) + kTextFontMagnificationsAt)), LONG{1},
            kMaxMagnifications);
      for (LONG m = 1; m <= n; ++m) wanted.push_back({info, m});
    }
    for (DWORD i = 0; i < barcodes.count(); ++i) {
      const BYTE* info = barcodes.record(i) + kBarcodeInfoAt;
      if ((FontInfoU32(info, fontinfo::kFlags) & kFontNotOffered) == 0) wanted.push_back({info, 1});
    }
    std::vector<std::unique_ptr<DeviceFontBlock>> built;
    built.reserve(wanted.size());
    // Each magnification of a font shares its metrics: they are read once.
    std::map<std::u16string, std::vector<BYTE>> images;
    for (const Wanted& w : wanted) {
      const std::u16string name = u"UFM:" + Widen(FontInfoMetricsName(w.fontInfo));
      auto known = images.find(name);
      if (known == images.end()) {
        auto read = source(context, name);
        if (!read || read->empty()) return ERROR_FILE_NOT_FOUND;
        known = images.emplace(name, std::move(*read)).first;
      }
      const std::vector<BYTE>* image = &known->second;
      std::unique_ptr<DeviceFontBlock> b;
      if (const DWORD error =
              DeviceFontBlock::Build(*image, w.fontInfo, w.magnification, dpiX, dpiY, b);
          error != ERROR_SUCCESS)
        return error;
      // A face of no height could not be chosen by any application.
      if (b->emHeight() != 0) built.push_back(std::move(b));
    }
    blocks_ = std::move(built);
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

const DeviceFontBlock* DeviceFontList::FindFamily(std::u16string_view family) const {
  for (const auto& b : blocks_)
    if (b->family() == family) return b.get();
  return nullptr;
}

}  // namespace trv::driver
