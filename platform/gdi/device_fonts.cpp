#include "platform/gdi/device_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/kernel.h"
#include "platform/kernel/text.h"

namespace trv::gdi {

namespace {

// A face's metrics are at most this large; anything beyond is taken as damage.
constexpr ULONG kMaxIfiSize = 0x10000;
// A glyph set of more runs or glyphs than a 16-bit code space holds is damaged.
constexpr ULONG kMaxGlyphRuns = 0x10000;

// The zero-terminated string at `offset` after the metrics' fields, or nothing
// when it does not end inside them.
std::optional<std::u16string> IfiString(const std::vector<BYTE>& ifi, PTRDIFF offset) {
  if (offset < static_cast<PTRDIFF>(offsetof(IFIMETRICS, Align)) ||
      static_cast<size_t>(offset) >= ifi.size())
    return std::nullopt;
  std::u16string out;
  for (size_t at = static_cast<size_t>(offset); at + 1 < ifi.size(); at += 2) {
    char16_t c;
    std::memcpy(&c, ifi.data() + at, sizeof c);
    if (c == 0) return out;
    out += c;
  }
  return std::nullopt;
}

// The driver's metrics of face k, copied; nothing when absent or damaged.
std::optional<DeviceFace> QueryFace(const DeviceFontDriver& driver, ULONG k) {
  ULONG_PTR id = 0;
  const IFIMETRICS* m = driver.queryFont(driver.dhpdev, 0, k, &id);
  if (m == nullptr || m->cjThis < sizeof(IFIMETRICS) || m->cjThis > kMaxIfiSize)
    return std::nullopt;
  DeviceFace face;
  face.index = k;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(m);
  face.ifi.assign(bytes, bytes + m->cjThis);
  std::optional<std::u16string> family = IfiString(face.ifi, m->dpwszFamilyName);
  if (!family || family->empty()) return std::nullopt;
  face.family = std::move(*family);
  return face;
}

// The driver's glyph set of face k: Unicode to the driver's glyph handles.
void QueryGlyphSet(const DeviceFontDriver& driver, DeviceFace& face) {
  if (driver.queryFontTree == nullptr) return;
  ULONG_PTR id = 0;
  auto* set = static_cast<FD_GLYPHSET*>(
      driver.queryFontTree(driver.dhpdev, 0, face.index, QFT_GLYPHSET, &id));
  if (set == nullptr) return;
  if (set->cRuns <= kMaxGlyphRuns) {
    for (ULONG r = 0; r < set->cRuns; ++r) {
      const WCRUN& run = set->awcrun[r];
      for (ULONG i = 0; i < run.cGlyphs && run.wcLow + i <= 0xFFFF; ++i) {
        HGLYPH g = run.phg != nullptr ? run.phg[i] : run.wcLow + i;
        face.glyphs.emplace(static_cast<char16_t>(run.wcLow + i), g);
      }
    }
  }
  if (driver.free != nullptr) driver.free(set, id);
}

LONG Round(double v) { return static_cast<LONG>(std::lround(v)); }

}  // namespace

double DeviceFace::NaturalEm(POINT dpi) const {
  const IFIMETRICS& m = metrics();
  double aspect = m.ptlAspect.y > 0 ? m.ptlAspect.y : dpi.y;
  return m.fwdUnitsPerEm * static_cast<double>(dpi.y) / aspect;
}

HGLYPH DeviceFace::GlyphOf(char16_t c) const {
  const IFIMETRICS& m = metrics();
  if (!glyphs.empty()) {
    auto it = glyphs.find(c);
    if (it == glyphs.end()) it = glyphs.find(m.wcDefaultChar);
    return it != glyphs.end() ? it->second : 0;
  }
  // Without a glyph set the handles count the face's characters in its code page
  // from the first one, as the engine's glyph sets for device fonts do.
  char byte = 0;
  BOOL defaulted = FALSE;
  WCHAR w = c;
  if (WideCharToMultiByte(CP_ACP, 0, &w, 1, &byte, 1, nullptr, &defaulted) != 1 || defaulted)
    byte = static_cast<char>(m.chDefaultChar);
  BYTE b = static_cast<BYTE>(byte);
  if (b < m.chFirstChar || b > m.chLastChar) b = m.chDefaultChar;
  return b >= m.chFirstChar ? b - m.chFirstChar : 0;
}

std::vector<DeviceFace> QueryDeviceFaces(const DeviceFontDriver& driver) {
  std::vector<DeviceFace> faces;
  if (driver.queryFont == nullptr) return faces;
  ULONG_PTR id = 0;
  DWORD error = GetLastError();
  auto count =
      static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(driver.queryFont(driver.dhpdev, 0, 0, &id)));
  count = std::min(count, kMaxDeviceFaces);
  for (ULONG k = 1; k <= count; ++k) {
    std::optional<DeviceFace> face = QueryFace(driver, k);
    if (!face) continue;
    QueryGlyphSet(driver, *face);
    faces.push_back(std::move(*face));
  }
  // Asking is not failing: the application's last error stays as it was.
  SetLastError(error);
  return faces;
}

