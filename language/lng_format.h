// The language file (.lng): a kind word, an entry count and the entries back to
// back, all integers little-endian. Each entry is a text number (u32), a length
// byte and that many bytes of text in the ANSI code page, without a terminator.
// The loader and the language compiler share these two serializers so that what
// one writes is byte for byte what the other reads.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::lng {

// Kinds that the clients ask for: setup's files and the DCL's files.
inline constexpr DWORD kSetupKind = 0;
inline constexpr DWORD kDclKind = 256;

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kMaxTextBytes = 255;

struct Entry {
  DWORD number = 0;
  std::string text;  // as stored: ANSI bytes, a backslash-n pair still two characters
};

struct File {
  DWORD kind = 0;
  std::vector<Entry> entries;
};

// The kind word alone, or nothing when fewer than four bytes are given.
std::optional<DWORD> DecodeKind(std::span<const BYTE> bytes);

// The whole file, or nothing when it ends before the header or before the last of
// its entries is complete. Bytes after the last entry are not looked at.
std::optional<File> Decode(std::span<const BYTE> bytes);

// Throws std::length_error for a text longer than kMaxTextBytes: the length byte
// cannot say more, and a cut text would be a silent loss.
std::vector<BYTE> Encode(const File& file);

}  // namespace trv::lng
