#include "dcl/cpcl/tests/cpcl_job.h"

namespace trv::dcl::testing {

size_t Feed(TestCpcl& layer, std::vector<Record>& records) {
  size_t done = 0;
  for (Record& r : records) {
    if (!layer.ProcessRecord(std::span<BYTE>(r.data(), r.size()))) break;
    ++done;
  }
  return done;
}

std::vector<Record> PageJob(const OptionBlobs& options, DWORD width, DWORD height,
                            DWORD orientation, std::vector<Record> items, WORD copies) {
  std::vector<Record> job{Blobs(true, options), Blobs(false, options),
                          DocBegin(width, height, orientation), PageBegin(copies)};
  for (Record& r : items) job.push_back(std::move(r));
  job.push_back(PageEnd(copies));
  job.push_back(DocEnd());
  return job;
}

}  // namespace trv::dcl::testing
