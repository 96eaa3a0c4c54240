// A job's records through the CPCL back-end to a port in memory (label_job.h tells
// the input's forms). Properties: nothing is read or written outside the records
// and the layer's own buffers (the sanitizers watch), and what the layer sends the
// printer is bounded by the size of the job.
#include "dcl/cpcl/testing/cpcl_fixture.h"
#include "fuzz/harness.h"
#include "fuzz/label_job.h"

namespace {

using namespace trv::dcl;
using namespace trv::dcl::testing;

// The tests' installation, and a QR code whose command spans several lines.
void Install(TestCpcl& layer) {
  InstallSamples(layer);
  layer.AddBarcode(6, "B QR %x %y M 2 U 6%r%nMA,%d%r%nENDQR%r%n");
  layer.AddProperty(ANY_KEY, 4, 0x800, "B");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint32_t hash = trv::fuzz::HashOf(data, size);
  TestCpcl layer;
  Install(layer);
  Script().writesBeforeFail = trv::fuzz::FailingWriteOf(hash);
  trv::fuzz::FeedLabelJob(layer, data, size, hash);
  FUZZ_CHECK(Script().written.size() <= trv::fuzz::SentBound(size));
  return 0;
}
