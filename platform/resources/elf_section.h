// Finding a named section in an ELF64 little-endian file (the form of every module
// on this platform) through its section headers, checking every offset and size
// against the file before reading.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/resources/bytes.h"

namespace trv::resources {

enum class SectionStatus {
  Found,
  NotElf,      // not an ELF file at all
  Missing,     // an ELF file without that section
  Malformed,   // an ELF file whose headers or tables do not fit or make sense
  ReadFailed,  // the file could not be read where its headers point
};

// Reads `size` bytes at `offset` into `out`; false when they cannot all be read.
using ReadAt = std::function<bool(std::uint64_t offset, size_t size, BYTE* out)>;

SectionStatus ReadElfSection(std::uint64_t fileSize, const ReadAt& read, std::string_view name,
                             std::vector<BYTE>& contents);

}  // namespace trv::resources
