// The resource directory that a module carries in its trv_rsrc section.
//
// Layout (little-endian):
//   header, 16 bytes: u32 magic "TRVR", u16 format version (1), u16 entry size
//     (20), u32 entry count, u32 size of the whole directory in bytes;
//   entries, 20 bytes each: u32 type, u32 name, u16 language, u16 zero,
//     u32 data offset, u32 data size. A type or name with bit 31 set is the
//     offset of a counted text (u16 length, then that many UTF-16 units);
//     otherwise it is the number;
//   texts and data, data aligned to 8 bytes. Offsets count from the directory's
//     first byte.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/resources.h"

namespace trv::resources {

constexpr DWORD kDirectoryMagic = 0x52565254;  // "TRVR"
constexpr WORD kDirectoryVersion = 1;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 20;
constexpr DWORD kNameFlag = 0x80000000u;

// One resource as read from a directory; the data stays in the directory's bytes.
struct DirectoryEntry {
  ResourceId type;
  ResourceId name;
  LANGID language;
  std::span<const BYTE> data;
};

// The entries of a directory, or nothing when the bytes are not a well-formed
// directory (bad magic or version, fields or data reaching past its end).
std::optional<std::vector<DirectoryEntry>> ParseDirectory(std::span<const BYTE> bytes);

}  // namespace trv::resources
