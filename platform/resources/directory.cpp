// Reading the resource directory of a module.
#include "platform/resources/directory.h"

#include "platform/resources/bytes.h"

namespace trv::resources {
namespace {

std::optional<ResourceId> ReadId(std::span<const BYTE> bytes, DWORD field) {
  if ((field & kNameFlag) == 0) {
    if (field == 0 || field > 0xFFFF) return std::nullopt;
    return ResourceId(static_cast<WORD>(field));
  }
  size_t offset = field & ~kNameFlag;
  auto length = ReadLE<WORD>(bytes, offset);
  if (!length || *length == 0 || !InBounds(offset + 2, size_t{*length} * 2, bytes.size()))
    return std::nullopt;
  std::u16string text(*length, u'\0');
  for (size_t i = 0; i < *length; ++i) text[i] = *ReadLE<WORD>(bytes, offset + 2 + 2 * i);
  return ResourceId(std::move(text));
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
    auto type = ReadId(bytes, *ReadLE<DWORD>(bytes, at));
    auto name = ReadId(bytes, *ReadLE<DWORD>(bytes, at + 4));
    LANGID language = *ReadLE<WORD>(bytes, at + 8);
    DWORD offset = *ReadLE<DWORD>(bytes, at + 12);
    DWORD size = *ReadLE<DWORD>(bytes, at + 16);
    if (!type || !name || !InBounds(offset, size, bytes.size())) return std::nullopt;
    entries.push_back({std::move(*type), std::move(*name), language, bytes.subspan(offset, size)});
  }
  return entries;
}

}  // namespace trv::resources

