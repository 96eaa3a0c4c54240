// A CPCL job as a printer received it, read label by label into the dots its
// graphics print. Properties: the reader fails only with a message; every label it
// gives has a page whose rows hold exactly its width and height; a PCX image read
// on its own takes at least its header and never more than it was given.
#include <span>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "tools/trvcpclpages/cpcl_pages.h"

namespace cp = trv::cpclpages;

namespace {

void CheckPage(const cp::ImagePage& page) {
  FUZZ_CHECK(page.stride >= (page.width + 7) / 8);
  FUZZ_CHECK(page.rows.size() == size_t{page.stride} * page.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const BYTE> bytes(data, size);

  std::vector<cp::Label> labels;
  std::string error;
  if (cp::DecodeLabels(bytes, &labels, &error)) {
    for (const cp::Label& label : labels) CheckPage(label.dots);
  } else {
    FUZZ_CHECK(!error.empty());
  }

  cp::ImagePage image;
  size_t consumed = 0;
  error.clear();
  if (cp::DecodePcx(bytes, &image, &consumed, &error)) {
    FUZZ_CHECK(consumed >= cp::kPcxHeaderSize && consumed <= size);
    CheckPage(image);
  } else {
    FUZZ_CHECK(!error.empty());
  }
  return 0;
}
