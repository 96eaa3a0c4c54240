// What the spooler keeps in memory: printer handles and the jobs in progress in
// this process (being spooled or despooled), which SetJob may touch re-entrantly
// from inside despooling.
#pragma once

#include <memory>
#include <string>

#include "platform/kernel/handles.h"
#include "platform/windef.h"

namespace trv::spooler {

class PrinterHandle : public kernel::HandleObject {
 public:
  explicit PrinterHandle(std::string printer) : printer_(std::move(printer)) {}
  const std::string& printer() const { return printer_; }
  // The job this handle is spooling (0: none).
  DWORD job = 0;
  // Closing a handle in the middle of a document ends the document, so the bytes
  // written so far are printed rather than left behind.
  DWORD Close() override;

 private:
  std::string printer_;
};

HANDLE AddPrinterHandle(const std::string& printer);
std::shared_ptr<PrinterHandle> FindPrinterHandle(HANDLE handle);

// Jobs in progress.
void BeginActiveJob(DWORD id);
// Ends the job's active state; returns whether a delete was asked for meanwhile.
bool EndActiveJob(DWORD id);
bool IsActiveJob(DWORD id);
// Asks an active job to be deleted when its current stage ends; false when not active.
bool RequestActiveJobDelete(DWORD id);

// Ends the document of a handle: despools the job (or deletes it when a delete was
// asked for). Returns a Win32 code.
DWORD EndDocument(PrinterHandle& handle);

}  // namespace trv::spooler
