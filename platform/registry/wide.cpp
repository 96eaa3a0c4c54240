// The W entry points: names and string data are UTF-16 and stored as given.
#include "platform/registry/buffers.h"
#include "platform/registry/error.h"
#include "platform/registry/operations.h"
#include "platform/winreg.h"

using namespace trv::registry;

namespace {

std::u16string_view View(LPCWSTR s) {
  return s != nullptr ? std::u16string_view(s) : std::u16string_view();
}

// Options a key can be created with; volatile keys are kept like any other, since
// this machine never restarts its registry.
constexpr DWORD kCreateOptions = REG_OPTION_VOLATILE | REG_OPTION_BACKUP_RESTORE;

LONG Create(HKEY key, LPCWSTR subKey, LPCWSTR keyClass, DWORD options, REGSAM desired, PHKEY result,
            LPDWORD disposition, HANDLE transaction) {
  return Guarded([&]() -> LONG {
    if (result == nullptr || subKey == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if ((options & ~kCreateOptions) != 0) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Transaction> t =
        transaction != nullptr ? ResolveTransaction(transaction) : nullptr;
    *result = CreateKey(key, View(subKey), View(keyClass), desired, t, disposition);
    return ERROR_SUCCESS;
  });
}

LONG Open(HKEY key, LPCWSTR subKey, REGSAM desired, PHKEY result, HANDLE transaction) {
  return Guarded([&]() -> LONG {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::shared_ptr<Transaction> t =
        transaction != nullptr ? ResolveTransaction(transaction) : nullptr;
    *result = OpenKey(key, View(subKey), desired, t);
    return ERROR_SUCCESS;
  });
}

}  // namespace

// ---- keys ----------------------------------------------------------------------------

TRVAPI LONG WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR keyClass, DWORD options,
                                   REGSAM desired, void*, PHKEY result, LPDWORD disposition) {
  return Create(key, subKey, keyClass, options, desired, result, disposition, nullptr);
}

TRVAPI LONG WINAPI RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  return Create(key, subKey != nullptr ? subKey : u"", nullptr, 0, MAXIMUM_ALLOWED, result, nullptr,
                nullptr);
}

TRVAPI LONG WINAPI RegCreateKeyTransactedW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR keyClass,
                                           DWORD options, REGSAM desired, void*, PHKEY result,
                                           LPDWORD disposition, HANDLE transaction, LPVOID) {
  if (transaction == nullptr) return ERROR_INVALID_HANDLE;
  return Create(key, subKey, keyClass, options, desired, result, disposition, transaction);
}

TRVAPI LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  return Open(key, subKey, desired, result, nullptr);
}

TRVAPI LONG WINAPI RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  // The old call hands back the key itself when there is nothing to open.
  if (subKey == nullptr || *subKey == 0) {
    *result = key;
    return ERROR_SUCCESS;
  }
  return Open(key, subKey, MAXIMUM_ALLOWED, result, nullptr);
}

TRVAPI LONG WINAPI RegOpenKeyTransactedW(HKEY key, LPCWSTR subKey, DWORD, REGSAM desired,
                                         PHKEY result, HANDLE transaction, LPVOID) {
  if (transaction == nullptr) return ERROR_INVALID_HANDLE;
  return Open(key, subKey, desired, result, transaction);
}

