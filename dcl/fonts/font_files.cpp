// Finding the TrueType file of a face: first through GDI and the fonts key, the
// way applications see the machine's fonts, then by opening every face of every
// TrueType file of the fonts folder.
#include <cstdio>
#include <cstring>
#include <string>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/truetype_face.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts {
namespace {

struct EnumSearch {
  DWORD style;
  bool fullName;
  std::string found;
};

bool StyleFits(DWORD style, LONG weight, bool italic) {
  switch (style & 6) {
    case 0: return true;
    case 2: return weight >= 500;
    case 4: return italic && weight < 500;
    default: return italic && weight >= 500;
  }
}

int CALLBACK TakeFace(const LOGFONTA* font, const NEWTEXTMETRICA*, DWORD type, LPARAM lParam) {
  auto* search = reinterpret_cast<EnumSearch*>(lParam);
  if (!(type & TRUETYPE_FONTTYPE)) return 1;
  if (!StyleFits(search->style, font->lfWeight, font->lfItalic != 0)) return 1;
  const auto* elf = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
  const char* name = search->fullName ? reinterpret_cast<const char*>(elf->elfFullName)
                                      : elf->elfLogFont.lfFaceName;
  search->found.assign(name, strnlen(name, 32));
  return 0;
}

// The face GDI offers under `faceName` in `style`: its face name or its full name.
std::string GdiName(const std::string& faceName, DWORD style, bool fullName) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return "";
  LOGFONTA font{};
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, faceName.c_str(), LF_FACESIZE);
  EnumSearch search{style, fullName, ""};
  EnumFontFamiliesExA(dc, &font, TakeFace, reinterpret_cast<LPARAM>(&search), 0);
  DeleteDC(dc);
  return search.found;
}

// The REG_SZ value of the fonts key, "" when absent.
std::string FontsKeyValue(const std::string& valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsFontsKeyName(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "";
  char data[MAX_PATH + 1] = "";
  DWORD size = sizeof data - 1, type = 0;
  LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return "";
  data[std::min<DWORD>(size, MAX_PATH)] = 0;
  return data;
}

bool SameName(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The face of a file that carries a name: its family, or family and style.
long FaceIndexOf(const std::string& windowsPath, const std::string& name) {
  long found = 0;
  VisitFaces(windowsPath, [&](long index, const std::string& family, const std::string& style) {
    if (!SameName(family, name) && !SameName(family + " " + style, name)) return false;
    found = index;
    return true;
  });
  return found;
}

bool IsNtFamily() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

const char* WindowsFontsKeyName() {
  return IsNtFamily() ? "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                      : "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}

const char* FontSubstitutesKeyName() {
  return IsNtFamily() ? "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"
                      : "Software\\Microsoft\\Windows\\CurrentVersion\\FontSubstitutes";
}

std::string WindowsFontsDirectory() {
  char windows[MAX_PATH] = "";
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) return "";
  return std::string(windows) + "\\Fonts\\";
}

DWORD FindTrueTypeFace(const std::string& faceName, DWORD style, std::string& file,
                       long& faceIndex) {
  static const char* const kValueForms[] = {"%s (TrueType)", "%s", "%s Regular (TrueType)",
                                            "%s Regular"};
  std::string fonts = WindowsFontsDirectory();
  for (int i = 0; i < 8; ++i) {
    std::string name = GdiName(faceName, style, (i & 1) != 0);
    if (name.empty()) continue;
    char valueName[128];
    std::snprintf(valueName, sizeof valueName, kValueForms[i / 2], name.c_str());
    std::string value = FontsKeyValue(valueName);
    if (value.empty()) continue;
    file = value;
    // A value may hold a whole path instead of a name in the fonts folder.
    bool path = value.find_first_of("\\/:") != std::string::npos;
    faceIndex = FaceIndexOf(path ? value : fonts + value, faceName);
    return ERROR_SUCCESS;
  }

  DWORD error = ERROR_FILE_NOT_FOUND;
  for (const char* extension : {".ttf", ".ttc"}) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((fonts + "*" + extension).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      continue;
    }
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string name = data.cAlternateFileName[0] ? data.cAlternateFileName : data.cFileName;
      long matched = -1;
      VisitFaces(fonts + data.cFileName,
                 [&](long index, const std::string& family, const std::string& faceStyle) {
                   if (!SameName(faceName, family) && !SameName(faceName, family + " " + faceStyle))
                     return false;
                   matched = index;
                   return true;
                 });
      if (matched >= 0) {
        FindClose(find);
        file = name;
        faceIndex = matched;
        return ERROR_SUCCESS;
      }
    } while (FindNextFileA(find, &data));
    error = ERROR_FILE_NOT_FOUND;
    FindClose(find);
  }
  return error;
}

namespace {

// Copies a result that must fit whole: a cut name would name another file.
BOOL CopyWhole(const std::string& text, char* output, DWORD size) {
  if (output == nullptr || size == 0) return Fail(ERROR_INVALID_PARAMETER);
  if (text.size() >= size) {
    output[0] = 0;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(output, text.c_str(), text.size() + 1);
  return TRUE;
}

}  // namespace

namespace {

// The file of a face for the two exports below: FALSE with the last error set (and an
// empty output) when the arguments are bad or no file holds the face.
BOOL FindFaceFile(const char* faceName, DWORD style, char* output, DWORD size, std::string& file) {
  if (faceName == nullptr || output == nullptr || size == 0) return Fail(ERROR_INVALID_PARAMETER);
  long faceIndex = 0;
  DWORD rc = FindTrueTypeFace(faceName, style, file, faceIndex);
  if (rc != ERROR_SUCCESS) {
    output[0] = 0;
    return Fail(rc);
  }
  return TRUE;
}

}  // namespace

BOOL FindTrueTypeFile(const char* faceName, DWORD style, char* output, DWORD size) {
  std::string file;
  return FindFaceFile(faceName, style, output, size, file) && CopyWhole(file, output, size);
}

BOOL MetricsFileNameFor(const char* faceName, DWORD style, char* output, DWORD size) {
  std::string file;
  return FindFaceFile(faceName, style, output, size, file) &&
         CopyWhole(file.substr(0, file.find('.')) + ".ufm", output, size);
}

bool HasTrueTypeFile(const char* faceName, DWORD style) {
  if (faceName == nullptr) return false;
  std::string file;
  long faceIndex = 0;
  return FindTrueTypeFace(faceName, style, file, faceIndex) == ERROR_SUCCESS;
}

}  // namespace trv::dcl::fonts
