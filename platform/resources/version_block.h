// The VS_VERSIONINFO tree. Every node is: u16 wLength (the node with its
// children), u16 wValueLength, u16 wType (1 text, 0 binary), the key as UTF-16
// with its zero, padding to 32 bits, the value (wValueLength UTF-16 units for a
// text, bytes for binary data), padding to 32 bits, the children. Alignment
// counts from the start of the block.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::resources {

constexpr WORD kTextNode = 1;
constexpr WORD kBinaryNode = 0;
constexpr char16_t kVersionRootKey[] = u"VS_VERSION_INFO";
// Written after the block by GetFileVersionInfoA: the spare room behind it holds
// the texts that VerQueryValueA converts.
constexpr BYTE kSpareSignature[4] = {'F', 'E', '2', 'X'};

struct VersionNode {
  size_t offset = 0;  // of the node in the block
  size_t end = 0;     // offset + wLength
  WORD type = 0;
  WORD valueLength = 0;  // as stored
  std::u16string key;
  size_t valueOffset = 0;
  size_t valueBytes = 0;  // within the node
  size_t childrenOffset = 0;
};

// The node at `offset`, which must end by `limit`; nothing when its header, key or
// length do not fit. A value longer than its node is cut at the node's end.
std::optional<VersionNode> ReadVersionNode(std::span<const BYTE> block, size_t offset,
                                           size_t limit);

// The direct children of a node, in order; reading stops at the first malformed one.
std::vector<VersionNode> VersionChildren(std::span<const BYTE> block, const VersionNode& node);

// The root node when `block` starts with a well-formed VS_VERSIONINFO that fits in it.
std::optional<VersionNode> ReadVersionRoot(std::span<const BYTE> block);

}  // namespace trv::resources
