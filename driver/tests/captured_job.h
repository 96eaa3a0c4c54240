// The records a driver writes, captured as the spooler would receive them: each
// built by the record writer, the stream read back record by record.
#pragma once

#include <utility>
#include <vector>

#include "driver/page_output.h"
#include "platform/kernel.h"
#include "platform/winerror.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace trv::driver::testing {

using Bytes = std::vector<BYTE>;

struct CapturedJob {
  Bytes stream;
  int calls = 0;
  int failAt = -1;  // the call that fails (0-based), -1 for none
  RecordWriter writer() {
    return [this](DWORD type, const void* payload, DWORD length) -> BOOL {
      if (calls++ == failAt) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
      }
      Bytes record;
      if (!spool::BuildRecord(record, type, payload, length)) return FALSE;
      stream.insert(stream.end(), record.begin(), record.end());
      return TRUE;
    };
  }
  // The records in order: type and payload.
  std::vector<std::pair<DWORD, Bytes>> records() const {
    std::vector<std::pair<DWORD, Bytes>> out;
    for (std::size_t at = 0; at + 48 <= stream.size();) {
      const DWORD n = spool::RecordPayloadLength(stream.data() + at);
      const BYTE* p = stream.data() + at + 48;
      out.emplace_back(spool::RecordType(stream.data() + at), Bytes(p, p + n));
      at += 48 + n;
    }
    return out;
  }
};

}  // namespace trv::driver::testing
