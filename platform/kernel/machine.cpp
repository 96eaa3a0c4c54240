// The machine root and the mapping between Windows paths and host paths.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/text.h"
#include "platform/stand_in.h"

namespace fs = std::filesystem;

namespace trv {
namespace {

std::mutex rootLock;
std::string rootPath;  // empty until first use

std::string DefaultRoot() {
  if (const char* r = std::getenv("TRV_ROOT"); r != nullptr && *r != 0) return r;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x != 0)
    return std::string(x) + "/trv";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.local/share/trv";
}

// The folders every Windows machine has, so that code can write into them at once.
void MakeMachineFolders(const std::string& root) {
  static const char* const kFolders[] = {
      "drive_c/windows/system32/spool/drivers/w32x86/2",
      "drive_c/windows/system32/spool/drivers/w32x86/3",
      "drive_c/windows/system32/spool/PRINTERS",
      "drive_c/windows/system",
      "drive_c/windows/Fonts",
      "drive_c/windows/temp",
      "drive_c/windows/help",
      "drive_c/Program Files",
  };
  std::error_code ec;
  for (const char* f : kFolders) fs::create_directories(fs::path(root) / f, ec);
}

}  // namespace

std::string MachineRoot() {
  std::lock_guard<std::mutex> guard(rootLock);
  if (rootPath.empty()) {
    rootPath = fs::absolute(DefaultRoot()).lexically_normal().string();
    while (rootPath.size() > 1 && rootPath.back() == '/') rootPath.pop_back();
    MakeMachineFolders(rootPath);
  }
  return rootPath;
}

void SetMachineRoot(const std::string& hostPath) {
  std::lock_guard<std::mutex> guard(rootLock);
  rootPath = fs::absolute(hostPath).lexically_normal().string();
  while (rootPath.size() > 1 && rootPath.back() == '/') rootPath.pop_back();
  MakeMachineFolders(rootPath);
}

namespace {

// Finds the entry a short (8.3) name stands for, as Windows opens files by either name.
std::string FindByShortName(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return "";
  std::vector<std::string> entries;
  while (dirent* e = ::readdir(d)) entries.emplace_back(e->d_name);
  ::closedir(d);
  std::string ansi = kernel::Utf8ToAnsi(name);
  for (const std::string& entry : entries) {
    std::string shortName = kernel::ShortNameIn(dir.empty() ? "/" : dir, kernel::Utf8ToAnsi(entry));
    if (!shortName.empty() && kernel::CompareNoCase(shortName, ansi) == 0) return entry;
  }
  return "";
}

// Finds a directory entry whose name equals `name` without regard to case.
std::string FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return "";
  std::string found;
  std::u16string wanted = kernel::Utf8ToWide(name, nullptr);
  while (dirent* e = ::readdir(d)) {
    std::u16string have = kernel::Utf8ToWide(e->d_name, nullptr);
    if (kernel::CompareNoCaseW(have, wanted) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  if (found.empty() && name.find('~') != std::string::npos) found = FindByShortName(dir, name);
  return found;
}

bool Exists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, const std::string& name) {
  std::string out;
  out.reserve(dir.size() + name.size() + 1);
  out.append(dir);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

// Appends the components of `rest` (separated by '/') to `base`, resolving each
// missing component without regard to case.
std::string Resolve(std::string base, const std::string& rest) {
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find('/', i);
    if (j == std::string::npos) j = rest.size();
    std::string part = rest.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      size_t cut = base.rfind('/');
      if (cut != std::string::npos && cut > 0)
        base.resize(cut);
      else
        base.assign(1, '/');
      continue;
    }
    std::string candidate = Join(base, part);
    if (!Exists(candidate)) {
      std::string match = FindNoCase(base, part);
      if (!match.empty()) candidate = Join(base, match);
    }
    base = candidate;
  }
  return base;
}

std::string DriveRoot(char letter) {
  letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  if (letter == 'z') return "/";
  return MachineRoot() + "/drive_" + std::string(1, letter);
}

}  // namespace

