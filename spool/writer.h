// The writing side of the record stream: the graphics driver turns each step of
// a job into one record and hands it to the spooler in one WritePrinter call.
#pragma once

#include <span>
#include <vector>

#include "platform/windef.h"
#include "spool/allocation.h"

namespace trv::spool {

// Fills `out` with the exact bytes of one record: a zero-filled header with the
// header size, the type, the payload length and the magic, then the payload.
// Fails with ERROR_INVALID_PARAMETER for a null payload of non-zero length or a
// payload whose record would not fit a 32-bit size, and with
// ERROR_NOT_ENOUGH_MEMORY when the buffer cannot be had.
BOOL BuildRecord(std::vector<BYTE>& out, DWORD type, const void* payload, DWORD length,
                 const AllocationGate& gate = {});

// The same, returning the bytes; throws std::bad_alloc or std::invalid_argument
// where BuildRecord fails. For tools and tests that assemble whole streams.
std::vector<BYTE> EncodeRecord(DWORD type, const void* payload, DWORD length);
std::vector<BYTE> EncodeRecord(DWORD type, std::span<const BYTE> payload);

// Builds the record in one buffer and hands it to WritePrinter in one call, so
// that a record never reaches the job in pieces. Returns WritePrinter's result
// (the byte count it reports is not examined); a buffer that cannot be built
// fails as BuildRecord does, without calling WritePrinter.
BOOL WriteRecord(HANDLE printer, DWORD type, const void* payload, DWORD length);

}  // namespace trv::spool
