// Reading the resource directory of a module.
#include "platform/resources/directory.h"

#include "platform/resources/bytes.h"

namespace trv::resources {
namespace {

// Fills `id` from an entry's type or name field; false when the field is neither
// a valid number nor the offset of a text within the directory.
bool ReadId(std::span<const BYTE> bytes, DWORD field, ResourceId& id) {
  if ((field & kNameFlag) == 0) {
    if (field == 0 || field > 0xFFFF) return false;
    id = static_cast<WORD>(field);
    return true;
  }
  size_t offset = field & ~kNameFlag;
  auto length = ReadLE<WORD>(bytes, offset);
  if (!length || *length == 0 || !InBounds(offset + 2, size_t{*length} * 2, bytes.size()))
    return false;
  std::u16string text(*length, u'\0');
  for (size_t i = 0; i < *length; ++i) text[i] = *ReadLE<WORD>(bytes, offset + 2 + 2 * i);
  id = std::move(text);
  return true;
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> ParseDirectory(std::span<const BYTE> bytes) {
  auto magic = ReadLE<DWORD>(bytes, 0);
  auto version = ReadLE<WORD>(bytes, 4);
  auto entrySize = ReadLE<WORD>(bytes, 6);
  auto count = ReadLE<DWORD>(bytes, 8);
  auto total = ReadLE<DWORD>(bytes, 12);
  if (!total || *magic != kDirectoryMagic || *version != kDirectoryVersion ||
      *entrySize != kDirectoryEntrySize || *total > bytes.size() || *total < kDirectoryHeaderSize)
    return std::nullopt;
  bytes = bytes.first(*total);  // a section may be padded beyond its directory
  if (*count > (bytes.size() - kDirectoryHeaderSize) / kDirectoryEntrySize) return std::nullopt;

  std::vector<DirectoryEntry> entries;
  entries.reserve(*count);
  for (size_t i = 0; i < *count; ++i) {
    size_t at = kDirectoryHeaderSize + i * kDirectoryEntrySize;
    DirectoryEntry entry{};
    entry.language = *ReadLE<WORD>(bytes, at + 8);
    DWORD offset = *ReadLE<DWORD>(bytes, at + 12);
    DWORD size = *ReadLE<DWORD>(bytes, at + 16);
    if (!ReadId(bytes, *ReadLE<DWORD>(bytes, at), entry.type) ||
        !ReadId(bytes, *ReadLE<DWORD>(bytes, at + 4), entry.name) ||
        !InBounds(offset, size, bytes.size()))
      return std::nullopt;
    entry.data = bytes.subspan(offset, size);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace trv::resources
