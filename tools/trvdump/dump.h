// The events of a record stream as the reader sees them: "R 0x%04X %u" for each
// record handed on (type, payload length) and "P %u" for each run of bytes passed
// through to the port. Verbose dumps add the decoded fields of each record.
#pragma once

#include <cstdio>
#include <optional>

#include "spool/dispatcher.h"
#include "spool/port_output.h"
#include "spool/record_sink.h"
#include "tools/trvdump/printing_handler.h"

namespace trv::dump {

class StreamDump : public spool::RecordSink, public spool::PortOutput {
 public:
  StreamDump(std::FILE* out, bool verbose);

  // Takes every record, whatever the dispatcher makes of it, so that the dump
  // goes on to the end of the stream.
  BOOL ProcessRecord(std::span<BYTE> record) override;
  BOOL WriteRaw(std::span<const BYTE> bytes) override;
  // Prints the run of passed-through bytes that is still open.
  void Finish();

 private:
  std::FILE* out_;
  // Passed-through bytes since the last record: one run, however many writes.
  unsigned long long run_ = 0;
  std::optional<PrintingHandler> handler_;
  std::optional<spool::RecordDispatcher> dispatcher_;
};

}  // namespace trv::dump
