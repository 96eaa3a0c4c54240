// Kept apart from the encoder: only what really writes jobs links WritePrinter.
#include <vector>

#include "platform/winspool.h"
#include "spool/writer.h"

namespace trv::spool {

BOOL WriteRecord(HANDLE printer, DWORD type, const void* payload, DWORD length) {
  std::vector<BYTE> record;
  if (!BuildRecord(record, type, payload, length)) return FALSE;
  DWORD written = 0;
  return WritePrinter(printer, record.data(), static_cast<DWORD>(record.size()), &written);
}

}  // namespace trv::spool
