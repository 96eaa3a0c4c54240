#include "platform/spooler/spooler_state.h"

#include <mutex>
#include <unordered_map>

#include "platform/spooler/despool.h"
#include "platform/spooler/job_store.h"

namespace trv::spooler {
namespace {

struct ActiveJobs {
  std::mutex lock;
  std::unordered_map<DWORD, bool> deleteRequested;
};

ActiveJobs& active() {
  static ActiveJobs* jobs = new ActiveJobs;  // outlives handles closed at exit
  return *jobs;
}

}  // namespace

DWORD PrinterHandle::Close() {
  if (job == 0) return ERROR_SUCCESS;
  return EndDocument(*this);
}

HANDLE AddPrinterHandle(const std::string& printer) {
  return kernel::AddHandle(std::make_shared<PrinterHandle>(printer));
}

std::shared_ptr<PrinterHandle> FindPrinterHandle(HANDLE handle) {
  return kernel::FindHandleAs<PrinterHandle>(handle);
}

void BeginActiveJob(DWORD id) {
  std::lock_guard<std::mutex> guard(active().lock);
  active().deleteRequested[id] = false;
}

bool EndActiveJob(DWORD id) {
  std::lock_guard<std::mutex> guard(active().lock);
  auto it = active().deleteRequested.find(id);
  if (it == active().deleteRequested.end()) return false;
  bool requested = it->second;
  active().deleteRequested.erase(it);
  return requested;
}

bool IsActiveJob(DWORD id) {
  std::lock_guard<std::mutex> guard(active().lock);
  return active().deleteRequested.count(id) != 0;
}

bool RequestActiveJobDelete(DWORD id) {
  std::lock_guard<std::mutex> guard(active().lock);
  auto it = active().deleteRequested.find(id);
  if (it == active().deleteRequested.end()) return false;
  it->second = true;
  return true;
}

DWORD EndDocument(PrinterHandle& handle) {
  DWORD id = handle.job;
  handle.job = 0;
  if (EndActiveJob(id)) return DeleteJob(id);  // deleted while it was being spooled
  return DespoolJob(id);
}

}  // namespace trv::spooler
