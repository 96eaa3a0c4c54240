// The A entry points: names, classes and string data in the ANSI code page (1252),
// converted to and from the UTF-16 that the registry keeps. Sizes are reported in
// the form of the call, except RegQueryInfoKeyA's largest data size, which is that
// of the stored data as on Windows.
#include "platform/kernel/text.h"
#include "platform/registry/buffers.h"
#include "platform/registry/error.h"
#include "platform/registry/names.h"
#include "platform/registry/operations.h"
#include "platform/winreg.h"

using namespace trv::registry;
using trv::kernel::AnsiToWide;
using trv::kernel::WideToAnsi;

namespace {

std::u16string Wide(LPCSTR s) { return s != nullptr ? AnsiToWide(s) : std::u16string(); }

// String data as the A calls see it: each stored UTF-16 unit as one ANSI byte.
std::string AnsiData(const Value& value) {
  if (!IsStringType(value.type)) return value.data;
  return WideToAnsi(NameFromBytes(value.data.data(), value.data.size()));
}

std::string StoredData(DWORD type, const BYTE* data, DWORD size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), data != nullptr ? size : 0);
  if (!IsStringType(type)) return std::string(bytes);
  return NameBytes(AnsiToWide(bytes));
}

LONG Create(HKEY key, LPCSTR subKey, LPCSTR keyClass, DWORD options, REGSAM desired, PHKEY result,
            LPDWORD disposition, HANDLE transaction) {
  if (result == nullptr || subKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::u16string wideSubKey = Wide(subKey), wideClass = Wide(keyClass);
  if (transaction != nullptr)
    return RegCreateKeyTransactedW(key, wideSubKey.c_str(), 0,
                                   keyClass != nullptr ? wideClass.data() : nullptr, options,
                                   desired, nullptr, result, disposition, transaction, nullptr);
  return RegCreateKeyExW(key, wideSubKey.c_str(), 0,
                         keyClass != nullptr ? wideClass.data() : nullptr, options, desired,
                         nullptr, result, disposition);
}

}  // namespace

// ---- keys ----------------------------------------------------------------------------

TRVAPI LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR keyClass, DWORD options,
                                   REGSAM desired, void*, PHKEY result, LPDWORD disposition) {
  return Guarded([&]() -> LONG {
    return Create(key, subKey, keyClass, options, desired, result, disposition, nullptr);
  });
}

TRVAPI LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return Guarded([&]() -> LONG {
    return Create(key, subKey != nullptr ? subKey : "", nullptr, 0, MAXIMUM_ALLOWED, result,
                  nullptr, nullptr);
  });
}

TRVAPI LONG WINAPI RegCreateKeyTransactedA(HKEY key, LPCSTR subKey, DWORD, LPSTR keyClass,
                                           DWORD options, REGSAM desired, void*, PHKEY result,
                                           LPDWORD disposition, HANDLE transaction, LPVOID) {
  return Guarded([&]() -> LONG {
    if (transaction == nullptr) return ERROR_INVALID_HANDLE;
    return Create(key, subKey, keyClass, options, desired, result, disposition, transaction);
  });
}

TRVAPI LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                 PHKEY result) {
  return Guarded([&]() -> LONG {
    std::u16string wide = Wide(subKey);
    return RegOpenKeyExW(key, subKey != nullptr ? wide.c_str() : nullptr, options, desired, result);
  });
}

TRVAPI LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return Guarded([&]() -> LONG {
    std::u16string wide = Wide(subKey);
    return RegOpenKeyW(key, subKey != nullptr ? wide.c_str() : nullptr, result);
  });
}

TRVAPI LONG WINAPI RegOpenKeyTransactedA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                         PHKEY result, HANDLE transaction, LPVOID) {
  return Guarded([&]() -> LONG {
    std::u16string wide = Wide(subKey);
    return RegOpenKeyTransactedW(key, subKey != nullptr ? wide.c_str() : nullptr, options, desired,
                                 result, transaction, nullptr);
  });
}

TRVAPI LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  return Guarded([&]() -> LONG {
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyW(key, Wide(subKey).c_str());
  });
}

