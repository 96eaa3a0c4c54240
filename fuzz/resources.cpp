// Module resources and version blocks: the resource section of a module file,
// its directory, the string bundles in it, and version blocks queried as
// VerQueryValueA does. Properties: every entry, string and value handed out lies
// inside the bytes it was read from; a version block is never read beyond the
// bytes its root's length vouches for (the sanitizer sees each block held in
// exactly that many bytes); GetFileVersionInfoA's buffer answers every text it
// holds.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "platform/resources/directory.h"
#include "platform/resources/elf_section.h"
#include "platform/resources/string_table.h"
#include "platform/resources/version_block.h"

namespace {

using trv::resources::VersionNode;
using Bytes = std::vector<BYTE>;

bool Inside(std::span<const BYTE> outer, const void* p, std::size_t n) {
  auto* b = static_cast<const BYTE*>(p);
  return b >= outer.data() && n <= outer.size() &&
         static_cast<std::size_t>(b - outer.data()) <= outer.size() - n;
}

// The paths of the block's nodes, down to three levels, in ANSI.
std::vector<std::string> NodePaths(std::span<const BYTE> block) {
  std::vector<std::string> paths{"\\"};
  auto root = trv::resources::ReadVersionRoot(block);
  if (!root) return paths;
  auto ansi = [](const std::u16string& key) {
    std::string s;
    for (char16_t c : key) s.push_back(c < 0x80 && c != u'\\' ? static_cast<char>(c) : '?');
    return s;
  };
  for (const VersionNode& a : trv::resources::VersionChildren(block, *root)) {
    paths.push_back("\\" + ansi(a.key));
    for (const VersionNode& b : trv::resources::VersionChildren(block, a)) {
      paths.push_back("\\" + ansi(a.key) + "\\" + ansi(b.key));
      for (const VersionNode& c : trv::resources::VersionChildren(block, b))
        paths.push_back("\\" + ansi(a.key) + "\\" + ansi(b.key) + "\\" + ansi(c.key));
      if (paths.size() > 64) return paths;
    }
  }
  return paths;
}

void QueryAll(Bytes& buffer, const std::vector<std::string>& paths, bool textsExpected) {
  if (buffer.size() < 2) return;
  const std::size_t vouched = buffer[0] | buffer[1] << 8;
  if (vouched > buffer.size() || vouched < 2) return;  // the caller would not vouch for more
  // Held in exactly the vouched bytes, so that any read past them is seen.
  Bytes exact(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(vouched));
  for (const std::string& path : paths) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(exact.data(), path.c_str(), &value, &length)) {
      const DWORD error = GetLastError();
      FUZZ_CHECK(error == ERROR_RESOURCE_TYPE_NOT_FOUND ||
                 (!textsExpected && error == ERROR_INVALID_PARAMETER));
      continue;
    }
    // An empty text comes back as a shared empty string, the one value that may
    // lie outside the block.
    const bool emptyText = length == 1 && *static_cast<const char*>(value) == '\0';
    FUZZ_CHECK(length == 0 || emptyText || Inside(exact, value, length));
  }
}

void CheckVersionBlock(std::span<const BYTE> block) {
  const std::vector<std::string> paths = NodePaths(block);
  Bytes alone(block.begin(), block.end());
  QueryAll(alone, paths, false);
  Bytes filled = trv::FileVersionInfoBuffer(block);
  if (filled.empty()) return;
  QueryAll(filled, paths, filled.size() <= 0xFFFF);
}

void CheckDirectory(std::span<const BYTE> bytes) {
  auto entries = trv::resources::ParseDirectory(bytes);
  if (!entries) return;
  for (const trv::resources::DirectoryEntry& e : *entries) {
    FUZZ_CHECK(e.data.empty() || Inside(bytes, e.data.data(), e.data.size()));
    if (e.type == trv::ResourceId(WORD{6})) {
      for (UINT slot = 0; slot < trv::resources::kStringsPerBundle; ++slot) {
        auto text = trv::resources::BundleString(e.data, slot);
        if (text && !text->empty())
          FUZZ_CHECK(Inside(e.data, text->data(), text->size() * sizeof(char16_t)));
      }
    } else if (e.type == trv::ResourceId(WORD{16})) {
      CheckVersionBlock(e.data);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const BYTE> bytes(data, size);
  // The bytes as a module file, as a resource directory and as a version block.
  Bytes section;
  auto read = [&](std::uint64_t offset, std::size_t n, BYTE* out) {
    if (offset > size || n > size - offset) return false;
    std::memcpy(out, data + offset, n);
    return true;
  };
  if (trv::resources::ReadElfSection(size, read, "trv_rsrc", section) ==
      trv::resources::SectionStatus::Found)
    CheckDirectory(section);
  CheckDirectory(bytes);
  CheckVersionBlock(bytes);
  return 0;
}
