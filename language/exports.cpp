// The exports of language.dll. Errors become a null or zero result with the last
// error here, and nowhere else; no exception leaves the library.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "language/file_bytes.h"
#include "language/language_api.h"
#include "language/lng_format.h"
#include "language/string_table.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace {

using trv::lng::StringTable;

// Looks a text up for one of the GetString calls. Null, with the last error set,
// when the caller's buffer cannot take anything or there is no such text; a size
// of 0 leaves the buffer untouched.
template <typename Char>
const StringTable::Text* FindForCopy(HANDLE handle, UINT number, Char* buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  buffer[0] = 0;
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const StringTable::Text* text = static_cast<const StringTable*>(handle)->Find(number);
  if (text == nullptr) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return text;
}

// How many characters of the text fit: a text longer than the buffer is cut so
// that its terminator still lies within the buffer.
std::size_t FittingLength(const StringTable::Text& text, int size) {
  return std::min(text.text.size(), static_cast<std::size_t>(size) - 1);
}

// Zeros after the copied text up to the stored size (or the buffer's end), as a
// bounded string copy leaves them. That count always exceeds the copied length,
// so the terminator is among them.
template <typename Char>
void ClearRest(const StringTable::Text& text, Char* buffer, int size, std::size_t copied) {
  const std::size_t count = std::min(text.storedSize, static_cast<std::size_t>(size));
  std::fill(buffer + copied, buffer + count, Char{0});
}

}  // namespace

TRVAPI HANDLE LoadResources(LPCSTR path, DWORD kind) {
  try {
    if (path == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    std::vector<BYTE> bytes;
    if (!trv::lng::ReadFileBytes(path, bytes)) return nullptr;
    const std::optional<DWORD> fileKind = trv::lng::DecodeKind(bytes);
    if (fileKind && *fileKind != kind) {
      SetLastError(ERROR_BAD_FORMAT);
      return nullptr;
    }
    // A file that ends before its last entry is refused whole: a half-read table
    // would answer some numbers and silently miss others.
    std::optional<trv::lng::File> file = trv::lng::Decode(bytes);
    if (!file) {
      SetLastError(ERROR_HANDLE_EOF);
      return nullptr;
    }
    auto table = std::make_unique<StringTable>(std::move(file->entries));
    return table.release();
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

TRVAPI int GetStringA(HANDLE handle, UINT number, LPSTR buffer, int size) {
  const StringTable::Text* text = FindForCopy(handle, number, buffer, size);
  if (text == nullptr) return 0;
  const std::size_t length = FittingLength(*text, size);
  // ClearRest writes the terminator behind the text (FittingLength leaves room for it).
  std::memcpy(buffer, text->text.data(), length);  // NOLINT(bugprone-not-null-terminated-result)
  ClearRest(*text, buffer, size, length);
  return static_cast<int>(length);
}

TRVAPI int GetStringW(HANDLE handle, UINT number, LPWSTR buffer, int size) {
  const StringTable::Text* text = FindForCopy(handle, number, buffer, size);
  if (text == nullptr) return 0;
  const std::size_t length = FittingLength(*text, size);
  int converted = 0;
  if (length > 0) {
    converted = MultiByteToWideChar(CP_ACP, 0, text->text.data(), static_cast<int>(length), buffer,
                                    size - 1);
    if (converted == 0) {
      buffer[0] = 0;
      return 0;
    }
  }
  ClearRest(*text, buffer, size, static_cast<std::size_t>(converted));
  return converted;
}

TRVAPI BOOL FreeResources(HANDLE handle) {
  if (handle == nullptr) return trv::Fail(ERROR_INVALID_HANDLE);
  delete static_cast<StringTable*>(handle);
  return TRUE;
}
