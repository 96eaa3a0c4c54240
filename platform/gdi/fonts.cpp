// The process's font table: what AddFontResource added (counted per file) and the
// fonts of the machine's fonts key, loaded on the first GDI call as Windows does at
// logon; and the font-family enumeration over it.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/font_faces.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/text.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace {

using trv::gdi::FontFace;

struct FontFile {
  std::string hostPath;
  int references = 0;
  std::vector<FontFace> faces;
};

struct FontTable {
  std::recursive_mutex lock;
  bool startupFontsLoaded = false;
  std::string root;  // the machine root the table was filled from
  std::vector<FontFile> files;
};

FontTable& Table() {
  static auto* table = new FontTable;  // used until the process ends
  return *table;
}

bool Exists(const std::string& hostPath) {
  struct stat st;
  return !hostPath.empty() && ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A bare file name is a font of the fonts folder; anything else is a path.
std::string HostPathOfFont(const std::string& name) {
  if (name.find_first_of("\\/:") == std::string::npos) {
    std::string inFonts = trv::kernel::HostPathOfAnsi(trv::FontsFolder() + "\\" + name);
    if (Exists(inFonts)) return inFonts;
  }
  return trv::kernel::HostPathOfAnsi(name);
}

int AddFile(FontTable& t, const std::string& name) {
  std::string path = HostPathOfFont(name);
  if (!Exists(path)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  for (FontFile& f : t.files) {
    if (f.hostPath != path) continue;
    ++f.references;
    return static_cast<int>(f.faces.size());
  }
  std::vector<FontFace> faces = trv::gdi::ReadFontFaces(path);
  if (faces.empty()) {
    SetLastError(ERROR_BAD_FORMAT);
    return 0;
  }
  t.files.push_back({path, 1, std::move(faces)});
  return static_cast<int>(t.files.back().faces.size());
}

// The fonts the machine's fonts key names are there before the first call; a new
// machine root (a test's fresh machine) starts a new table.
FontTable& LoadedTable() {
  FontTable& t = Table();
  std::string root = trv::MachineRoot();
  if (t.startupFontsLoaded && t.root == root) return t;
  t.files.clear();
  t.startupFontsLoaded = true;
  t.root = root;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, trv::FontsKeyPath(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return t;
  DWORD error = GetLastError();
  for (DWORD i = 0;; ++i) {
    char name[512];
    BYTE data[MAX_PATH * 2];
    DWORD nameLength = sizeof name, dataSize = sizeof data - 1, type = 0;
    LONG rc = RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataSize);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    if (type != REG_SZ || dataSize == 0) continue;
    data[dataSize] = 0;
    AddFile(t, reinterpret_cast<const char*>(data));
  }
  RegCloseKey(key);
  SetLastError(error);
  return t;
}

template <class T>
void CopyName(T* out, size_t capacity, const std::string& ansi) {
  if constexpr (sizeof(T) == 1) {
    lstrcpynA(reinterpret_cast<char*>(out), ansi.c_str(), static_cast<int>(capacity));
  } else {
    std::u16string wide = trv::kernel::AnsiToWide(ansi);
    size_t n = std::min(wide.size(), capacity - 1);
    std::copy_n(wide.begin(), n, out);
    out[n] = 0;
  }
}

BYTE PitchAndFamily(const FontFace& face) {
  BYTE family = face.panoseFamily == 2 ? (face.fixedPitch ? FF_MODERN : FF_SWISS) : FF_DONTCARE;
  return static_cast<BYTE>((face.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) | family);
}

template <class Elf, class Ntm>
void Describe(const FontFace& face, Elf& elf, Ntm& ntm) {
  std::memset(&elf, 0, sizeof elf);
  std::memset(&ntm, 0, sizeof ntm);
  auto& lf = elf.elfLogFont;
  lf.lfHeight = face.ascender + face.descender;
  lf.lfWidth = face.averageWidth;
  lf.lfWeight = face.weight;
  lf.lfItalic = face.italic ? 1 : 0;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfPitchAndFamily = PitchAndFamily(face);
  CopyName(lf.lfFaceName, LF_FACESIZE, face.family);
  CopyName(elf.elfFullName, LF_FULLFACESIZE, face.fullName);
  CopyName(elf.elfStyle, LF_FACESIZE, face.style);
  CopyName(elf.elfScript, LF_FACESIZE, "Western");
  auto& tm = ntm.ntmTm;
  tm.tmHeight = face.ascender + face.descender;
  tm.tmAscent = face.ascender;
  tm.tmDescent = face.descender;
  tm.tmInternalLeading = face.ascender + face.descender - face.unitsPerEm;
  tm.tmExternalLeading = std::max(0, face.lineGap);
  tm.tmAveCharWidth = face.averageWidth;
  tm.tmMaxCharWidth = face.maxWidth;
  tm.tmWeight = face.weight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  using Ch = decltype(tm.tmFirstChar);
  auto clamp = [](unsigned c) { return static_cast<Ch>(std::min<unsigned>(c, Ch(~Ch(0)))); };
  tm.tmFirstChar = clamp(face.firstChar);
  tm.tmLastChar = clamp(face.lastChar);
  tm.tmDefaultChar = clamp(face.defaultChar);
  tm.tmBreakChar = clamp(face.breakChar);
  tm.tmItalic = face.italic ? 1 : 0;
  // TEXTMETRIC's pitch bit is set for variable-pitch fonts, the opposite of LOGFONT's.
  tm.tmPitchAndFamily =
      static_cast<BYTE>((lf.lfPitchAndFamily & 0xF0) | (face.fixedPitch ? 0 : TMPF_FIXED_PITCH) |
                        (face.trueType ? TMPF_TRUETYPE | TMPF_VECTOR : 0));
  tm.tmCharSet = ANSI_CHARSET;
  tm.ntmFlags = (face.italic ? NTM_ITALIC : 0) | (face.weight >= 600 ? NTM_BOLD : 0) |
                (!face.italic && face.weight < 600 ? NTM_REGULAR : 0);
  tm.ntmSizeEM = static_cast<UINT>(face.unitsPerEm);
  tm.ntmCellHeight = static_cast<UINT>(face.ascender + face.descender);
  tm.ntmAvgWidth = static_cast<UINT>(face.averageWidth);
  ntm.ntmFontSig.fsCsb[0] = 1;  // Latin 1
}

// A printer's own face as enumeration describes it: at its design size, a device
// font (not TrueType).
template <class Elf, class Ntm>
void DescribeDevice(const trv::gdi::DeviceFaceDescription& face, Elf& elf, Ntm& ntm) {
  std::memset(&elf, 0, sizeof elf);
  std::memset(&ntm, 0, sizeof ntm);
  const TEXTMETRICW& m = face.metrics;
  std::string ansi = trv::kernel::WideToAnsi(face.family);
  auto& lf = elf.elfLogFont;
  lf.lfHeight = m.tmHeight;
  lf.lfWidth = m.tmAveCharWidth;
  lf.lfWeight = m.tmWeight;
  lf.lfItalic = m.tmItalic;
  lf.lfCharSet = m.tmCharSet;
  lf.lfOutPrecision = OUT_DEVICE_PRECIS;
  bool fixed = (m.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
  lf.lfPitchAndFamily =
      static_cast<BYTE>((m.tmPitchAndFamily & 0xF0) | (fixed ? FIXED_PITCH : VARIABLE_PITCH));
  CopyName(lf.lfFaceName, LF_FACESIZE, ansi);
  CopyName(elf.elfFullName, LF_FULLFACESIZE, ansi);
  CopyName(elf.elfStyle, LF_FACESIZE, "Regular");
  CopyName(elf.elfScript, LF_FACESIZE, "Western");
  auto& tm = ntm.ntmTm;
  std::memcpy(&tm, &m, offsetof(TEXTMETRICW, tmFirstChar));
  using Ch = decltype(tm.tmFirstChar);
  auto clamp = [](unsigned c) { return static_cast<Ch>(std::min<unsigned>(c, Ch(~Ch(0)))); };
  tm.tmFirstChar = clamp(m.tmFirstChar);
  tm.tmLastChar = clamp(m.tmLastChar);
  tm.tmDefaultChar = clamp(m.tmDefaultChar);
  tm.tmBreakChar = clamp(m.tmBreakChar);
  tm.tmItalic = m.tmItalic;
  tm.tmPitchAndFamily = m.tmPitchAndFamily;
  tm.tmCharSet = m.tmCharSet;
  tm.ntmFlags = m.tmItalic ? NTM_ITALIC : NTM_REGULAR;
  tm.ntmSizeEM = face.emHeight;
  tm.ntmCellHeight = static_cast<UINT>(m.tmHeight);
  tm.ntmAvgWidth = static_cast<UINT>(m.tmAveCharWidth);
  ntm.ntmFontSig.fsCsb[0] = 1;  // Latin 1
}

// Enumerates under the table's lock a snapshot of the faces: the callback may call
// GDI again.
template <class Elf, class Ntm, class Lf, class Proc>
int Enumerate(HDC dc, const std::string& faceName, Proc proc, LPARAM lParam) {
  if (!trv::gdi::IsDc(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  std::vector<FontFace> faces;
  {
    FontTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    LoadedTable();
    std::vector<std::string> families;
    for (const FontFile& file : t.files) {
      for (const FontFace& face : file.faces) {
        if (!faceName.empty()) {
          if (trv::kernel::CompareNoCase(face.family, faceName) == 0) faces.push_back(face);
          continue;
        }
        bool seen = std::any_of(families.begin(), families.end(), [&](const std::string& f) {
          return trv::kernel::CompareNoCase(f, face.family) == 0;
        });
        if (seen) continue;
        families.push_back(face.family);
        faces.push_back(face);
      }
    }
  }
  // The printer's own faces first: one per family, or each of the family asked for.
  std::vector<trv::gdi::DeviceFaceDescription> device;
  std::u16string wanted = trv::kernel::AnsiToWide(faceName);
  for (trv::gdi::DeviceFaceDescription& d : trv::gdi::DescribeDeviceFaces(dc)) {
    bool take = faceName.empty()
                    ? std::none_of(device.begin(), device.end(),
                                   [&](const trv::gdi::DeviceFaceDescription& seen) {
                                     return trv::kernel::CompareNoCaseW(seen.family, d.family) == 0;
                                   })
                    : trv::kernel::CompareNoCaseW(d.family, wanted) == 0;
    if (take) device.push_back(std::move(d));
  }
  int result = 1;
  for (const trv::gdi::DeviceFaceDescription& face : device) {
    Elf elf;
    Ntm ntm;
    DescribeDevice(face, elf, ntm);
    result = proc(reinterpret_cast<const Lf*>(&elf),
                  reinterpret_cast<const decltype(ntm.ntmTm)*>(&ntm), DEVICE_FONTTYPE, lParam);
    if (result == 0) return result;
  }
  for (const FontFace& face : faces) {
    Elf elf;
    Ntm ntm;
    Describe(face, elf, ntm);
    DWORD type = face.trueType ? TRUETYPE_FONTTYPE : 0;
    result = proc(reinterpret_cast<const Lf*>(&elf),
                  reinterpret_cast<const decltype(ntm.ntmTm)*>(&ntm), type, lParam);
    if (result == 0) break;
  }
  return result;
}

}  // namespace

namespace trv {

std::string FontsFolder() {
  char windows[MAX_PATH] = "";
  if (GetWindowsDirectoryA(windows, sizeof windows) == 0) return "";
  return std::string(windows) + "\\Fonts";
}

const char* FontsKeyPath() {
  return IsWindowsNT() ? "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                       : "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}

std::vector<std::string> LoadedFontFiles() {
  FontTable& t = Table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  std::vector<std::string> files;
  for (const FontFile& f : LoadedTable().files) files.push_back(WindowsPath(f.hostPath));
  return files;
}

}  // namespace trv

namespace trv::gdi {

// The font mapper, as far as a label needs it: the family asked for (without regard
// to case), else the first family of the table; within the family the face nearest
// in weight whose slant matches, the slant counting more.
bool FindFontFile(const std::string& family, int weight, bool italic, FontChoice* choice) {
  FontTable& t = Table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  LoadedTable();
  auto sameName = [&](const std::string& a) {
    return a.size() == family.size() && lstrcmpiA(a.c_str(), family.c_str()) == 0;
  };
  std::string wanted;
  for (const FontFile& file : t.files)
    for (const FontFace& face : file.faces)
      if (wanted.empty() && sameName(face.family)) wanted = face.family;
  if (wanted.empty()) {
    for (const FontFile& file : t.files)
      if (wanted.empty() && !file.faces.empty()) wanted = file.faces[0].family;
  }
  if (wanted.empty()) return false;
  long best = -1;
  for (const FontFile& file : t.files)
    for (size_t i = 0; i < file.faces.size(); ++i) {
      const FontFace& face = file.faces[i];
      if (face.family != wanted) continue;
      long score = std::abs(face.weight - (weight == 0 ? FW_NORMAL : weight)) +
                   (face.italic != italic ? 10000 : 0);
      if (best >= 0 && score >= best) continue;
      best = score;
      *choice = {file.hostPath, static_cast<int>(i), face.family};
    }
  return true;
}

}  // namespace trv::gdi

TRVAPI int WINAPI AddFontResourceA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  FontTable& t = Table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  return AddFile(LoadedTable(), fileName);
}

TRVAPI int WINAPI AddFontResourceW(LPCWSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return AddFontResourceA(trv::kernel::WideToAnsi(fileName).c_str());
}

TRVAPI BOOL WINAPI RemoveFontResourceA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FontTable& t = Table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  LoadedTable();
  std::string path = HostPathOfFont(fileName);
  auto it = std::find_if(t.files.begin(), t.files.end(),
                         [&](const FontFile& f) { return f.hostPath == path; });
  if (it == t.files.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (--it->references == 0) t.files.erase(it);
  return TRUE;
}

TRVAPI BOOL WINAPI RemoveFontResourceW(LPCWSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return RemoveFontResourceA(trv::kernel::WideToAnsi(fileName).c_str());
}

TRVAPI int WINAPI EnumFontFamiliesExA(HDC dc, LOGFONTA* font, FONTENUMPROCA proc, LPARAM lParam,
                                      DWORD) {
  if (font == nullptr || proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string name(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE));
  return Enumerate<ENUMLOGFONTEXA, NEWTEXTMETRICEXA, LOGFONTA>(dc, name, proc, lParam);
}

TRVAPI int WINAPI EnumFontFamiliesExW(HDC dc, LOGFONTW* font, FONTENUMPROCW proc, LPARAM lParam,
                                      DWORD) {
  if (font == nullptr || proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string wide;
  for (int i = 0; i < LF_FACESIZE && font->lfFaceName[i] != 0; ++i) wide += font->lfFaceName[i];
  return Enumerate<ENUMLOGFONTEXW, NEWTEXTMETRICEXW, LOGFONTW>(dc, trv::kernel::WideToAnsi(wide),
                                                               proc, lParam);
}
