// Files over host file descriptors, reached through Windows paths.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/text.h"
#include "platform/last_error.h"

using trv::kernel::ErrorFromErrno;

namespace {

class FileObject : public trv::kernel::HandleObject {
 public:
  explicit FileObject(int fd) : fd_(fd) {}
  ~FileObject() override {
    if (fd_ >= 0) ::close(fd_);
  }
  DWORD Close() override {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::shared_ptr<FileObject> FileOf(HANDLE h) {
  auto f = trv::kernel::FindHandleAs<FileObject>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ParentExists(const std::string& path) {
  size_t cut = path.rfind('/');
  if (cut == std::string::npos || cut == 0) return true;
  return IsDirectory(path.substr(0, cut));
}

HANDLE OpenHost(const std::string& path, DWORD access, DWORD disposition) {
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (IsDirectory(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  bool read = (access & GENERIC_READ) != 0;
  bool write = (access & GENERIC_WRITE) != 0;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  struct stat st;
  bool existed = ::stat(path.c_str(), &st) == 0;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!write) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    int e = errno;
    if (e == ENOENT && !ParentExists(path))
      SetLastError(ERROR_PATH_NOT_FOUND);
    else
      SetLastError(ErrorFromErrno(e));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = trv::kernel::AddHandle(std::make_shared<FileObject>(fd));
  if (h == nullptr) {
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  // Windows reports an existing file for the two dispositions that may create one.
  bool reportExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

}  // namespace

TRVAPI HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD /*share*/, void* /*security*/,
                                 DWORD disposition, DWORD /*flags*/, HANDLE /*templ*/) {
  if (name == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return OpenHost(trv::kernel::HostPathOfAnsi(name), access, disposition);
}

TRVAPI HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD /*share*/, void* /*security*/,
                                 DWORD disposition, DWORD /*flags*/, HANDLE /*templ*/) {
  if (name == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return OpenHost(trv::kernel::HostPathOfWide(name), access, disposition);
}

TRVAPI BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                            void* /*overlapped*/) {
  if (read != nullptr) *read = 0;
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (buffer == nullptr && toRead > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < toRead) {
    ssize_t n = ::read(f->fd(), out + done, toRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      if (read != nullptr) *read = done;
      return FALSE;
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (read != nullptr) *read = done;
  return TRUE;
}

TRVAPI BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                             void* /*overlapped*/) {
  if (written != nullptr) *written = 0;
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (buffer == nullptr && toWrite > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < toWrite) {
    ssize_t n = ::write(f->fd(), in + done, toWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      if (written != nullptr) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written != nullptr) *written = done;
  return TRUE;
}

TRVAPI DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  auto f = FileOf(file);
  if (!f) return INVALID_SET_FILE_POINTER;
  off_t offset = distanceHigh != nullptr
                     ? static_cast<off_t>((static_cast<long long>(*distanceHigh) << 32) |
                                          static_cast<DWORD>(distance))
                     : static_cast<off_t>(distance);
  int whence = method == FILE_BEGIN     ? SEEK_SET
               : method == FILE_CURRENT ? SEEK_CUR
               : method == FILE_END     ? SEEK_END
                                        : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  off_t at = ::lseek(f->fd(), offset, whence);
  if (at < 0) {
    // A position before the start of the file is ERROR_NEGATIVE_SEEK on Windows.
    SetLastError(errno == EINVAL ? 131 : ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<long long>(at) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(at & 0xFFFFFFFF);
}

TRVAPI DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  auto f = FileOf(file);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (::fstat(f->fd(), &st) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh != nullptr)
    *sizeHigh = static_cast<DWORD>(static_cast<unsigned long long>(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(st.st_size & 0xFFFFFFFF);
}

TRVAPI BOOL WINAPI SetEndOfFile(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  off_t at = ::lseek(f->fd(), 0, SEEK_CUR);
  if (at < 0 || ::ftruncate(f->fd(), at) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

TRVAPI BOOL WINAPI FlushFileBuffers(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (::fsync(f->fd()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

TRVAPI BOOL WINAPI DeleteFileA(LPCSTR name) {
  std::string path = name != nullptr ? trv::kernel::HostPathOfAnsi(name) : "";
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (IsDirectory(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(path.c_str()) != 0) {
    int e = errno;
    SetLastError(e == ENOENT && !ParentExists(path) ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(e));
    return FALSE;
  }
  return TRUE;
}

TRVAPI BOOL WINAPI CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (from == nullptr || to == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return FALSE;
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                           0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    trv::KeepLastError keep;
    CloseHandle(in);
    return FALSE;
  }
  std::vector<char> buffer(1 << 16);
  BOOL ok = TRUE;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      ok = FALSE;
      break;
    }
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(out, buffer.data(), got, &put, nullptr)) {
      ok = FALSE;
      break;
    }
  }
  DWORD e = GetLastError();
  CloseHandle(in);
  CloseHandle(out);
  if (!ok) {
    DeleteFileA(to);  // never leave half a copy behind
    SetLastError(e);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

TRVAPI BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to) {
  if (from == nullptr || to == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string a = trv::kernel::HostPathOfAnsi(from);
  std::string b = trv::kernel::HostPathOfAnsi(to);
  struct stat st;
  if (::stat(b.c_str(), &st) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::rename(a.c_str(), b.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

// Rename replaces the target at once: a reader sees the old file or the new one.
TRVAPI BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  if (!(flags & MOVEFILE_REPLACE_EXISTING)) return MoveFileA(from, to);
  if (from == nullptr || to == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string a = trv::kernel::HostPathOfAnsi(from);
  std::string b = trv::kernel::HostPathOfAnsi(to);
  if (::rename(a.c_str(), b.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

TRVAPI BOOL WINAPI CreateDirectoryA(LPCSTR name, void* /*security*/) {
  std::string path = name != nullptr ? trv::kernel::HostPathOfAnsi(name) : "";
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::mkdir(path.c_str(), 0755) != 0) {
    int e = errno;
    SetLastError(e == EEXIST   ? ERROR_ALREADY_EXISTS
                 : e == ENOENT ? ERROR_PATH_NOT_FOUND
                               : ErrorFromErrno(e));
    return FALSE;
  }
  return TRUE;
}

TRVAPI BOOL WINAPI RemoveDirectoryA(LPCSTR name) {
  std::string path = name != nullptr ? trv::kernel::HostPathOfAnsi(name) : "";
  if (::rmdir(path.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

TRVAPI DWORD WINAPI GetFileAttributesA(LPCSTR name) {
  std::string path = name != nullptr ? trv::kernel::HostPathOfAnsi(name) : "";
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    int e = path.empty() ? ENOENT : errno;
    SetLastError(e == ENOENT && !path.empty() && !ParentExists(path) ? ERROR_PATH_NOT_FOUND
                                                                     : ErrorFromErrno(e));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD attributes = (st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// ---- FindFirstFile ---------------------------------------------------------------

namespace {

struct FoundEntry {
  std::string name;       // ANSI
  std::string shortName;  // ANSI, "" when the name is an 8.3 name
  DWORD attributes;
  unsigned long long size;
};

class FindObject : public trv::kernel::HandleObject {
 public:
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

// Windows wildcard match: '*' any run, '?' one character; case-insensitive.
bool WildMatch(const char* pattern, const char* name) {
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*')
    return WildMatch(pattern + 1, name) || (*name != 0 && WildMatch(pattern, name + 1));
  if (*name == 0) return false;
  if (*pattern == '?' || trv::kernel::Upper1252(static_cast<unsigned char>(*pattern)) ==
                             trv::kernel::Upper1252(static_cast<unsigned char>(*name)))
    return WildMatch(pattern + 1, name + 1);
  return false;
}

void Fill(const FoundEntry& e, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = e.attributes;
  data->nFileSizeHigh = static_cast<DWORD>(e.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(e.size & 0xFFFFFFFF);
  lstrcpynA(data->cFileName, e.name.c_str(), MAX_PATH);
  lstrcpynA(data->cAlternateFileName, e.shortName.c_str(), sizeof data->cAlternateFileName);
}

}  // namespace

TRVAPI HANDLE WINAPI FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  if (pattern == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string p = pattern;
  size_t cut = p.find_last_of("\\/");
  std::string dirPart = cut == std::string::npos ? "." : p.substr(0, cut == 0 ? 1 : cut);
  if (dirPart.size() == 2 && dirPart[1] == ':') dirPart += '\\';
  std::string namePart = cut == std::string::npos ? p : p.substr(cut + 1);
  std::string dir = trv::kernel::HostPathOfAnsi(dirPart);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  while (dirent* e = ::readdir(d)) {
    std::string ansi = trv::kernel::Utf8ToAnsi(e->d_name);
    if (!WildMatch(namePart.c_str(), ansi.c_str())) continue;
    struct stat st;
    std::string full = dir + "/" + e->d_name;
    if (::stat(full.c_str(), &st) != 0) continue;
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    find->entries.push_back({ansi, trv::kernel::ShortNameIn(dir, ansi), attributes,
                             static_cast<unsigned long long>(st.st_size)});
  }
  ::closedir(d);
  if (find->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(find->entries[0], data);
  find->next = 1;
  HANDLE h = trv::kernel::AddHandle(find);
  if (h == nullptr) {
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

TRVAPI BOOL WINAPI FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
  auto find = trv::kernel::FindHandleAs<FindObject>(handle);
  if (!find || data == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  Fill(find->entries[find->next++], data);
  return TRUE;
}

TRVAPI BOOL WINAPI FindClose(HANDLE handle) {
  if (!trv::kernel::FindHandleAs<FindObject>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(handle);
}
