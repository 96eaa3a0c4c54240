// Handing names and data to a caller's buffers the Windows way: ask for the size
// with no buffer, then fill; a short buffer gets ERROR_MORE_DATA and the size.
// Internal to the platform library.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "platform/winreg.h"

namespace trv::registry {

inline bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Fits a name of `name.size()` characters into a buffer of `*length` characters
// that must also hold the terminating zero?
template <typename Char>
bool NameFits(std::basic_string_view<Char> name, const DWORD* length) {
  return name.size() < *length;
}

// Copies a name with its terminating zero; `*length` becomes its length without it.
template <typename Char>
void CopyName(std::basic_string_view<Char> name, Char* buffer, DWORD* length) {
  std::memcpy(buffer, name.data(), name.size() * sizeof(Char));
  buffer[name.size()] = 0;
  *length = static_cast<DWORD>(name.size());
}

// Copies value data. `unit` is the size of one character of a string value (1 for
// the A calls, 2 for the W calls), 0 for other types: a string that does not end in
// a zero character gets one after its data when the buffer has room for it, as
// Windows NT does; the size reported is still that of the data as stored.
inline LONG CopyData(std::string_view data, size_t unit, BYTE* buffer, DWORD* size) {
  if (size == nullptr) return ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(data.size());
  if (buffer == nullptr) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, data.data(), data.size());
  if (unit != 0 && data.size() >= unit && static_cast<size_t>(*size) - data.size() >= unit) {
    std::string_view last = data.substr(data.size() - unit);
    if (last.find_first_not_of('\0') != std::string_view::npos)
      std::memset(buffer + data.size(), 0, unit);
  }
  *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace trv::registry
