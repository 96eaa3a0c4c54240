// Reading and caching the resource sections of module files.
#include "platform/resources/module_resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/kernel/paths.h"
#include "platform/resources/elf_section.h"

namespace trv::resources {
namespace {

constexpr std::string_view kSectionName = "trv_rsrc";
constexpr size_t kLongestPath = 32768;

// A file is the same file while its identity, size and time of change stay the
// same; a rewritten module gets a new cache entry (the old one stays alive for
// the pointers already handed out).
using FileKey = std::tuple<std::string, dev_t, ino_t, off_t, time_t, long>;

std::mutex cacheLock;
std::map<FileKey, std::shared_ptr<const ModuleResources>>& Cache() {
  static auto* cache = new std::map<FileKey, std::shared_ptr<const ModuleResources>>;
  return *cache;  // never destroyed: handed-out pointers outlive static destruction
}

class OpenFile {
 public:
  explicit OpenFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool ReadFully(int fd, std::uint64_t offset, size_t size, BYTE* out) {
  while (size > 0) {
    ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

ResourcesOrError Parse(int fd, std::uint64_t size) {
  auto module = std::make_shared<ModuleResources>();
  auto read = [fd](std::uint64_t offset, size_t n, BYTE* out) {
    return ReadFully(fd, offset, n, out);
  };
  switch (ReadElfSection(size, read, kSectionName, module->section)) {
    case SectionStatus::Found: break;
    case SectionStatus::NotElf:
    case SectionStatus::Missing: return {nullptr, ERROR_RESOURCE_DATA_NOT_FOUND};
    case SectionStatus::Malformed: return {nullptr, ERROR_BAD_FORMAT};
    case SectionStatus::ReadFailed: return {nullptr, ERROR_READ_FAULT};
  }
  auto entries = ParseDirectory(module->section);
  if (!entries) return {nullptr, ERROR_BAD_FORMAT};
  module->entries = std::move(*entries);
  return {std::move(module), ERROR_SUCCESS};
}

std::string ModuleHostPath(HMODULE module, DWORD& error) {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) {
      error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_MOD_NOT_FOUND;
      return {};
    }
    if (n < name.size() - 1) {
      name.resize(n);
      break;
    }
    if (name.size() >= kLongestPath) {
      error = ERROR_BAD_PATHNAME;
      return {};
    }
    name.resize(name.size() * 2);  // the name may have been cut to fit
  }
  std::string host = trv::kernel::HostPathOfAnsi(name);
  if (host.empty()) error = ERROR_MOD_NOT_FOUND;
  return host;
}

bool Equal(const ResourceId& a, const ResourceId& b) {
  if (a.index() != b.index()) return false;
  if (const WORD* n = std::get_if<WORD>(&a)) return *n == std::get<WORD>(b);
  return lstrcmpiW(std::get<std::u16string>(a).c_str(), std::get<std::u16string>(b).c_str()) == 0;
}

}  // namespace

ResourcesOrError ResourcesOfFile(const std::string& hostPath) {
  OpenFile file(hostPath);
  struct stat st {};
  if (file.fd() < 0) return {nullptr, static_cast<DWORD>(trv::kernel::ErrorFromErrno(errno))};
  if (::fstat(file.fd(), &st) != 0)
    return {nullptr, static_cast<DWORD>(trv::kernel::ErrorFromErrno(errno))};
  if (S_ISDIR(st.st_mode)) return {nullptr, ERROR_ACCESS_DENIED};
  FileKey key{hostPath, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  {
    std::lock_guard lock(cacheLock);
    if (auto it = Cache().find(key); it != Cache().end()) return {it->second, ERROR_SUCCESS};
  }
  ResourcesOrError result = Parse(file.fd(), static_cast<std::uint64_t>(st.st_size));
  if (result.resources) {
    std::lock_guard lock(cacheLock);
    result.resources = Cache().emplace(key, result.resources).first->second;
  }
  return result;
}

ResourcesOrError ResourcesOfModule(HMODULE module) {
  DWORD error = ERROR_SUCCESS;
  std::string path = ModuleHostPath(module, error);
  if (path.empty()) return {nullptr, error};
  return ResourcesOfFile(path);
}

const DirectoryEntry* FindEntry(const ModuleResources& module, const ResourceId& type,
                                const ResourceId& name) {
  std::vector<const DirectoryEntry*> candidates;
  bool typeSeen = false;
  for (const DirectoryEntry& e : module.entries) {
    if (!Equal(e.type, type)) continue;
    typeSeen = true;
    if (Equal(e.name, name)) candidates.push_back(&e);
  }
  if (candidates.empty()) {
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  LANGID user = GetUserDefaultLangID();
  auto rank = [user](LANGID l) {
    if (l == user) return 0;
    if (l == 0) return 1;  // language-neutral
    if ((l & 0x3FF) == (user & 0x3FF)) return 2;
    if (l == 0x0409) return 3;
    return 4;
  };
  const DirectoryEntry* best = candidates.front();
  for (const DirectoryEntry* e : candidates)
    if (rank(e->language) < rank(best->language)) best = e;
  return best;
}

ResourceId IdFromAnsi(LPCSTR id) {
  if (IS_INTRESOURCE(id)) return static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id));
  if (id[0] == '#') {
    unsigned long number = 0;
    const char* p = id + 1;
    for (; *p >= '0' && *p <= '9' && number <= 0xFFFF; ++p)
      number = number * 10 + static_cast<unsigned long>(*p - '0');
    if (*p == 0 && p != id + 1 && number >= 1 && number <= 0xFFFF) return static_cast<WORD>(number);
  }
  int n = MultiByteToWideChar(CP_ACP, 0, id, -1, nullptr, 0);
  std::u16string text(n > 0 ? static_cast<size_t>(n) : 1, u'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, id, -1, text.data(), n);
  text.resize(text.size() - 1);  // the terminator
  return text;
}

}  // namespace trv::resources
