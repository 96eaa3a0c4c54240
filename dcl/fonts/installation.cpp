// The font installation run after the font and bar-code lists are saved: TrueType
// files registered with Windows, old font substitutes removed, metrics stored in the
// printer's key, and one WM_FONTCHANGE when anything changed.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/ufm.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts {
namespace {

class Key {
 public:
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string Field(const char* chars, size_t size) {
  return std::string(chars, strnlen(chars, size));
}

bool IsNtFamily() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The face a metrics file names; "" when it names none.
std::string FaceOfMetrics(const FontPlace& place, const FontInfo& info) {
  std::string metrics = Field(info.metricsFile, sizeof info.metricsFile);
  if (metrics.empty()) return "";
  char face[256] = "";
  DWORD error = GetLastError();
  BOOL ok = ReadMetricsFaceName(place.driverDirectory, metrics.c_str(), face, sizeof face);
  SetLastError(error);
  return ok ? face : "";
}

// The REG_SZ data of a value ("" when absent or empty).
std::string TextValue(HKEY key, const std::string& name) {
  char data[MAX_PATH + 1] = "";
  DWORD size = sizeof data - 1, type = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS)
    return "";
  data[std::min<DWORD>(size, MAX_PATH)] = 0;
  return data;
}

bool RegisterTrueType(HKEY fontsKey, const std::string& face, const std::string& trueTypeFile) {
  if (!TextValue(fontsKey, face).empty()) return false;
  std::string file = trueTypeFile.substr(0, 259);
  CharUpperA(file.data());
  // The value is written only for a font Windows took, so that a failed
  // registration is tried again on the next save.
  if (AddFontResourceA(file.c_str()) == 0) return false;
  return RegSetValueExA(fontsKey, face.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(file.c_str()),
                        static_cast<DWORD>(file.size() + 1)) == ERROR_SUCCESS;
}

bool UnregisterTrueType(HKEY fontsKey, const std::string& face, const std::string& trueTypeFile) {
  RemoveFontResourceA(trueTypeFile.c_str());
  // The face's value may name another file by now: that one stays registered.
  if (lstrcmpiA(TextValue(fontsKey, face).c_str(), trueTypeFile.c_str()) != 0) return true;
  RegDeleteValueA(fontsKey, face.c_str());
  return true;
}

DWORD RegisterFiles(const FontPlace& place, const FontInstallItem* items, size_t count,
                    bool& changed) {
  Key fontsKey;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, WindowsFontsKeyName(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, fontsKey.out(), nullptr);
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  for (size_t i = 0; i < count; ++i) {
    const FontInstallItem& item = items[i];
    if (!(item.actions & (kRegisterTrueType | kUnregisterTrueType))) continue;
    std::string trueType = Field(item.info.trueTypeFile, sizeof item.info.trueTypeFile);
    if (trueType.empty()) continue;
    std::string face = FaceOfMetrics(place, item.info);
    if (face.empty()) continue;
    if ((item.actions & kRegisterTrueType) && RegisterTrueType(fontsKey.get(), face, trueType))
      changed = true;
    if ((item.actions & kUnregisterTrueType) && UnregisterTrueType(fontsKey.get(), face, trueType))
      changed = true;
  }
  return ERROR_SUCCESS;
}

void RemoveSubstitutes(const FontPlace& place, const FontInstallItem* items, size_t count) {
  Key substitutes;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, FontSubstitutesKeyName(), 0, KEY_ALL_ACCESS,
                    substitutes.out()) != ERROR_SUCCESS)
    return;
  for (size_t i = 0; i < count; ++i) {
    const FontInstallItem& item = items[i];
    if (!(item.actions & (kRemoveSubstitute | kRemoveMetrics)) || item.name.empty()) continue;
    if (FaceOfMetrics(place, item.info).empty()) continue;
    if (IsNtFamily() && (item.actions & kRemoveSubstitute))
      RegDeleteValueA(substitutes.get(), ("TB:" + item.name.substr(0, 79)).c_str());
  }
}

bool HasValue(HKEY key, const std::string& name) {
  DWORD size = 0, type = 0;
  return RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
         size != 0;
}

DWORD ReadMetricsFile(const std::string& path, std::vector<BYTE>& bytes) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD size = GetFileSize(file, nullptr);
  bytes.assign(size == INVALID_FILE_SIZE ? 0 : size, 0);
  DWORD read = 0;
  BOOL ok = size == 0 || ReadFile(file, bytes.data(), size, &read, nullptr);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) return error;
  bytes.resize(read);
  // An empty or damaged file would only be refused later, by every reader.
  return bytes.empty() ? ERROR_BAD_FORMAT : CheckUfmImage(bytes);
}

DWORD StoreMetrics(const FontPlace& place, const FontInstallItem& item, bool& changed) {
  std::string metrics = Field(item.info.metricsFile, sizeof item.info.metricsFile);
  if (metrics.empty()) return ERROR_INVALID_PARAMETER;
  std::string valueName = "UFM:" + metrics;
  if ((item.actions & kStoreMetrics) && !HasValue(place.driverData, valueName)) {
    if (item.info.flags & 0x02) {
      std::string face = Field(item.info.faceName, sizeof item.info.faceName);
      if (!GenerateMetrics(place, place.driverData, valueName.c_str(), face.c_str(),
                           item.info.styleMask))
        return GetLastError();
    } else {
      std::vector<BYTE> bytes;
      DWORD rc = ReadMetricsFile(place.driverDirectory + metrics, bytes);
      if (rc != ERROR_SUCCESS) return rc;
      LONG set = RegSetValueExA(place.driverData, valueName.c_str(), 0, REG_BINARY, bytes.data(),
                                static_cast<DWORD>(bytes.size()));
      if (set != ERROR_SUCCESS) return static_cast<DWORD>(set);
    }
    changed = true;
  }
  if (item.actions & kRemoveMetrics) {
    RegDeleteValueA(place.driverData, valueName.c_str());
    changed = true;
  }
  return ERROR_SUCCESS;
}

}  // namespace

BOOL RunFontInstallation(const FontPlace& place, const FontInstallItem* items, size_t count) try {
  if (count == 0) return TRUE;
  if (items == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD all = 0;
  for (size_t i = 0; i < count; ++i) all |= items[i].actions;
  bool changed = false;
  DWORD rc = ERROR_SUCCESS;
  if (all & (kRegisterTrueType | kUnregisterTrueType))
    rc = RegisterFiles(place, items, count, changed);
  if (rc == ERROR_SUCCESS && (all & (kRemoveSubstitute | kRemoveMetrics)))
    RemoveSubstitutes(place, items, count);
  if (rc == ERROR_SUCCESS && (all & (kStoreMetrics | kMetricsStep))) {
    if (place.driverData == nullptr) rc = ERROR_CANTOPEN;
    for (size_t i = 0; rc == ERROR_SUCCESS && i < count; ++i)
      if (items[i].actions & (kStoreMetrics | kMetricsStep))
        rc = StoreMetrics(place, items[i], changed);
  }
  // What changed before a failure stays changed: applications hear of it too.
  if (changed) PostMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  return TRUE;
} catch (const std::bad_alloc&) {
  return Fail(ERROR_NOT_ENOUGH_MEMORY);
}

}  // namespace trv::dcl::fonts