std::string HostPath(const std::string& windowsPathUtf8) {
  std::string p = windowsPathUtf8;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.empty()) return "";
  // UNC names (\\server\share) reach no host file.
  if (p.size() >= 2 && p[0] == '/' && p[1] == '/') return "";
  if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
    std::string rest = p.substr(2);
    return Resolve(DriveRoot(p[0]), rest);
  }
  if (p[0] == '/') {
    // A host absolute path stays one: tools hand the platform the user's paths.
    return Resolve("/", p.substr(1));
  }
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return "";
  return Resolve(cwd, p);
}

std::string WindowsPath(const std::string& hostPath) {
  std::string abs = fs::absolute(hostPath).lexically_normal().string();
  std::string driveC = MachineRoot() + "/drive_c";
  std::string out;
  if (abs == driveC || abs.rfind(driveC + "/", 0) == 0) {
    out = "C:" + abs.substr(driveC.size());
    if (out == "C:") out = "C:/";
  } else {
    out = "Z:" + abs;
  }
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

}  // namespace trv

namespace trv::kernel {

std::string HostPathOfAnsi(const std::string& windowsPath) {
  return trv::HostPath(AnsiToUtf8(windowsPath));
}

std::string HostPathOfWide(const std::u16string& windowsPath) {
  return trv::HostPath(WideToUtf8(windowsPath));
}

unsigned long ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case EIO:
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace trv::kernel

namespace {

// Copies a text the Win32 way for the directory calls: the length without the
// terminator when it fits, else the size needed including it.
UINT CopyOut(const std::string& text, LPSTR buffer, UINT size) {
  if (buffer == nullptr || size <= text.size()) return static_cast<UINT>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<UINT>(text.size());
}

UINT CopyOutW(const std::string& text, LPWSTR buffer, UINT size) {
  std::u16string w = trv::kernel::AnsiToWide(text);
  if (buffer == nullptr || size <= w.size()) return static_cast<UINT>(w.size() + 1);
  std::memcpy(buffer, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
  return static_cast<UINT>(w.size());
}

std::string SystemDirectory() {
  return trv::IsWindowsNT() ? "C:\\WINDOWS\\system32" : "C:\\WINDOWS\\SYSTEM";
}

}  // namespace

TRVAPI UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return CopyOut("C:\\WINDOWS", buffer, size);
}
TRVAPI UINT WINAPI GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  return CopyOutW("C:\\WINDOWS", buffer, size);
}
TRVAPI UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return CopyOut(SystemDirectory(), buffer, size);
}
TRVAPI UINT WINAPI GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  return CopyOutW(SystemDirectory(), buffer, size);
}

TRVAPI DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
  std::error_code ec;
  fs::create_directories(trv::HostPath("C:\\WINDOWS\\TEMP"), ec);
  return CopyOut("C:\\WINDOWS\\TEMP\\", buffer, size);
}

TRVAPI UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer) {
  if (path == nullptr || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string dir = path;
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  std::string pre = prefix != nullptr ? std::string(prefix).substr(0, 3) : "";
  char name[32];
  if (unique != 0) {
    std::snprintf(name, sizeof name, "%s%X.TMP", pre.c_str(), unique & 0xFFFF);
    std::string full = dir + name;
    if (full.size() >= MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return unique & 0xFFFF;
  }
  // Creates the file, as Windows does when it picks the number itself.
  UINT start = (GetTickCount() ^ static_cast<UINT>(::getpid())) & 0xFFFF;
  for (UINT k = 0; k < 0x10000; ++k) {
    UINT n = ((start + k) & 0xFFFF) == 0 ? 1 : ((start + k) & 0xFFFF);
    std::snprintf(name, sizeof name, "%s%X.TMP", pre.c_str(), n);
    std::string full = dir + name;
    HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      if (full.size() >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
      }
      std::memcpy(buffer, full.c_str(), full.size() + 1);
      return n;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return 0;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

TRVAPI DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  const char* v = name != nullptr ? std::getenv(name) : nullptr;
  if (v == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  std::string text = trv::kernel::Utf8ToAnsi(v);
  return CopyOut(text, buffer, size);
}
