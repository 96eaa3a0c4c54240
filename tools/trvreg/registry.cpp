#include "tools/trvreg/registry.h"

#include <algorithm>

#include "tools/trvreg/text.h"

namespace trvreg {

std::optional<KeyPath> ParseKeyPath(std::u16string_view text) {
  while (!text.empty() && text.back() == u'\\') text.remove_suffix(1);
  size_t slash = text.find(u'\\');
  std::u16string_view root = text.substr(0, slash);
  std::u16string_view rest =
      slash == std::u16string_view::npos ? std::u16string_view() : text.substr(slash + 1);
  static const struct {
    const char16_t* shortName;
    const char16_t* longName;
    HKEY key;
  } kRoots[] = {{u"HKLM", u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                {u"HKCU", u"HKEY_CURRENT_USER", HKEY_CURRENT_USER}};
  for (const auto& r : kRoots)
    if (SameName(root, r.shortName) || SameName(root, r.longName))
      return KeyPath{r.key, r.longName, std::u16string(rest)};
  return std::nullopt;
}

LONG ReadValues(HKEY key, std::vector<ValueEntry>& values) {
  values.clear();
  DWORD maxName = 0, maxData = 0;
  LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &maxName, &maxData, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  std::u16string name(maxName + 1, u'\0');
  std::string data(maxData, '\0');
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()),
          type = 0;
    result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                           reinterpret_cast<BYTE*>(data.data()), &size);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA) {  // changed by someone else meanwhile: grow and retry
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<size_t>(data.size() * 2, size));
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    values.push_back(ValueEntry{name.substr(0, nameLength), type, data.substr(0, size)});
    ++index;
  }
}

LONG ReadSubKeys(HKEY key, std::vector<std::u16string>& names) {
  names.clear();
  WCHAR name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) return result;
    names.emplace_back(name, length);
  }
}

LONG ReadValue(HKEY key, const std::u16string& name, ValueEntry& value) {
  DWORD size = 0, type = 0;
  LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (result != ERROR_SUCCESS) return result;
  std::string data(size, '\0');
  result = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                            &size);
  if (result != ERROR_SUCCESS) return result;
  value = ValueEntry{name, type, data.substr(0, size)};
  return ERROR_SUCCESS;
}

}  // namespace trvreg
