// Thin typed access to the registry for the spooler's state, in ANSI texts.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "platform/winerror.h"
#include "platform/winreg.h"

namespace trv::spooler {

// Where Windows keeps the spooler's state, under HKEY_LOCAL_MACHINE.
inline constexpr const char* kPrintKey = "System\\CurrentControlSet\\Control\\Print";
inline constexpr const char* kPortsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
// The machine's printing settings that are not a printer's own.
inline constexpr const char* kWindowsKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr const char* kTransmissionRetryTimeout = "TransmissionRetryTimeout";

// An open registry key, closed with its owner.
class RegKey {
 public:
  RegKey() = default;
  RegKey(RegKey&& o) noexcept : key_(o.key_) { o.key_ = nullptr; }
  RegKey& operator=(RegKey&& o) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();
  HKEY get() const { return key_; }

  // Opens (or creates) `path` under HKEY_LOCAL_MACHINE; returns the registry code.
  LONG Open(const std::string& path);
  LONG Create(const std::string& path);

  bool ReadString(const char* name, std::string* out) const;
  bool ReadDword(const char* name, DWORD* out) const;
  bool ReadBinary(const char* name, std::vector<BYTE>* out) const;
  bool ReadMultiString(const char* name, std::vector<std::string>* out) const;
  LONG WriteString(const char* name, const std::string& value) const;
  LONG WriteDword(const char* name, DWORD value) const;
  LONG WriteBinary(const char* name, const std::vector<BYTE>& value) const;
  LONG WriteMultiString(const char* name, const std::vector<std::string>& value) const;

  std::vector<std::string> SubkeyNames() const;
  // Names and REG_SZ texts of the key's values, in the key's order.
  std::vector<std::pair<std::string, std::string>> StringValues() const;

 private:
  HKEY key_ = nullptr;
};

// Deletes a key with everything below it.
LONG DeleteKeyTree(const std::string& path);

// Case-insensitive equality as Windows compares object names.
bool SameName(const std::string& a, const std::string& b);

}  // namespace trv::spooler