TRVAPI LONG WINAPI RegCloseKey(HKEY key) {
  return Guarded([&]() -> LONG {
    CloseKey(key);
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegFlushKey(HKEY key) {
  return Guarded([&]() -> LONG {
    FlushKey(key);
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  return Guarded([&]() -> LONG {
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    DeleteKey(key, subKey);
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
  return Guarded([&]() -> LONG {
    std::u16string name = subKey != nullptr ? std::u16string(subKey) : std::u16string();
    DeleteTree(key, subKey != nullptr ? &name : nullptr);
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPWSTR keyClass, LPDWORD classLength,
                                 FILETIME* lastWriteTime) {
  return Guarded([&]() -> LONG {
    if (name == nullptr || nameLength == nullptr || reserved != nullptr)
      return ERROR_INVALID_PARAMETER;
    if (keyClass != nullptr && classLength == nullptr) return ERROR_INVALID_PARAMETER;
    std::optional<SubKey> sub = EnumKey(key, index);
    if (!sub) return ERROR_NO_MORE_ITEMS;
    std::u16string_view subName = sub->name, subClass = sub->keyClass;
    if (!NameFits(subName, nameLength) || (keyClass != nullptr && !NameFits(subClass, classLength)))
      return ERROR_MORE_DATA;
    CopyName(subName, name, nameLength);
    if (keyClass != nullptr)
      CopyName(subClass, keyClass, classLength);
    else if (classLength != nullptr)
      *classLength = static_cast<DWORD>(subClass.size());
    if (lastWriteTime != nullptr)
      *lastWriteTime =
          FILETIME{static_cast<DWORD>(sub->written), static_cast<DWORD>(sub->written >> 32)};
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classLength,
                                    LPDWORD reserved, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                                    LPDWORD maxClassLength, LPDWORD values,
                                    LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                                    LPDWORD securityDescriptorSize, FILETIME* lastWriteTime) {
  return Guarded([&]() -> LONG {
    if (reserved != nullptr || (keyClass != nullptr && classLength == nullptr))
      return ERROR_INVALID_PARAMETER;
    KeyStats stats = QueryKey(key);
    if (subKeys != nullptr) *subKeys = stats.subKeys;
    if (maxSubKeyLength != nullptr) *maxSubKeyLength = stats.maxSubKeyLength;
    if (maxClassLength != nullptr) *maxClassLength = stats.maxClassLength;
    if (values != nullptr) *values = stats.values;
    if (maxValueNameLength != nullptr) *maxValueNameLength = stats.maxValueNameLength;
    if (maxValueLength != nullptr) *maxValueLength = stats.maxValueLength;
    // Keys carry no security descriptors on this machine.
    if (securityDescriptorSize != nullptr) *securityDescriptorSize = 0;
    if (lastWriteTime != nullptr)
      *lastWriteTime =
          FILETIME{static_cast<DWORD>(stats.written), static_cast<DWORD>(stats.written >> 32)};
    if (classLength == nullptr) return ERROR_SUCCESS;
    std::u16string_view cls = stats.keyClass;
    if (keyClass != nullptr) {
      if (!NameFits(cls, classLength)) {
        *classLength = static_cast<DWORD>(cls.size());
        return ERROR_MORE_DATA;
      }
      CopyName(cls, keyClass, classLength);
    } else {
      *classLength = static_cast<DWORD>(cls.size());
    }
    return ERROR_SUCCESS;
  });
}

// ---- values ------------------------------------------------------------------------------

TRVAPI LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr))
      return ERROR_INVALID_PARAMETER;
    std::optional<Value> value = QueryValue(key, View(name));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    return CopyData(value->data, IsStringType(value->type) ? 2 : 0, data, dataSize);
  });
}

TRVAPI LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data,
                                  DWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (data == nullptr && dataSize != 0) return ERROR_NOACCESS;
    SetValue(key, View(name), type,
             std::string_view(reinterpret_cast<const char*>(data), data != nullptr ? dataSize : 0));
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR name) {
  return Guarded([&]() -> LONG {
    DeleteValue(key, View(name));
    return ERROR_SUCCESS;
  });
}

TRVAPI LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return Guarded([&]() -> LONG {
    if (name == nullptr || nameLength == nullptr || reserved != nullptr)
      return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::optional<Value> value = EnumValue(key, index);
    if (!value) return ERROR_NO_MORE_ITEMS;
    if (type != nullptr) *type = value->type;
    std::u16string_view valueName = value->name;
    // A short name buffer is left alone, but the caller still learns the data size.
    if (!NameFits(valueName, nameLength)) {
      if (dataSize != nullptr) *dataSize = static_cast<DWORD>(value->data.size());
      return ERROR_MORE_DATA;
    }
    CopyName(valueName, name, nameLength);
    return CopyData(value->data, IsStringType(value->type) ? 2 : 0, data, dataSize);
  });
}
