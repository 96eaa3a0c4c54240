// Modules over the host's dynamic loader. A module keeps its Windows file name
// (language.dll, TRVCPL.DLL) and is found by path the way Windows finds it.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/text.h"
#include "platform/stand_in.h"

namespace {

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  buffer[n] = 0;
  return buffer;
}

std::string DirectoryOf(const std::string& path) {
  size_t cut = path.rfind('/');
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

bool HasSeparator(const std::string& s) { return s.find_first_of("\\/") != std::string::npos; }

bool IsFile(const std::string& hostPath) {
  return !hostPath.empty() && ::access(hostPath.c_str(), F_OK) == 0;
}

// Windows looks for a bare name in the program's folder, the system folders, the
// Windows folder and the current folder; a name with a path is taken as it is.
std::string FindModuleFile(std::string name) {
  size_t lastSep = name.find_last_of("\\/");
  std::string leaf = lastSep == std::string::npos ? name : name.substr(lastSep + 1);
  if (leaf.find('.') == std::string::npos)
    name += ".dll";
  else if (!leaf.empty() && leaf.back() == '.')
    name.pop_back();  // "name." means no extension
  if (HasSeparator(name)) return trv::kernel::HostPathOfAnsi(name);
  std::string candidates[] = {
      trv::HostPath(trv::WindowsPath(DirectoryOf(ExecutablePath())) + "\\" +
                    trv::kernel::AnsiToUtf8(name)),
      trv::kernel::HostPathOfAnsi(
          (trv::IsWindowsNT() ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\") + name),
      trv::kernel::HostPathOfAnsi("C:\\WINDOWS\\system\\" + name),
      trv::kernel::HostPathOfAnsi("C:\\WINDOWS\\" + name),
      trv::kernel::HostPathOfAnsi(name),
  };
  for (const std::string& c : candidates)
    if (IsFile(c)) return c;
  return "";
}

std::string LoadedPath(HMODULE module) {
  if (module == nullptr) return ExecutablePath();
  link_map* map = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return "";
  if (map->l_name == nullptr || map->l_name[0] == 0) return ExecutablePath();
  return map->l_name;
}

HMODULE MainProgram() { return static_cast<HMODULE>(::dlopen(nullptr, RTLD_NOW)); }

}  // namespace

TRVAPI HMODULE WINAPI LoadLibraryA(LPCSTR name) {
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string path = FindModuleFile(name);
  if (!IsFile(path)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    // The file is there but is no loadable module (or its dependencies are missing).
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

TRVAPI HMODULE WINAPI LoadLibraryW(LPCWSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(trv::kernel::WideToAnsi(name).c_str());
}

TRVAPI BOOL WINAPI FreeLibrary(HMODULE module) {
  if (module == nullptr || ::dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

TRVAPI FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  if (name == nullptr || IS_INTRESOURCE(name)) {
    // Exports are found by name only; ordinals do not exist on this platform.
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* handle = module != nullptr ? static_cast<void*>(module) : static_cast<void*>(MainProgram());
  ::dlerror();
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

TRVAPI DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string host = LoadedPath(module);
  if (host.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::string path = trv::kernel::Utf8ToAnsi(trv::WindowsPath(host));
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    // Cut and terminated, with the size as the result, as Windows XP and later do.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

namespace {

struct Search {
  std::string wanted;  // ANSI leaf name, or full host path
  std::string found;
};

int MatchLoaded(dl_phdr_info* info, size_t, void* data) {
  auto* s = static_cast<Search*>(data);
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == 0) return 0;
  std::string host = info->dlpi_name;
  std::string leaf = host.substr(host.rfind('/') + 1);
  if (trv::kernel::CompareNoCase(trv::kernel::Utf8ToAnsi(leaf), s->wanted) == 0) {
    s->found = host;
    return 1;
  }
  return 0;
}

HMODULE HandleOfLoaded(const std::string& hostPath) {
  // The loader may know the program by the relative path it was started with.
  char resolved[4096];
  std::string absolute = ::realpath(hostPath.c_str(), resolved) != nullptr ? resolved : hostPath;
  if (absolute == ExecutablePath()) return MainProgram();
  void* h = ::dlopen(hostPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h != nullptr) ::dlclose(h);  // the module stays loaded by whoever loaded it
  return static_cast<HMODULE>(h);
}

}  // namespace

TRVAPI HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return MainProgram();
  std::string leaf = name;
  size_t cut = leaf.find_last_of("\\/");
  if (cut != std::string::npos) leaf = leaf.substr(cut + 1);
  if (leaf.find('.') == std::string::npos) leaf += ".dll";
  Search s{leaf, ""};
  ::dl_iterate_phdr(MatchLoaded, &s);
  HMODULE h = s.found.empty() ? nullptr : HandleOfLoaded(s.found);
  if (h == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return h;
}

TRVAPI BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR nameOrAddress, HMODULE* module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  HMODULE h = nullptr;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    Dl_info info;
    if (::dladdr(nameOrAddress, &info) == 0 || info.dli_fname == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    h = HandleOfLoaded(info.dli_fname);
  } else {
    h = GetModuleHandleA(nameOrAddress);
  }
  if (h == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if ((flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) == 0 && h != MainProgram()) {
    // The caller owns one more reference, released with FreeLibrary.
    std::string path = LoadedPath(h);
    ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  }
  *module = h;
  return TRUE;
}
