// Texts referred to by 32-bit fields. The model database's entries keep their
// exact byte layouts, in which a text field is a 32-bit value: below 0x10000 it is
// the number of a text of the language file, otherwise it refers to a text held
// here. The heap is process-wide, like the memory a pointer would point into, so a
// handle stays meaningful wherever the entry is copied within the process.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/windef.h"

namespace trv::dcl {

constexpr DWORD kFirstTextHandle = 0x10000;

// Stores a copy of the text and returns its handle (>= 0x10000).
DWORD TextHeapAdd(std::string_view text);
// The text of a handle; null for 0, a string-table number or an unknown handle.
// Valid until the handle is freed.
const char* TextHeapGet(DWORD handle);
// The same, with "" where there is no heap text.
inline const char* TextHeapText(DWORD handle) {
  const char* text = TextHeapGet(handle);
  return text != nullptr ? text : "";
}
// Releases a handle; string-table numbers and 0 are left alone.
void TextHeapFree(DWORD handle);
// The number of texts currently held (lets tests see that owners release theirs).
size_t TextHeapCount();
inline bool IsStringId(DWORD field) { return field != 0 && field < kFirstTextHandle; }

// Owns one handle for its lifetime (the texts an entry allocates while parsing).
class TextHandle {
 public:
  TextHandle() = default;
  explicit TextHandle(std::string_view text) : handle_(TextHeapAdd(text)) {}
  ~TextHandle() { TextHeapFree(handle_); }
  TextHandle(const TextHandle&) = delete;
  TextHandle& operator=(const TextHandle&) = delete;
  TextHandle(TextHandle&& o) noexcept : handle_(o.release()) {}
  TextHandle& operator=(TextHandle&& o) noexcept {
    if (this != &o) {
      TextHeapFree(handle_);
      handle_ = o.release();
    }
    return *this;
  }
  DWORD get() const { return handle_; }
  DWORD release() {
    DWORD h = handle_;
    handle_ = 0;
    return h;
  }

 private:
  DWORD handle_ = 0;
};

}  // namespace trv::dcl
