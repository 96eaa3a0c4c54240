// A job's records through the EPL back-end to a port in memory (label_job.h tells
// the input's forms). Properties: nothing is read or written outside the records
// and the layer's own buffers (the sanitizers watch), and what the layer sends the
// printer is bounded by the size of the job.
#include <deque>

#include "dcl/epl/testing/epl_fixture.h"
#include "dcl/model/text_heap.h"
#include "fuzz/harness.h"
#include "fuzz/label_job.h"

namespace {

using namespace trv::dcl;
using epl::testing::MemoryPort;
using epl::testing::TestEpl;

// Fonts 1 to 4 (resident, a soft font, magnified 2 x 3, turned), a Code 128 (2)
// with its human-readable switch and a Code 39 (6), as the CPCL harness has them, so
// that one recipe serves both. The entries' texts live in `texts`.
void Install(TestEpl& layer, std::deque<TextHandle>& texts) {
  auto text = [&](const char* s) { return texts.emplace_back(s).get(); };
  auto font = [&](WORD id, const char* macro, DWORD infoFlags, WORD flags) -> TextFontEntry& {
    TextFontEntry f{};
    f.id = id;
    f.commandMacro = text(macro);
    f.info.flags = infoFlags;
    f.flags = flags;
    return layer.fonts.emplace_back(f);
  };
  font(1, "4", 0, 0);
  font(2, "a", 0, 0x02);
  TextFontEntry& magnified = font(3, "2", 0x300, 0);
  magnified.info.defaultMultiplierX = 2;
  magnified.info.defaultMultiplierY = 3;
  font(4, "3", 0x4000, 0);
  auto barcode = [&](WORD id, const char* macro) {
    BarcodeFontEntry b{};
    b.id = id;
    b.commandMacro = text(macro);
    layer.barcodes.push_back(b);
  };
  auto property = [&](WORD key, WORD option, WORD flags, const char* value) {
    BarcodeOptionEntry p{};
    p.key = key;
    p.optionId = option;
    p.flags = flags;
    p.value = text(value);
    layer.properties.push_back(p);
  };
  barcode(2, "B%x,%y,%(4),1,%(1),%(2),%(3),%(5),\"%d\"%n");
  property(2, 4, 0x800, "0");
  property(2, 1, 0, "2");
  property(2, 2, 0, "5");
  property(2, 3, 0x100, "99");
  property(2, 5, 0x200, "B");
  barcode(6, "B%x,%y,%(4),3,%(1),%(2),%(3),%(5),\"%d\"%n");
  property(ANY_KEY, 4, 0x800, "0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint32_t hash = trv::fuzz::HashOf(data, size);
  std::deque<TextHandle> texts;
  TestEpl layer;
  layer.model.id = 1;
  layer.model.resolutionX = layer.model.resolutionY = 203;
  layer.paper.id = 1;
  layer.SetConfig(epl::testing::FullConfig());
  Install(layer, texts);
  MemoryPort port;
  port.keep = false;
  port.failWrite = trv::fuzz::FailingWriteOf(hash);
  epl::testing::UseMemoryPort(layer, &port);
  trv::fuzz::FeedLabelJob(layer, data, size, hash);
  FUZZ_CHECK(port.count <= trv::fuzz::SentBound(size));
  layer.Port().handle = INVALID_HANDLE_VALUE;
  return 0;
}
