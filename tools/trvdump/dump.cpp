#include "tools/trvdump/dump.h"

#include "platform/kernel.h"
#include "spool/record.h"

namespace trv::dump {

StreamDump::StreamDump(std::FILE* out, bool verbose) : out_(out) {
  if (verbose) {
    handler_.emplace(out);
    dispatcher_.emplace(*handler_);
  }
}

BOOL StreamDump::ProcessRecord(std::span<BYTE> record) {
  Finish();
  std::fprintf(out_, "R 0x%04X %u\n", spool::RecordType(record.data()),
               spool::RecordPayloadLength(record.data()));
  if (dispatcher_) {
    const unsigned before = handler_->lines();
    if (!dispatcher_->ProcessRecord(record)) {
      std::fprintf(out_, "  refused, error %u\n", GetLastError());
    } else if (handler_->lines() == before) {
      std::fprintf(out_, "  ignored\n");
    }
  }
  return TRUE;
}

BOOL StreamDump::WriteRaw(std::span<const BYTE> bytes) {
  run_ += bytes.size();
  return TRUE;
}

void StreamDump::Finish() {
  if (run_ == 0) return;
  std::fprintf(out_, "P %llu\n", run_);
  run_ = 0;
}

}  // namespace trv::dump
