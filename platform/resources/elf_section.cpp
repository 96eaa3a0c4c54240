// ELF64 section lookup by name.
#include "platform/resources/elf_section.h"

#include <cstring>

namespace trv::resources {
namespace {

constexpr size_t kElfHeaderSize = 64;
constexpr size_t kSectionHeaderSize = 64;
constexpr BYTE kElfMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr BYTE kClass64 = 2;
constexpr BYTE kLittleEndian = 1;
constexpr WORD kSectionIndexEscape = 0xFFFF;  // SHN_XINDEX: the real index is elsewhere
constexpr DWORD kNoBits = 8;                  // SHT_NOBITS: occupies no file space
// More sections than any module has; a count beyond it is a corrupt header.
constexpr std::uint64_t kMaxSections = 1u << 20;

struct SectionHeader {
  DWORD name;
  DWORD type;
  std::uint64_t offset;
  std::uint64_t size;
  DWORD link;
};

SectionHeader ParseSectionHeader(std::span<const BYTE> table, size_t index) {
  size_t at = index * kSectionHeaderSize;
  return {*ReadLE<DWORD>(table, at), *ReadLE<DWORD>(table, at + 4),
          *ReadLE<std::uint64_t>(table, at + 24), *ReadLE<std::uint64_t>(table, at + 32),
          *ReadLE<DWORD>(table, at + 40)};
}

bool FitsInFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

// The file's bytes of a section; Malformed when they lie outside the file.
SectionStatus ReadContents(const SectionHeader& s, std::uint64_t fileSize, const ReadAt& read,
                           std::vector<BYTE>& out) {
  if (s.type == kNoBits || !FitsInFile(s.offset, s.size, fileSize)) return SectionStatus::Malformed;
  out.assign(static_cast<size_t>(s.size), 0);
  if (!out.empty() && !read(s.offset, out.size(), out.data())) return SectionStatus::ReadFailed;
  return SectionStatus::Found;
}

bool NameIs(std::span<const BYTE> names, DWORD offset, std::string_view wanted) {
  if (offset >= names.size()) return false;
  size_t room = names.size() - offset;
  if (room <= wanted.size()) return false;  // the name and its zero must both fit
  return std::memcmp(names.data() + offset, wanted.data(), wanted.size()) == 0 &&
         names[offset + wanted.size()] == 0;
}

}  // namespace

SectionStatus ReadElfSection(std::uint64_t fileSize, const ReadAt& read, std::string_view name,
                             std::vector<BYTE>& contents) {
  BYTE header[kElfHeaderSize];
  if (fileSize < kElfHeaderSize) return SectionStatus::NotElf;
  if (!read(0, kElfHeaderSize, header)) return SectionStatus::ReadFailed;
  if (std::memcmp(header, kElfMagic, sizeof kElfMagic) != 0) return SectionStatus::NotElf;
  if (header[4] != kClass64 || header[5] != kLittleEndian) return SectionStatus::Malformed;

  std::span<const BYTE> h(header);
  std::uint64_t tableOffset = *ReadLE<std::uint64_t>(h, 0x28);
  WORD entrySize = *ReadLE<WORD>(h, 0x3A);
  std::uint64_t count = *ReadLE<WORD>(h, 0x3C);
  DWORD namesIndex = *ReadLE<WORD>(h, 0x3E);
  if (tableOffset == 0) return SectionStatus::Missing;  // no section headers at all
  if (entrySize != kSectionHeaderSize) return SectionStatus::Malformed;

  // With many sections the count and the names' index live in the first header.
  BYTE first[kSectionHeaderSize];
  if (!FitsInFile(tableOffset, kSectionHeaderSize, fileSize)) return SectionStatus::Malformed;
  if (!read(tableOffset, kSectionHeaderSize, first)) return SectionStatus::ReadFailed;
  SectionHeader zero = ParseSectionHeader(first, 0);
  if (count == 0) count = zero.size;
  if (namesIndex == kSectionIndexEscape) namesIndex = zero.link;
  if (count == 0 || count > kMaxSections || namesIndex >= count ||
      !FitsInFile(tableOffset, count * kSectionHeaderSize, fileSize))
    return SectionStatus::Malformed;

  std::vector<BYTE> table(static_cast<size_t>(count * kSectionHeaderSize));
  if (!read(tableOffset, table.size(), table.data())) return SectionStatus::ReadFailed;
  std::vector<BYTE> names;
  if (auto status = ReadContents(ParseSectionHeader(table, namesIndex), fileSize, read, names);
      status != SectionStatus::Found)
    return status;

  for (size_t i = 1; i < count; ++i) {
    SectionHeader s = ParseSectionHeader(table, i);
    if (NameIs(names, s.name, name)) return ReadContents(s, fileSize, read, contents);
  }
  return SectionStatus::Missing;
}

}  // namespace trv::resources
