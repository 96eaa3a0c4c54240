// Language monitors are loaded once per process and stay loaded, as the spooler
// keeps them: their tables are handed out for every job on their printers.
#include <map>
#include <memory>
#include <mutex>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/spooler/despool.h"
#include "platform/spooler/monitor_text.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"

namespace trv::spooler {
namespace {

struct LoadedMonitor {
  HMODULE module = nullptr;
  MONITOR table{};
};

struct Loaded {
  std::mutex lock;
  std::map<std::string, std::unique_ptr<LoadedMonitor>> byName;  // upper-case names
};

Loaded& loaded() {
  static Loaded* l = new Loaded;  // monitors stay loaded for the life of the process
  return *l;
}

std::string Upper(std::string s) {
  CharUpperA(s.data());
  return s;
}

std::string SystemDirectory() {
  char buffer[MAX_PATH];
  UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  return std::string(buffer, n < sizeof buffer ? n : 0);
}

}  // namespace

DWORD LoadLanguageMonitor(const std::string& name, MONITOR** table) {
  std::lock_guard<std::mutex> guard(loaded().lock);
  auto& slot = loaded().byName[Upper(name)];
  if (slot) {
    *table = &slot->table;
    return ERROR_SUCCESS;
  }
  std::string library;
  if (DWORD e = LoadMonitor(name, &library)) {
    loaded().byName.erase(Upper(name));
    return e;
  }
  auto monitor = std::make_unique<LoadedMonitor>();
  std::string path = SystemDirectory() + "\\" + library;
  monitor->module = LoadLibraryA(path.c_str());
  DWORD error = ERROR_SUCCESS;
  if (monitor->module == nullptr) {
    error = LastErrorOr(ERROR_MOD_NOT_FOUND);
  } else if (auto init = reinterpret_cast<InitializeMonitorExFn>(
                 reinterpret_cast<void*>(GetProcAddress(monitor->module, "InitializeMonitorEx")));
             init == nullptr) {
    error = LastErrorOr(ERROR_PROC_NOT_FOUND);
  } else {
    MonitorText root(MonitorKeyPath(name));
    SetLastError(ERROR_SUCCESS);
    if (!init(root.get(), &monitor->table)) error = LastErrorOr(ERROR_GEN_FAILURE);
  }
  if (error != ERROR_SUCCESS) {
    if (monitor->module != nullptr) FreeLibrary(monitor->module);
    loaded().byName.erase(Upper(name));
    return error;
  }
  slot = std::move(monitor);
  *table = &slot->table;
  return ERROR_SUCCESS;
}

}  // namespace trv::spooler
