// Where the reader hands each complete record: the job's DCL object, a dump, a
// test. The record spans header and payload and may lie inside the caller's
// buffer of the current WritePort call, so it is only valid during the call; the
// sink may rewrite page-object fields in place.
#pragma once

#include <span>

#include "platform/windef.h"

namespace trv::spool {

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Non-zero for success; zero with the last error set for failure, where a zero
  // last error means the user chose to cancel the job.
  virtual BOOL ProcessRecord(std::span<BYTE> record) = 0;
};

}  // namespace trv::spool
