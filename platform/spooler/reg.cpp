#include "platform/spooler/reg.h"

#include "platform/kernel.h"

namespace trv::spooler {

RegKey& RegKey::operator=(RegKey&& o) noexcept {
  if (this != &o) {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = o.key_;
    o.key_ = nullptr;
  }
  return *this;
}

RegKey::~RegKey() {
  if (key_ != nullptr) RegCloseKey(key_);
}

LONG RegKey::Open(const std::string& path) {
  HKEY k = nullptr;
  LONG r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &k);
  if (r == ERROR_SUCCESS) *this = RegKey(), key_ = k;
  return r;
}

LONG RegKey::Create(const std::string& path) {
  HKEY k = nullptr;
  LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &k, nullptr);
  if (r == ERROR_SUCCESS) *this = RegKey(), key_ = k;
  return r;
}

bool RegKey::ReadBinary(const char* name, std::vector<BYTE>* out) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  out->assign(size, 0);
  if (size == 0) return true;
  if (RegQueryValueExA(key_, name, nullptr, &type, out->data(), &size) != ERROR_SUCCESS)
    return false;
  out->resize(size);
  return true;
}

bool RegKey::ReadString(const char* name, std::string* out) const {
  std::vector<BYTE> bytes;
  if (!ReadBinary(name, &bytes)) return false;
  out->assign(bytes.begin(), bytes.end());
  // Stored texts may or may not carry their terminator.
  while (!out->empty() && out->back() == '\0') out->pop_back();
  return true;
}

bool RegKey::ReadDword(const char* name, DWORD* out) const {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return false;
  *out = value;
  return true;
}

bool RegKey::ReadMultiString(const char* name, std::vector<std::string>* out) const {
  std::vector<BYTE> bytes;
  out->clear();
  if (!ReadBinary(name, &bytes)) return false;
  std::string current;
  for (BYTE b : bytes) {
    if (b != 0) {
      current.push_back(static_cast<char>(b));
    } else {
      if (current.empty()) break;
      out->push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) out->push_back(current);
  return true;
}

LONG RegKey::WriteString(const char* name, const std::string& value) const {
  return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

LONG RegKey::WriteDword(const char* name, DWORD value) const {
  return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

LONG RegKey::WriteBinary(const char* name, const std::vector<BYTE>& value) const {
  return RegSetValueExA(key_, name, 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}

LONG RegKey::WriteMultiString(const char* name, const std::vector<std::string>& value) const {
  std::string joined;
  for (const std::string& s : value) joined += s + '\0';
  joined += '\0';
  return RegSetValueExA(key_, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(joined.data()),
                        static_cast<DWORD>(joined.size()));
}

std::vector<std::string> RegKey::SubkeyNames() const {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> RegKey::StringValues() const {
  std::vector<std::pair<std::string, std::string>> values;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof name, type = 0;
    if (RegEnumValueA(key_, i, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    std::string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) ReadString(name, &text);
    values.emplace_back(std::string(name, length), text);
  }
  return values;
}

LONG DeleteKeyTree(const std::string& path) {
  return RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
}

bool SameName(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace trv::spooler
