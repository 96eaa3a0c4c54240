// The typed values of the printer's registry lists and the names they are stored under.
#include "dcl/object/printer_registry.h"

#include <cstdio>
#include <cstring>

#include "dcl/object/registry_parts.h"
#include "dcl/units.h"

namespace trv::dcl {

namespace registry_parts {

LONG QueryExact(HKEY key, const char* name, DWORD type, void* data, DWORD size) {
  DWORD actualType = 0;
  DWORD actualSize = size;
  LONG rc =
      RegQueryValueExA(key, name, nullptr, &actualType, static_cast<BYTE*>(data), &actualSize);
  if (rc == ERROR_MORE_DATA) return ERROR_CANTREAD;
  if (rc != ERROR_SUCCESS) return rc;
  return actualType == type && actualSize == size ? ERROR_SUCCESS : ERROR_CANTREAD;
}

}  // namespace registry_parts

using registry_parts::QueryExact;

LONG ReadDwordValue(HKEY key, const char* name, DWORD& value) {
  return QueryExact(key, name, REG_DWORD, &value, sizeof value);
}

LONG ReadPointValue(HKEY key, const char* name, LONG& x, LONG& y) {
  LONG point[2] = {0, 0};
  LONG rc = QueryExact(key, name, REG_BINARY, point, sizeof point);
  if (rc == ERROR_SUCCESS) {
    x = point[0];
    y = point[1];
  }
  return rc;
}

LONG ReadFontInfoValue(HKEY key, const char* name, FontInfo& info) {
  return QueryExact(key, name, REG_BINARY, &info, sizeof info);
}

LONG ReadTextValue(HKEY key, const char* name, std::string& text) {
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ) return ERROR_CANTREAD;
  std::string data(size, '\0');
  rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ) return ERROR_CANTREAD;
  data.resize(size);
  // A text written by another tool may carry its terminator; it is not part of it.
  size_t end = data.find('\0');
  if (end != std::string::npos) data.resize(end);
  text = std::move(data);
  return ERROR_SUCCESS;
}

LONG WriteDwordValue(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

LONG WritePointValue(HKEY key, const char* name, LONG x, LONG y) {
  const LONG point[2] = {x, y};
  return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(point),
                        sizeof point);
}

LONG WriteFontInfoValue(HKEY key, const char* name, const FontInfo& info) {
  return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&info),
                        sizeof info);
}

LONG WriteTextValue(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text)));
}

DWORD ReadUserMetrics(HKEY driverData) {
  DWORD unit = 0;
  LONG rc = ReadDwordValue(driverData, "UserMetrics", unit);
  if (rc == ERROR_FILE_NOT_FOUND) {
    unit = kUnitCentimetres;
    rc = WriteDwordValue(driverData, "UserMetrics", unit);
  }
  return rc == ERROR_SUCCESS ? unit : 0;
}

DWORD ReadDpiOverride(HKEY driverData) {
  DWORD dpi = 0;
  if (ReadDwordValue(driverData, "UseDPIRegistry", dpi) != ERROR_SUCCESS) return 0;
  return dpi >= 1 && dpi <= 999 ? dpi : 0;
}

// The stored names: "0x0001-name" for entries, "(0x0001)" for properties.
std::string EntryKeyName(size_t index, const char* name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "0x%04X-", static_cast<unsigned>(index));
  return std::string(prefix) + name;
}

std::string PropertyValueName(WORD optionId) {
  char name[16];
  std::snprintf(name, sizeof name, "(0x%04lX)", static_cast<unsigned long>(optionId));
  return name;
}

}  // namespace trv::dcl
