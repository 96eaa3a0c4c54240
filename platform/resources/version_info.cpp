// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA.
//
// The buffer that GetFileVersionInfoA fills holds the module's VS_VERSIONINFO
// block, the signature "FE2X" and as many spare bytes as the block has, with the
// root's length stretched over all three. Texts are
// stored in UTF-16; VerQueryValueA converts the one asked for into the spare room
// at the same offset as in the block, so that every text has its own place and
// stays valid while the buffer lives, as on Windows.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "platform/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/resources.h"
#include "platform/resources/module_resources.h"
#include "platform/resources/version_block.h"

namespace {

using trv::resources::VersionNode;

constexpr WORD kVersionType = 16;  // RT_VERSION

// The module file's version resource (its bytes live as long as the process), or
// nothing with the last error set.
std::optional<std::span<const BYTE>> VersionResourceOf(LPCSTR file) {
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  std::string host = trv::kernel::HostPathOfAnsi(file);
  if (host.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  auto found = trv::resources::ResourcesOfFile(host);
  if (!found.resources) {
    SetLastError(found.error);
    return std::nullopt;
  }
  const auto* entry =
      trv::resources::FindEntry(*found.resources, kVersionType, trv::kVersionResourceId);
  if (entry == nullptr) return std::nullopt;
  return entry->data;
}

// The buffer GetFileVersionInfoA fills; empty with the last error set when there
// is none. A version resource that is not a well-formed block is refused here, so
// that VerQueryValueA only ever walks blocks that hold together.
trv::Bytes VersionBuffer(LPCSTR file) {
  auto resource = VersionResourceOf(file);
  if (!resource) return {};
  trv::Bytes buffer = trv::FileVersionInfoBuffer(*resource);
  if (buffer.empty()) SetLastError(ERROR_INVALID_DATA);
  return buffer;
}

// Splits "\StringFileInfo\040904B0\ProductName" into its keys; empty parts (the
// leading backslash, doubled ones) name nothing.
std::vector<std::u16string> PathKeys(LPCSTR path) {
  std::vector<std::u16string> keys;
  std::string part;
  auto flush = [&] {
    if (part.empty()) return;
    int n = MultiByteToWideChar(CP_ACP, 0, part.data(), static_cast<int>(part.size()), nullptr, 0);
    std::u16string key(static_cast<size_t>(std::max(n, 0)), u'\0');
    if (n > 0)
      MultiByteToWideChar(CP_ACP, 0, part.data(), static_cast<int>(part.size()), key.data(), n);
    keys.push_back(std::move(key));
    part.clear();
  };
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\')
      flush();
    else
      part.push_back(*p);
  }
  flush();
  return keys;
}

// Walks the block's first `ownLength` bytes: the root's length may also cover the
// spare room behind them, which holds no nodes.
std::optional<VersionNode> Walk(std::span<const BYTE> block, size_t ownLength,
                                const std::vector<std::u16string>& keys) {
  auto node = trv::resources::ReadVersionRoot(block);
  if (node) node->end = std::min(node->end, ownLength);
  for (const std::u16string& key : keys) {
    if (!node) return std::nullopt;
    std::optional<VersionNode> next;
    for (VersionNode& child : trv::resources::VersionChildren(block, *node)) {
      if (lstrcmpiW(child.key.c_str(), key.c_str()) == 0) {
        next = std::move(child);
        break;
      }
    }
    node = std::move(next);
  }
  return node;
}

// The length of the block itself when the buffer is one GetFileVersionInfoA
// filled: the block, the signature and as much spare room as the block, all
// within the root's length. Nothing for any other block, whose texts then have
// no room to be converted into.
std::optional<size_t> OwnLengthWithSpareRoom(std::span<const BYTE> buffer) {
  constexpr size_t kSignature = sizeof trv::resources::kSpareSignature;
  if (buffer.size() < kSignature || (buffer.size() - kSignature) % 2 != 0) return std::nullopt;
  size_t own = (buffer.size() - kSignature) / 2;
  if (std::memcmp(buffer.data() + own, trv::resources::kSpareSignature, kSignature) != 0)
    return std::nullopt;
  return own;
}

// Converts a text value into the spare room; its ANSI form (one byte a character)
// always fits in the room its UTF-16 form takes in the block.
LPSTR TextInSpareRoom(BYTE* block, size_t ownLength, const VersionNode& node, UINT& length) {
  static char empty[1] = "";
  size_t units = node.valueBytes / 2;
  std::u16string text(units, u'\0');
  std::memcpy(text.data(), block + node.valueOffset, units * 2);
  text.resize(std::min(text.find(u'\0'), text.size()));
  if (text.empty()) {
    length = node.valueLength == 0 ? 0 : 1;
    return empty;
  }
  char* out = reinterpret_cast<char*>(block + ownLength + sizeof trv::resources::kSpareSignature +
                                      node.valueOffset);
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out,
                              static_cast<int>(text.size()), nullptr, nullptr);
  out[n] = '\0';
  length = static_cast<UINT>(n + 1);
  return out;
}

BOOL Query(LPCVOID blockAddress, LPCSTR subBlock, LPVOID* value, UINT* length) {
  if (value != nullptr) *value = nullptr;
  if (length != nullptr) *length = 0;
  if (blockAddress == nullptr || subBlock == nullptr || value == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The caller vouches for the block's first wLength bytes, as on Windows, and for
  // nothing beyond them: whether there is spare room is decided from those bytes.
  auto* block = static_cast<BYTE*>(const_cast<void*>(blockAddress));
  size_t blockLength = static_cast<size_t>(block[0]) | static_cast<size_t>(block[1]) << 8;
  std::span<const BYTE> bytes(block, blockLength);
  std::optional<size_t> ownLength = OwnLengthWithSpareRoom(bytes);
  auto node = Walk(bytes, ownLength.value_or(blockLength), PathKeys(subBlock));
  if (!node) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  UINT size = 0;
  if (node->type == trv::resources::kTextNode && node->offset != 0) {
    if (!ownLength) {
      // Not a buffer from GetFileVersionInfoA: there is no room to convert into.
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *value = TextInSpareRoom(block, *ownLength, *node, size);
  } else {
    *value = block + node->valueOffset;
    size = static_cast<UINT>(node->valueBytes);
  }
  if (length != nullptr) *length = size;
  return TRUE;
}

}  // namespace

TRVAPI DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  try {
    return static_cast<DWORD>(VersionBuffer(file).size());
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

// A buffer smaller than GetFileVersionInfoSizeA asked for is refused: Windows
// would fill it with a cut block whose lengths still claim the whole, and later
// queries would read and write past the caller's memory.
TRVAPI BOOL WINAPI GetFileVersionInfoA(LPCSTR file, DWORD /*handle*/, DWORD size, LPVOID data) {
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    trv::Bytes buffer = VersionBuffer(file);
    if (buffer.empty()) return FALSE;
    if (size < buffer.size()) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    std::memcpy(data, buffer.data(), buffer.size());
    return TRUE;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

TRVAPI BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length) {
  try {
    return Query(block, subBlock, value, length);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}
