#include "driver/font_queries.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/last_error.h"
#include "platform/winerror.h"
#include "platform/wingdi.h"

namespace trv::driver {

FontTransform::FontTransform(FONTOBJ* font) {
  XFORMOBJ* xform = font != nullptr ? FONTOBJ_pxoGetXform(font) : nullptr;
  if (xform == nullptr) return;
  XFORMOBJ_iGetXform(xform, &m_);
  valid_ = true;
}

void FontTransform::Apply(long long x, long long y, bool fix, long long& ox, long long& oy) const {
  // A vector: the translation plays no part.
  const double scale = fix ? 16.0 : 1.0;
  const double dx = (static_cast<double>(m_.eM11) * x + static_cast<double>(m_.eM21) * y) * scale;
  const double dy = (static_cast<double>(m_.eM12) * x + static_cast<double>(m_.eM22) * y) * scale;
  // A transform GDI built never reaches these bounds; one that would is held at them.
  constexpr double kMax = 1e15;
  ox = std::llround(std::clamp(dx, -kMax, kMax));
  oy = std::llround(std::clamp(dy, -kMax, kMax));
}

unsigned long long FontTransform::Length(long long x, long long y, bool fix) const {
  long long ox = 0, oy = 0;
  Apply(x, y, fix, ox, oy);
  return VectorLength(ox, oy);
}

unsigned long long VectorLength(long long x, long long y) {
  // Coordinates are kept within 2^31 so that the sum of squares fits 64 bits.
  const auto ax = static_cast<unsigned long long>(std::min<long long>(std::llabs(x), 0x7FFFFFFF));
  const auto ay = static_cast<unsigned long long>(std::min<long long>(std::llabs(y), 0x7FFFFFFF));
  const unsigned long long sum = ax * ax + ay * ay;
  auto r = static_cast<unsigned long long>(std::sqrt(static_cast<long double>(sum)));
  while (r * r > sum) --r;
  while ((r + 1) * (r + 1) <= sum) ++r;
  return r;
}

PIFIMETRICS QueryFont(const DeviceFontList& fonts, ULONG face, ULONG_PTR* id) {
  if (id != nullptr) *id = 0;
  // GDI reads the count of faces out of the pointer it gets for face 0.
  if (face == 0) return reinterpret_cast<PIFIMETRICS>(static_cast<ULONG_PTR>(fonts.count()));
  DeviceFontBlock* block = fonts.face(face);
  if (block == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  return block->ifiPointer();
}

PVOID QueryFontTree(const DeviceFontList& fonts, ULONG face, ULONG mode, ULONG_PTR* id) {
  const DeviceFontBlock* block = fonts.face(face);
  if (block == nullptr || (mode != QFT_GLYPHSET && mode != QFT_KERNPAIRS))
    return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  if (mode == QFT_GLYPHSET) {
    const IFIMETRICS& m = block->ifi();
    const INT count = INT{m.chLastChar} - INT{m.chFirstChar} + 1;
    // A font whose last character comes before its first has no glyphs to offer.
    if (count <= 0) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
    FD_GLYPHSET* set =
        EngComputeGlyphSet(static_cast<INT>(block->codePage()), m.chFirstChar, count);
    if (set != nullptr && id != nullptr) *id = kGlyphSetId;
    return set;
  }
  const auto pairs = block->kerningPairs();
  if (pairs.empty()) return nullptr;
  auto* tree = new (std::nothrow) FD_KERNINGPAIR[pairs.size() + 1]{};
  if (tree == nullptr) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  std::memcpy(tree, pairs.data(), pairs.size_bytes());
  if (id != nullptr) *id = kKerningPairsId;
  return tree;
}

void FreeFontTree(PVOID tree, ULONG_PTR id) {
  if (tree == nullptr) return;
  if (id == kGlyphSetId) EngFreeMem(tree);
  if (id == kKerningPairsId) delete[] static_cast<FD_KERNINGPAIR*>(tree);
}

namespace {

constexpr long long kLongMin = std::numeric_limits<LONG>::min();
constexpr long long kLongMax = std::numeric_limits<LONG>::max();

POINTL PointOf(const FontTransform& t, long long x, long long y) {
  long long ox = 0, oy = 0;
  t.Apply(x, y, false, ox, oy);
  return {static_cast<LONG>(std::clamp<long long>(ox, kLongMin, kLongMax)),
          static_cast<LONG>(std::clamp<long long>(oy, kLongMin, kLongMax))};
}

FIX FixOf(long long v) { return static_cast<FIX>(std::clamp<long long>(v, kLongMin, kLongMax)); }

// The unit vector along T(x, y); along the x axis when the transform flattens it.
POINTE Direction(const FontTransform& t, long long x, long long y) {
  long long ox = 0, oy = 0;
  t.Apply(x, y, false, ox, oy);
  unsigned long long len = VectorLength(ox, oy);
  if (len == 0) {
    t.Apply(x, y, true, ox, oy);
    len = VectorLength(ox, oy);
  }
  if (len == 0) return {1, 0};
  return {static_cast<FLOATL>(static_cast<double>(ox) / static_cast<double>(len)),
          static_cast<FLOATL>(static_cast<double>(oy) / static_cast<double>(len))};
}

LONG GlyphMetrics(const DeviceFontBlock& block, const FontTransform& t, HGLYPH glyph,
                  GLYPHDATA* data) {
  if (data == nullptr) return 0;
  const IFIMETRICS& m = block.ifi();
  const long long w = block.GlyphWidth(glyph);
  *data = GLYPHDATA{};
  data->hg = glyph;
  data->fxA = 0;
  const long long advance = RoundFix(w * static_cast<long long>(t.Length(4096, 0, true)) / 4096);
  data->fxD = data->fxAB = FixOf(advance);
  long long dx = 0, dy = 0;
  t.Apply(4096, 0, true, dx, dy);
  data->ptqD.x.QuadPart = (RoundFix(w * dx / 4096) / 16) * (1LL << 32);
  data->ptqD.y.QuadPart = (RoundFix(w * dy / 4096) / 16) * (1LL << 32);
  data->fxInkTop = FixOf(RoundFix(static_cast<long long>(t.Length(0, m.rclFontBox.top, true))));
  data->fxInkBottom =
      FixOf(RoundFix(static_cast<long long>(t.Length(0, m.rclFontBox.bottom, true))));
  return 0;
}

LONG DeviceMetrics(const DeviceFontBlock& block, const FontTransform& t, HGLYPH glyph, PVOID buffer,
                   ULONG size) {
  if (buffer == nullptr) return kDeviceMetricsSize;
  if (size < static_cast<ULONG>(kDeviceMetricsSize))
    return SetLastError(ERROR_INSUFFICIENT_BUFFER), static_cast<LONG>(FD_ERROR);
  const IFIMETRICS& m = block.ifi();
  const bool fixedPitch = (m.jWinPitchAndFamily & FIXED_PITCH) != 0;
  FD_DEVICEMETRICS d{};
  d.flRealizedType = 0;
  d.pteBase = Direction(t, std::max<long long>(block.GlyphWidth(glyph), 1), 0);
  d.pteSide = Direction(t, 0, -static_cast<long long>(m.fwdUnitsPerEm));
  d.cxMax = static_cast<ULONG>(
      std::min<unsigned long long>(t.Length(m.fwdMaxCharInc, 0, false), 0xFFFFFFFF));
  d.lD = fixedPitch ? static_cast<LONG>(std::min<ULONG>(d.cxMax, 0x7FFFFFFF)) : 0;
  d.fxMaxAscender = FixOf(RoundFix(static_cast<long long>(t.Length(0, m.rclFontBox.top, true))));
  d.fxMaxDescender =
      FixOf(RoundFix(static_cast<long long>(t.Length(0, std::llabs(m.rclFontBox.bottom), true))));
  d.ptlUnderline1 = PointOf(t, 0, -static_cast<long long>(m.fwdUnderscorePosition));
  d.ptlStrikeOut = PointOf(t, 0, -static_cast<long long>(m.fwdStrikeoutPosition));
  d.ptlULThickness = d.ptlSOThickness = PointOf(t, 0, m.fwdUnderscoreSize);
  d.lNonLinearExtLeading = 0;
  d.lNonLinearIntLeading = 0;
  std::memcpy(buffer, &d, sizeof d);
  return kDeviceMetricsSize;
}

}  // namespace

LONG QueryFontData(const DeviceFontList& fonts, FONTOBJ* font, ULONG mode, HGLYPH glyph,
                   GLYPHDATA* data, PVOID buffer, ULONG size) {
  const DeviceFontBlock* block = font != nullptr ? fonts.face(font->iFace) : nullptr;
  if (block == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), static_cast<LONG>(FD_ERROR);
  const FontTransform t(font);
  switch (mode) {
    case QFD_GLYPHANDBITMAP: return GlyphMetrics(*block, t, glyph, data);
    case QFD_MAXEXTENTS: return DeviceMetrics(*block, t, glyph, buffer, size);
    default: return static_cast<LONG>(FD_ERROR);
  }
}

}  // namespace trv::driver