TRVAPI LONG WINAPI RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  return Guarded([&]() -> LONG {
    std::u16string wide = Wide(subKey);
    return RegDeleteTreeW(key, subKey != nullptr ? wide.c_str() : nullptr);
  });
}

TRVAPI LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPSTR keyClass, LPDWORD classLength,
                                 FILETIME* lastWriteTime) {
  return Guarded([&]() -> LONG {
    if (name == nullptr || nameLength == nullptr || reserved != nullptr)
      return ERROR_INVALID_PARAMETER;
    if (keyClass != nullptr && classLength == nullptr) return ERROR_INVALID_PARAMETER;
    std::optional<SubKey> sub = EnumKey(key, index);
    if (!sub) return ERROR_NO_MORE_ITEMS;
    std::string subName = WideToAnsi(sub->name), subClass = WideToAnsi(sub->keyClass);
    if (!NameFits<char>(subName, nameLength) ||
        (keyClass != nullptr && !NameFits<char>(subClass, classLength)))
      return ERROR_MORE_DATA;
    CopyName<char>(subName, name, nameLength);
    if (keyClass != nullptr)
      CopyName<char>(subClass, keyClass, classLength);
    else if (classLength != nullptr)
      *classLength = static_cast<DWORD>(subClass.size());
    if (lastWriteTime != nullptr)
      *lastWriteTime =
          FILETIME{static_cast<DWORD>(sub->written), static_cast<DWORD>(sub->written >> 32)};
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved,
                                    LPDWORD subKeys, LPDWORD maxSubKeyLength,
                                    LPDWORD maxClassLength, LPDWORD values,
                                    LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                                    LPDWORD securityDescriptorSize, FILETIME* lastWriteTime) {
  return Guarded([&]() -> LONG {
    if (reserved != nullptr || (keyClass != nullptr && classLength == nullptr))
      return ERROR_INVALID_PARAMETER;
    // Every 1252 character is one byte, so the lengths in characters carry over; only
    // the class text itself needs converting.
    LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subKeys, maxSubKeyLength,
                                   maxClassLength, values, maxValueNameLength, maxValueLength,
                                   securityDescriptorSize, lastWriteTime);
    if (result != ERROR_SUCCESS || classLength == nullptr) return result;
    std::string cls = WideToAnsi(QueryKey(key).keyClass);
    if (keyClass != nullptr) {
      if (!NameFits<char>(cls, classLength)) {
        *classLength = static_cast<DWORD>(cls.size());
        return ERROR_MORE_DATA;
      }
      CopyName<char>(cls, keyClass, classLength);
    } else {
      *classLength = static_cast<DWORD>(cls.size());
    }
    return ERROR_SUCCESS;
  });
}

// ---- values ------------------------------------------------------------------------------

TRVAPI LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr))
      return ERROR_INVALID_PARAMETER;
    std::optional<Value> value = QueryValue(key, Wide(name));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    return CopyData(AnsiData(*value), IsStringType(value->type) ? 1 : 0, data, dataSize);
  });
}

TRVAPI LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                  DWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (data == nullptr && dataSize != 0) return ERROR_NOACCESS;
    SetValue(key, Wide(name), type, StoredData(type, data, dataSize));
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name) {
  return Guarded([&]() -> LONG {
    DeleteValue(key, Wide(name));
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (name == nullptr || nameLength == nullptr || reserved != nullptr)
      return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::optional<Value> value = EnumValue(key, index);
    if (!value) return ERROR_NO_MORE_ITEMS;
    if (type != nullptr) *type = value->type;
    std::string valueName = WideToAnsi(value->name), valueData = AnsiData(*value);
    if (!NameFits<char>(valueName, nameLength)) {
      if (dataSize != nullptr) *dataSize = static_cast<DWORD>(valueData.size());
      return ERROR_MORE_DATA;
    }
    CopyName<char>(valueName, name, nameLength);
    return CopyData(valueData, IsStringType(value->type) ? 1 : 0, data, dataSize);
  });
}
