// Reading the VS_VERSIONINFO tree without trusting its lengths.
#include "platform/resources/version_block.h"

#include <algorithm>

#include "platform/resources/bytes.h"

namespace trv::resources {

constexpr size_t kNodeHeaderSize = 6;

std::optional<VersionNode> ReadVersionNode(std::span<const BYTE> block, size_t offset,
                                           size_t limit) {
  if (limit > block.size()) return std::nullopt;
  auto length = ReadLE<WORD>(block, offset);
  auto valueLength = ReadLE<WORD>(block, offset + 2);
  auto type = ReadLE<WORD>(block, offset + 4);
  if (!type || *length < kNodeHeaderSize || !InBounds(offset, *length, limit)) return std::nullopt;

  VersionNode node;
  node.offset = offset;
  node.end = offset + *length;
  node.type = *type;
  node.valueLength = *valueLength;
  size_t at = offset + kNodeHeaderSize;
  for (;; at += 2) {
    if (at + 2 > node.end) return std::nullopt;  // key without its zero
    char16_t c = *ReadLE<WORD>(block, at);
    if (c == 0) break;
    node.key.push_back(c);
  }
  node.valueOffset = std::min(AlignUp(at + 2, 4), node.end);
  size_t wanted = node.type == kTextNode ? size_t{node.valueLength} * 2 : node.valueLength;
  node.valueBytes = std::min(wanted, node.end - node.valueOffset);
  node.childrenOffset = std::min(AlignUp(node.valueOffset + node.valueBytes, 4), node.end);
  return node;
}

std::vector<VersionNode> VersionChildren(std::span<const BYTE> block, const VersionNode& node) {
  std::vector<VersionNode> children;
  size_t at = node.childrenOffset;
  while (at + kNodeHeaderSize <= node.end) {
    auto child = ReadVersionNode(block, at, node.end);
    if (!child) break;
    at = AlignUp(child->end, 4);
    children.push_back(std::move(*child));
  }
  return children;
}

std::optional<VersionNode> ReadVersionRoot(std::span<const BYTE> block) {
  auto root = ReadVersionNode(block, 0, block.size());
  if (!root || root->key != kVersionRootKey) return std::nullopt;
  return root;
}

}  // namespace trv::resources