const DeviceFace* MatchDeviceFace(const std::vector<DeviceFace>& faces, std::u16string_view name,
                                  double emDots, POINT dpi) {
  const DeviceFace* best = nullptr;
  double bestDistance = 0;
  for (const DeviceFace& face : faces) {
    if (kernel::CompareNoCaseW(face.family, name) != 0) continue;
    double distance = emDots > 0 ? std::fabs(face.NaturalEm(dpi) - emDots) : 0;
    if (best == nullptr || distance < bestDistance) {
      best = &face;
      bestDistance = distance;
    }
  }
  return best;
}

std::unique_ptr<DeviceFont> RealizeDeviceFont(const DeviceFace& face, double emDots,
                                              double widthDots, int escapement, POINT dpi,
                                              ULONG uniqueness) {
  const IFIMETRICS& m = face.metrics();
  if (m.fwdUnitsPerEm <= 0 || dpi.x <= 0 || dpi.y <= 0) return nullptr;
  auto out = std::make_unique<DeviceFont>();
  out->face = &face;
  double em = emDots > 0 ? emDots : face.NaturalEm(dpi);
  out->scaleY = em / m.fwdUnitsPerEm;
  // Font units are square at the face's design resolution.
  double ax = m.ptlAspect.x > 0 ? m.ptlAspect.x : dpi.x;
  double ay = m.ptlAspect.y > 0 ? m.ptlAspect.y : dpi.y;
  out->scaleX = out->scaleY * (dpi.x / ax) / (dpi.y / ay);
  if (widthDots > 0 && m.fwdAveCharWidth > 0) out->scaleX = widthDots / m.fwdAveCharWidth;
  auto font = std::make_unique<Font>();
  font->iUniq = uniqueness;
  font->iFace = face.index;
  font->flFontType = FO_TYPE_DEVICE;
  font->cxMax = static_cast<ULONG>(std::max<LONG>(0, Round(m.fwdMaxCharInc * out->scaleX)));
  font->sizLogResPpi = {dpi.x, dpi.y};
  font->ifi = face.ifi;
  font->SetScaleAndBaseline(out->scaleX, out->scaleY, escapement);
  out->font = std::move(font);
  return out;
}

LONG DeviceFont::Ascent() const { return Round(face->metrics().fwdWinAscender * scaleY); }
LONG DeviceFont::Descent() const {
  return Round(std::abs(static_cast<int>(face->metrics().fwdWinDescender)) * scaleY);
}
LONG DeviceFont::AverageWidth() const { return Round(face->metrics().fwdAveCharWidth * scaleX); }
LONG DeviceFont::MaxWidth() const { return Round(face->metrics().fwdMaxCharInc * scaleX); }
LONG DeviceFont::InternalLeading() const {
  return std::max<LONG>(0, Ascent() + Descent() - Round(face->metrics().fwdUnitsPerEm * scaleY));
}

LONG DeviceFont::Advance(const DeviceFontDriver& driver, HGLYPH glyph) {
  auto known = advances.find(glyph);
  if (known != advances.end()) return known->second;
  LONG advance = AverageWidth();
  if (driver.queryFontData != nullptr) {
    GLYPHDATA data{};
    DWORD error = GetLastError();
    LONG rc = driver.queryFontData(driver.dhpdev, font.get(), QFD_GLYPHANDBITMAP, glyph, &data,
                                   nullptr, 0);
    SetLastError(error);
    // 28.4 fixed point, to the nearest dot.
    if (rc != static_cast<LONG>(FD_ERROR) && data.fxD >= 0) advance = (data.fxD + 8) >> 4;
  }
  advances.emplace(glyph, advance);
  return advance;
}

}  // namespace trv::gdi
