// A stored font-metrics image (UFM) as the back-ends and trvufm read it. Properties:
// an image the checker accepts is accepted again when cut to the size it declares
// and refused one byte shorter (every offset it follows lies inside that size); its
// four strings read without leaving it; and scaling it by a font's multipliers
// writes only the fields it scales and leaves an image the checker still accepts.
#include <algorithm>
#include <span>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/ufm.h"
#include "fuzz/harness.h"

namespace fonts = trv::dcl::fonts;

namespace {

// The IFIMETRICS fields scaling may write, with their sizes.
struct Field {
  size_t offset, size;
};
constexpr Field kScaled[] = {
    {fonts::ifi::kWinAscender, 2},      {fonts::ifi::kWinDescender, 2},
    {fonts::ifi::kMacAscender, 2},      {fonts::ifi::kMacDescender, 2},
    {fonts::ifi::kMacLineGap, 2},       {fonts::ifi::kTypoAscender, 2},
    {fonts::ifi::kTypoDescender, 2},    {fonts::ifi::kTypoLineGap, 2},
    {fonts::ifi::kCapHeight, 2},        {fonts::ifi::kXHeight, 2},
    {fonts::ifi::kSubscriptYSize, 2},   {fonts::ifi::kSubscriptYOffset, 2},
    {fonts::ifi::kSuperscriptYSize, 2}, {fonts::ifi::kSuperscriptYOffset, 2},
    {fonts::ifi::kUnitsPerEm, 2},       {fonts::ifi::kLowestPPEm, 2},
    {fonts::ifi::kBaselineY, 4},        {fonts::ifi::kCaretY, 4},
    {fonts::ifi::kFontBoxTop, 4},       {fonts::ifi::kFontBoxBottom, 4},
    {fonts::ifi::kAveCharWidth, 2},     {fonts::ifi::kMaxCharInc, 2},
    {fonts::ifi::kBaselineX, 4},        {fonts::ifi::kCaretX, 4},
    {fonts::ifi::kFontBoxLeft, 4},      {fonts::ifi::kFontBoxRight, 4}};

bool InScaledField(size_t at, size_t ifiAt) {
  return std::any_of(std::begin(kScaled), std::end(kScaled), [&](const Field& f) {
    return at >= ifiAt + f.offset && at < ifiAt + f.offset + f.size;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const BYTE> image(data, size);
  if (fonts::CheckUfmImage(image) != ERROR_SUCCESS) return 0;

  const size_t total = fonts::ReadAt<DWORD>(image, fonts::ufm::kTotalSize);
  FUZZ_CHECK(total <= size);
  FUZZ_CHECK(fonts::CheckUfmImage(image.first(total)) == ERROR_SUCCESS);
  FUZZ_CHECK(fonts::CheckUfmImage(image.first(total - 1)) == ERROR_BAD_FORMAT);

  const size_t ifiAt = fonts::ReadAt<DWORD>(image, fonts::ufm::kIfiMetrics);
  if (ifiAt != 0) {
    for (size_t field : {fonts::ifi::kFamilyName, fonts::ifi::kStyleName, fonts::ifi::kFaceName,
                         fonts::ifi::kUniqueName}) {
      const std::u16string s = fonts::ReadIfiString(image.first(total), ifiAt, field);
      FUZZ_CHECK(s.size() * 2 < total);
    }
  }

  // Both multipliers, with values taken from the image so that overflow is reached.
  trv::dcl::FontInfo info{};
  info.flags = 0x300;
  info.defaultMultiplierX = 2 + (data[size - 1] & 0x7F);
  info.defaultMultiplierY = 3 + (data[size - 2] & 0xFF) * 257;
  std::vector<BYTE> scaled(image.begin(), image.end());
  if (fonts::ScaleFontMetrics(scaled, info) == ERROR_SUCCESS) {
    FUZZ_CHECK(scaled.size() == size);
    FUZZ_CHECK(fonts::CheckUfmImage(scaled) == ERROR_SUCCESS);
    for (size_t i = 0; i < size; ++i)
      if (scaled[i] != data[i]) FUZZ_CHECK(ifiAt != 0 && InScaledField(i, ifiAt));
  }
  return 0;
}
