// "Ask for the size, then fill": the spooler's calls that return structures write
// the fixed structures at the start of the caller's buffer and the texts (and
// device modes) they point to after them. One routine computes the size without a
// buffer and fills the buffer when it is large enough.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/spooler/monitor_text.h"
#include "platform/windef.h"

namespace trv::spooler {

template <typename Char>
class Packer {
 public:
  // `fixedBytes`: the structures at the start. Without a buffer (or a buffer that
  // is too small) nothing is written and only needed() grows.
  Packer(BYTE* buffer, DWORD size, std::size_t fixedBytes)
      : buffer_(buffer), size_(size), used_(fixedBytes) {}

  // Declares the fill pass: writes happen only when everything fits.
  void SetFilling(bool filling) { filling_ = filling; }

  // Places a text (ANSI in; Char out) and returns its address, or null while measuring.
  Char* Text(const std::string& ansi) {
    std::basic_string<Char> s = Convert(ansi);
    return static_cast<Char*>(Place(s.c_str(), (s.size() + 1) * sizeof(Char), alignof(Char)));
  }
  // A list of zero-terminated names ended by an empty name.
  Char* TextList(const std::vector<std::string>& names) {
    std::basic_string<Char> s;
    for (const std::string& n : names) {
      s += Convert(n);
      s.push_back(Char{});
    }
    s.push_back(Char{});
    return static_cast<Char*>(Place(s.data(), s.size() * sizeof(Char), alignof(Char)));
  }
  void* Bytes(const void* data, std::size_t size) { return Place(data, size, alignof(void*)); }

  std::size_t needed() const { return used_; }
  bool fits() const { return buffer_ != nullptr && used_ <= size_; }

 private:
  static std::basic_string<Char> Convert(const std::string& ansi) {
    if constexpr (sizeof(Char) == 1)
      return ansi;
    else
      return WideOfAnsi(ansi);
  }

  void* Place(const void* data, std::size_t size, std::size_t alignment) {
    used_ = (used_ + alignment - 1) / alignment * alignment;
    void* at = nullptr;
    if (filling_) {
      at = buffer_ + used_;
      if (size != 0) std::memcpy(at, data, size);
    }
    used_ += size;
    return at;
  }

  BYTE* buffer_;
  DWORD size_;
  std::size_t used_;
  bool filling_ = false;
};

// Runs `fill(packer, base)` once to measure (base: scratch room for the fixed
// structures) and, when the caller's buffer holds it all, again to fill (base: the
// buffer). Returns TRUE, or FALSE with ERROR_INSUFFICIENT_BUFFER; `needed`
// gets the size either way.
template <typename Char, typename Fill>
BOOL PackInto(BYTE* buffer, DWORD size, std::size_t fixedBytes, LPDWORD needed, Fill fill) {
  std::vector<BYTE> scratch(fixedBytes + 1);
  Packer<Char> measure(nullptr, 0, fixedBytes);
  fill(measure, scratch.data());
  const std::size_t total = measure.needed();
  if (needed != nullptr) *needed = static_cast<DWORD>(total);
  if (buffer == nullptr || total > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  Packer<Char> writer(buffer, size, fixedBytes);
  writer.SetFilling(true);
  std::memset(buffer, 0, fixedBytes);
  fill(writer, buffer);
  return TRUE;
}

}  // namespace trv::spooler
