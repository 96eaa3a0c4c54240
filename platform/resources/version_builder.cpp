// Building VS_VERSIONINFO blocks, and the buffer GetFileVersionInfoA fills.
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "platform/resources.h"
#include "platform/resources/bytes.h"
#include "platform/resources/version_block.h"

namespace trv {
namespace {

using resources::ByteWriter;
using resources::kBinaryNode;
using resources::kTextNode;

// Writes a node's header, key and value and returns its start; the caller adds the
// children and then closes it, which stores its length.
size_t OpenNode(ByteWriter& out, std::u16string_view key, WORD type, WORD valueLength,
                std::span<const BYTE> value) {
  if (key.find(u'\0') != std::u16string_view::npos)
    throw std::invalid_argument("version key with a zero character");
  out.padTo(4);
  size_t start = out.size();
  out.put<WORD>(0);
  out.put<WORD>(valueLength);
  out.put<WORD>(type);
  out.putText(key, true);
  out.padTo(4);
  out.putBytes(value);
  return start;
}

void CloseNode(ByteWriter& out, size_t start) {
  size_t length = out.size() - start;
  if (length > 0xFFFF) throw std::invalid_argument("version information larger than 64 KB");
  out.patch<WORD>(start, static_cast<WORD>(length));
}

Bytes FixedInfo(const VersionDescription& d) {
  ByteWriter out;
  for (DWORD field : {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, d.fileVersionMS, d.fileVersionLS,
                      d.productVersionMS, d.productVersionLS, d.fileFlagsMask, d.fileFlags,
                      d.fileOS, d.fileType, d.fileSubtype, d.fileDateMS, d.fileDateLS})
    out.put<DWORD>(field);
  return out.take();
}

// A text value keeps its terminating zero, and its length counts it, as the
// resource compiler of the platform writes it.
void PutString(ByteWriter& out, const std::u16string& key, const std::u16string& text) {
  if (text.size() >= 0xFFFF) throw std::invalid_argument("version text too long");
  ByteWriter value;
  value.putText(text, true);
  Bytes bytes = value.take();
  CloseNode(out, OpenNode(out, key, kTextNode, static_cast<WORD>(text.size() + 1), bytes));
}

void PutStringFileInfo(ByteWriter& out, const std::vector<VersionStringTable>& tables) {
  size_t info = OpenNode(out, u"StringFileInfo", kTextNode, 0, {});
  for (const VersionStringTable& table : tables) {
    size_t node = OpenNode(out, table.key, kTextNode, 0, {});
    for (const auto& [key, text] : table.values) PutString(out, key, text);
    CloseNode(out, node);
  }
  CloseNode(out, info);
}

void PutVarFileInfo(ByteWriter& out, const std::vector<VersionTranslation>& translations) {
  ByteWriter value;
  for (const VersionTranslation& t : translations) {
    value.put<WORD>(t.language);
    value.put<WORD>(t.codePage);
  }
  Bytes bytes = value.take();
  if (bytes.size() > 0xFFFF) throw std::invalid_argument("too many translations");
  size_t info = OpenNode(out, u"VarFileInfo", kTextNode, 0, {});
  CloseNode(out,
            OpenNode(out, u"Translation", kBinaryNode, static_cast<WORD>(bytes.size()), bytes));
  CloseNode(out, info);
}

}  // namespace

Bytes BuildVersionResource(const VersionDescription& description) {
  ByteWriter out;
  Bytes fixed = FixedInfo(description);
  size_t root = OpenNode(out, resources::kVersionRootKey, kBinaryNode,
                         static_cast<WORD>(fixed.size()), fixed);
  if (!description.stringTables.empty()) PutStringFileInfo(out, description.stringTables);
  if (description.translations) PutVarFileInfo(out, *description.translations);
  CloseNode(out, root);
  return out.take();
}

Bytes FileVersionInfoBuffer(std::span<const BYTE> versionResource) {
  auto root = resources::ReadVersionRoot(versionResource);
  if (!root) return {};
  // The block, its signature, then as many spare bytes as the block has: a text
  // converted to ANSI at its own offset within the spare room never outgrows it.
  size_t length = root->end;
  Bytes buffer(2 * length + sizeof resources::kSpareSignature, 0);
  std::copy_n(versionResource.begin(), length, buffer.begin());
  std::copy(std::begin(resources::kSpareSignature), std::end(resources::kSpareSignature),
            buffer.begin() + static_cast<std::ptrdiff_t>(length));
  // The root's length then covers the whole buffer, so that a query, which may
  // trust only the bytes the root's length vouches for, finds the signature and
  // the spare room inside them. A block too long for that keeps its own length
  // and has no room for converted texts.
  if (buffer.size() <= 0xFFFF) {
    buffer[0] = static_cast<BYTE>(buffer.size() & 0xFF);
    buffer[1] = static_cast<BYTE>(buffer.size() >> 8);
  }
  return buffer;
}

}  // namespace trv
