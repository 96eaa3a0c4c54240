// Writing the resource directory of a module.
#include <set>
#include <stdexcept>
#include <tuple>

#include "platform/resources/bytes.h"
#include "platform/resources/directory.h"

namespace {

using trv::ResourceId;
using trv::resources::ByteWriter;
using trv::resources::kNameFlag;

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

}  // namespace

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
