#include "language/lng_format.h"

#include <stdexcept>

namespace trv::lng {
namespace {

// Reads little-endian fields from a byte span; every read says whether the bytes
// were there, so a short file is noticed at the first missing byte.
class Reader {
 public:
  explicit Reader(std::span<const BYTE> bytes) : bytes_(bytes) {}

  bool U32(DWORD& value) {
    if (bytes_.size() - pos_ < 4) return false;
    value = static_cast<DWORD>(bytes_[pos_]) | (static_cast<DWORD>(bytes_[pos_ + 1]) << 8) |
            (static_cast<DWORD>(bytes_[pos_ + 2]) << 16) |
            (static_cast<DWORD>(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }

  bool U8(BYTE& value) {
    if (pos_ == bytes_.size()) return false;
    value = bytes_[pos_++];
    return true;
  }

  bool Text(std::size_t length, std::string& text) {
    if (bytes_.size() - pos_ < length) return false;
    text.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
    pos_ += length;
    return true;
  }

 private:
  std::span<const BYTE> bytes_;
  std::size_t pos_ = 0;
};

void PutU32(std::vector<BYTE>& out, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>(value >> shift));
}

}  // namespace

std::optional<DWORD> DecodeKind(std::span<const BYTE> bytes) {
  Reader reader(bytes);
  DWORD kind = 0;
  if (!reader.U32(kind)) return std::nullopt;
  return kind;
}

std::optional<File> Decode(std::span<const BYTE> bytes) {
  Reader reader(bytes);
  File file;
  DWORD count = 0;
  if (!reader.U32(file.kind) || !reader.U32(count)) return std::nullopt;
  // The count comes from the file: grow with what is really there rather than
  // reserving what a damaged header claims.
  for (DWORD i = 0; i < count; ++i) {
    Entry entry;
    BYTE length = 0;
    if (!reader.U32(entry.number) || !reader.U8(length) || !reader.Text(length, entry.text)) {
      return std::nullopt;
    }
    file.entries.push_back(std::move(entry));
  }
  return file;
}

std::vector<BYTE> Encode(const File& file) {
  std::vector<BYTE> out;
  PutU32(out, file.kind);
  PutU32(out, static_cast<DWORD>(file.entries.size()));
  for (const Entry& entry : file.entries) {
    if (entry.text.size() > kMaxTextBytes) {
      throw std::length_error("language text longer than 255 bytes");
    }
    PutU32(out, entry.number);
    out.push_back(static_cast<BYTE>(entry.text.size()));
    out.insert(out.end(), entry.text.begin(), entry.text.end());
  }
  return out;
}

}  // namespace trv::lng
