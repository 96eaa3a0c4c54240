// A second process for the registry tests, working on the machine root that
// TRV_ROOT names:
//   registry_peer write KEY PREFIX COUNT   sets COUNT DWORD values PREFIX0.. = 0.., one call each
//   registry_peer read KEY NAME            prints the DWORD value NAME; exit 2 when missing
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/winreg.h"

namespace {

int Write(const char* path, const std::string& prefix, int count) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != 0)
    return 1;
  for (DWORD i = 0; i < static_cast<DWORD>(count); ++i) {
    std::string name = prefix + std::to_string(i);
    LONG result = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i),
                                 sizeof i);
    if (result != ERROR_SUCCESS) {
      std::fprintf(stderr, "set %s: %ld\n", name.c_str(), static_cast<long>(result));
      return 1;
    }
  }
  RegCloseKey(key);
  return 0;
}

int Read(const char* path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != 0) return 2;
  DWORD value = 0, size = sizeof value;
  LONG result =
      RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return 2;
  std::printf("%lu\n", static_cast<unsigned long>(value));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 5) return Write(argv[2], argv[3], std::atoi(argv[4]));
  if (command == "read" && argc == 4) return Read(argv[2], argv[3]);
  std::fprintf(stderr, "usage: registry_peer write KEY PREFIX COUNT | read KEY NAME\n");
  return 64;
}
