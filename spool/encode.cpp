#include "spool/writer.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::spool {

BOOL BuildRecord(std::vector<BYTE>& out, DWORD type, const void* payload, DWORD length,
                 const AllocationGate& gate) {
  // WritePrinter takes a 32-bit count: a record that overflows it would be cut.
  if ((payload == nullptr && length != 0) ||
      length > std::numeric_limits<DWORD>::max() - DCLD_HEADER_SIZE) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::size_t size = std::size_t{DCLD_HEADER_SIZE} + length;
  try {
    if (gate && !gate(size)) throw std::bad_alloc();
    out.assign(size, 0);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  WriteU32(out.data() + DCLD_OFFSET_HEADER_SIZE, DCLD_HEADER_SIZE);
  WriteU32(out.data() + DCLD_OFFSET_TYPE, type);
  WriteU32(out.data() + DCLD_OFFSET_LENGTH, length);
  WriteU32(out.data() + DCLD_OFFSET_MAGIC, DCLD_MAGIC);
  if (length != 0) std::memcpy(out.data() + DCLD_HEADER_SIZE, payload, length);
  return TRUE;
}

std::vector<BYTE> EncodeRecord(DWORD type, const void* payload, DWORD length) {
  std::vector<BYTE> out;
  if (!BuildRecord(out, type, payload, length)) {
    if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) throw std::bad_alloc();
    throw std::invalid_argument("record payload");
  }
  return out;
}

std::vector<BYTE> EncodeRecord(DWORD type, std::span<const BYTE> payload) {
  if (payload.size() > std::numeric_limits<DWORD>::max())
    throw std::invalid_argument("record payload");
  return EncodeRecord(type, payload.data(), static_cast<DWORD>(payload.size()));
}

}  // namespace trv::spool
