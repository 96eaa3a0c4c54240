// Writing and reading the resource directory of a module.
#include "platform/resources/directory.h"

#include <set>
#include <stdexcept>
#include <tuple>

#include "platform/resources/bytes.h"

namespace trv::resources {
namespace {

constexpr size_t kDataAlignment = 8;

void CheckId(const ResourceId& id, const char* what) {
  if (const WORD* number = std::get_if<WORD>(&id)) {
    if (*number == 0) throw std::invalid_argument(std::string("resource ") + what + " 0");
    return;
  }
  const auto& text = std::get<std::u16string>(id);
  if (text.empty() || text.size() > 0xFFFF)
    throw std::invalid_argument(std::string("resource ") + what + " text empty or too long");
}

// Numbers are stored in the field; texts go to the text area, and the field holds
// their offset with the name flag.
DWORD PutId(ByteWriter& texts, size_t textBase, const ResourceId& id) {
  if (const WORD* number = std::get_if<WORD>(&id)) return *number;
  const auto& text = std::get<std::u16string>(id);
  DWORD offset = static_cast<DWORD>(textBase + texts.size());
  texts.put<WORD>(static_cast<WORD>(text.size()));
  texts.putText(text, false);
  return offset | kNameFlag;
}

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

namespace trv {

Bytes BuildResourceDirectory(const std::vector<Resource>& resources) {
  using namespace trv::resources;
  std::set<std::tuple<ResourceId, ResourceId, LANGID>> seen;
  for (const Resource& r : resources) {
    CheckId(r.type, "type");
    CheckId(r.name, "name");
    if (!seen.emplace(r.type, r.name, r.language).second)
      throw std::invalid_argument("duplicate resource");
  }

  // Texts follow the entries; data follows the texts.
  size_t textBase = kDirectoryHeaderSize + resources.size() * kDirectoryEntrySize;
  ByteWriter texts;
  std::vector<std::pair<DWORD, DWORD>> ids;
  for (const Resource& r : resources)
    ids.emplace_back(PutId(texts, textBase, r.type), PutId(texts, textBase, r.name));
  size_t dataBase = AlignUp(textBase + texts.size(), kDataAlignment);

  ByteWriter data;
  std::vector<DWORD> offsets;
  for (const Resource& r : resources) {
    offsets.push_back(static_cast<DWORD>(dataBase + data.size()));
    data.putBytes(r.data);
    data.padTo(kDataAlignment);
  }
  size_t total = dataBase + data.size();
  if (total > 0xFFFFFFFFu) throw std::invalid_argument("resources too large");

  ByteWriter out;
  out.put<DWORD>(kDirectoryMagic);
  out.put<WORD>(kDirectoryVersion);
  out.put<WORD>(kDirectoryEntrySize);
  out.put<DWORD>(static_cast<DWORD>(resources.size()));
  out.put<DWORD>(static_cast<DWORD>(total));
  for (size_t i = 0; i < resources.size(); ++i) {
    out.put<DWORD>(ids[i].first);
    out.put<DWORD>(ids[i].second);
    out.put<WORD>(resources[i].language);
    out.put<WORD>(0);
    out.put<DWORD>(offsets[i]);
    out.put<DWORD>(static_cast<DWORD>(resources[i].data.size()));
  }
  out.putBytes(texts.take());
  out.padTo(kDataAlignment);
  out.putBytes(data.take());
  return out.take();
}

}  // namespace trv
