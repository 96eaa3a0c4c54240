// Message boxes and system message texts. There is no screen: a scripted user
// answers, and every box also goes to the debugger output so a person can see it.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/kernel/text.h"
#include "platform/stand_in.h"

namespace {

std::mutex answererLock;
trv::MessageBoxAnswerer answerer;

// The buttons of each box type, and the one a user who is not there picks.
struct BoxButtons {
  int buttons[3];
  int away;
};

BoxButtons ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, IDCANCEL, 0}, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, IDRETRY, IDIGNORE}, IDABORT};
    case MB_YESNOCANCEL: return {{IDYES, IDNO, IDCANCEL}, IDCANCEL};
    case MB_YESNO: return {{IDYES, IDNO, 0}, IDNO};
    case MB_RETRYCANCEL: return {{IDRETRY, IDCANCEL, 0}, IDCANCEL};
    default: return {{IDOK, 0, 0}, IDOK};
  }
}

int AnswerFromEnvironment(const BoxButtons& box) {
  const char* v = std::getenv("TRV_MESSAGEBOX_ANSWER");
  if (v == nullptr) return 0;
  static const struct {
    const char* name;
    int id;
  } names[] = {{"OK", IDOK},         {"CANCEL", IDCANCEL}, {"ABORT", IDABORT}, {"RETRY", IDRETRY},
               {"IGNORE", IDIGNORE}, {"YES", IDYES},       {"NO", IDNO}};
  for (const auto& n : names)
    if (trv::kernel::CompareNoCase(v, n.name) == 0)
      for (int b : box.buttons)
        if (b == n.id) return b;
  return 0;
}

}  // namespace

namespace trv {
void SetMessageBoxAnswerer(MessageBoxAnswerer a) {
  std::lock_guard<std::mutex> guard(answererLock);
  answerer = std::move(a);
}
}  // namespace trv

TRVAPI int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  trv::MessageBoxRequest request{owner, text != nullptr ? text : "",
                                 caption != nullptr ? caption : "Error", type};
  std::string line = "MessageBox [" + request.caption + "] " + request.text + "\n";
  OutputDebugStringA(line.c_str());
  trv::MessageBoxAnswerer a;
  {
    std::lock_guard<std::mutex> guard(answererLock);
    a = answerer;
  }
  BoxButtons box = ButtonsOf(type);
  if (a) return a(request);
  if (int fromEnvironment = AnswerFromEnvironment(box)) return fromEnvironment;
  return box.away;
}

namespace {

struct SystemMessage {
  DWORD code;
  const char* text;
};

// The system's texts for the codes this suite meets.
constexpr SystemMessage kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_NETNAME_DELETED, "The specified network name is no longer available."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "The specified program is not a valid Win32 application."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
    {ERROR_CANTREAD, "The configuration registry key could not be read."},
    {ERROR_CANTWRITE, "The configuration registry key could not be written."},
    {ERROR_NOT_REGISTRY_FILE,
     "The system has attempted to load or restore a file into the registry, but the specified file "
     "is not in a registry file format."},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_CONNECTION_REFUSED, "The remote computer refused the network connection."},
    {ERROR_CONNECTION_ABORTED, "The network connection was aborted by the local system."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_BAD_CONFIGURATION,
     "The configuration data for this product is corrupt. Contact your support personnel."},
    {ERROR_UNKNOWN_PORT, "The specified port is unknown."},
    {ERROR_UNKNOWN_PRINTER_DRIVER, "The printer driver is unknown."},
    {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid."},
    {ERROR_PRINTER_ALREADY_EXISTS, "The printer already exists."},
    {ERROR_INVALID_DATATYPE, "The specified datatype is invalid."},
    {ERROR_INVALID_PRINTER_STATE, "The state of the printer is invalid."},
    {ERROR_PRINTER_DELETED, "The specified printer has been deleted."},
    {ERROR_UNKNOWN_PRINT_MONITOR, "The specified print monitor is unknown."},
    {ERROR_PRINTER_DRIVER_IN_USE, "The specified printer driver is currently in use."},
    {ERROR_PRINT_MONITOR_ALREADY_INSTALLED,
     "The specified print monitor has already been installed."},
    {ERROR_PRINTER_NOT_FOUND, "The printer driver was not found."},
    {RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable."},
};

}  // namespace

TRVAPI DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer,
                                   DWORD size, void*) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0 ||
      buffer == nullptr) {
    // Messages of modules and allocated buffers are not offered by this platform.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (const SystemMessage& m : kMessages) {
    if (m.code != messageId) continue;
    std::string text = std::string(m.text) + "\r\n";
    if (text.size() + 1 > size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
  }
  SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
  return 0;
}
