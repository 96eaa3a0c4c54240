// A minimal ELF64 file for tests: the header, one section with the given contents
// under the given name, the section-name table and the section headers, with the
// offsets of the fields that tests damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trv::testing {

struct ElfImage {
  std::string bytes;
  size_t contentsOffset = 0;  // of the named section's contents
  size_t headersOffset = 0;   // of the section headers: null, the section, the names

  static constexpr size_t kHeaderSize = 64;
  size_t sectionHeader(size_t index) const { return headersOffset + index * kHeaderSize; }

  void put(size_t offset, std::uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) bytes.at(offset + i) = static_cast<char>(value >> (8 * i));
  }
};

inline ElfImage MakeElfImage(const std::string& sectionName,
                             const std::vector<std::uint8_t>& contents) {
  ElfImage image;
  std::string names = std::string("\0", 1) + sectionName + std::string("\0.shstrtab\0", 11);
  image.bytes.assign(ElfImage::kHeaderSize, '\0');
  image.contentsOffset = image.bytes.size();
  image.bytes.append(contents.begin(), contents.end());
  size_t namesOffset = image.bytes.size();
  image.bytes += names;
  image.bytes.resize((image.bytes.size() + 7) / 8 * 8, '\0');
  image.headersOffset = image.bytes.size();
  image.bytes.resize(image.bytes.size() + 3 * ElfImage::kHeaderSize, '\0');

  image.bytes.replace(0, 4,
                      "\x7f"
                      "ELF");
  image.put(4, 2, 1);    // 64-bit
  image.put(5, 1, 1);    // little-endian
  image.put(6, 1, 1);    // version
  image.put(16, 3, 2);   // shared object
  image.put(18, 62, 2);  // x86-64
  image.put(0x28, image.headersOffset, 8);
  image.put(0x34, ElfImage::kHeaderSize, 2);
  image.put(0x3A, ElfImage::kHeaderSize, 2);
  image.put(0x3C, 3, 2);
  image.put(0x3E, 2, 2);

  size_t s = image.sectionHeader(1);
  image.put(s + 0, 1, 4);  // name: right after the leading zero
  image.put(s + 4, 1, 4);  // PROGBITS
  image.put(s + 24, image.contentsOffset, 8);
  image.put(s + 32, contents.size(), 8);
  size_t n = image.sectionHeader(2);
  image.put(n + 0, 1 + sectionName.size() + 1, 4);
  image.put(n + 4, 3, 4);  // STRTAB
  image.put(n + 24, namesOffset, 8);
  image.put(n + 32, names.size(), 8);
  return image;
}

}  // namespace trv::testing
