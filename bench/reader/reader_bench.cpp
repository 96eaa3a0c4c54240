// Throughput of the port reader on a typical label job: one 812 x 1218 dot page
// bitmap and a few hundred page objects, handed over as the spooler would (4 KiB
// pieces) and in one piece.
#include <benchmark/benchmark.h>

#include <vector>

#include "spool/reader.h"
#include "tools/trvjob/sample_job.h"

namespace {

using trv::spool::PortReader;

// Accepts everything and touches each record, as a cheap DCL object would.
class CountingSink : public trv::spool::RecordSink, public trv::spool::PortOutput {
 public:
  BOOL ProcessRecord(std::span<BYTE> record) override {
    records_ += 1;
    bytes_ += record.size();
    return TRUE;
  }
  BOOL WriteRaw(std::span<const BYTE> bytes) override {
    bytes_ += bytes.size();
    return TRUE;
  }
  std::size_t records() const { return records_; }

 private:
  std::size_t records_ = 0;
  std::size_t bytes_ = 0;
};

std::vector<BYTE> LabelJob() {
  trv::samples::SampleJobOptions options;
  options.width = 812;
  options.height = 1218;
  options.pages = 1;
  options.objects = 300;
  return trv::samples::MakeSampleJob(options);
}

void FeedJob(benchmark::State& state) {
  std::vector<BYTE> job = LabelJob();
  const std::size_t piece =
      state.range(0) == 0 ? job.size() : static_cast<std::size_t>(state.range(0));
  CountingSink sink;
  for (auto _ : state) {
    PortReader port;
    for (std::size_t at = 0; at < job.size(); at += piece) {
      const std::size_t size = std::min(piece, job.size() - at);
      DWORD written = 0;
      if (!trv::spool::FeedPort(port, sink, sink, std::span<BYTE>(job).subspan(at, size),
                                written)) {
        state.SkipWithError("FeedPort failed");
        return;
      }
    }
    benchmark::DoNotOptimize(sink.records());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * job.size()));
  state.counters["job_bytes"] = static_cast<double>(job.size());
}

// 4096: the spooler's pieces; 0: the whole job at once.
BENCHMARK(FeedJob)->Arg(4096)->Arg(0)->ArgName("piece");

}  // namespace

BENCHMARK_MAIN();
