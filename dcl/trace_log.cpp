#include "dcl/trace_log.h"

#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Opens the file for reading and writing, never creating it.
HANDLE OpenExisting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void TraceLogFile::Append(std::string_view text) {
  std::call_once(decided_, [this] { on_ = Probe(); });
  if (on_) Write(text);
}

bool TraceLogFile::Probe() const {
  HANDLE file = OpenExisting(path_);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

void TraceLogFile::Write(std::string_view text) const {
  HANDLE file = OpenExisting(path_);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  CloseHandle(file);
}

TraceLogFile& ProcessTraceLog() {
  static TraceLogFile log("C:\\ZIREROZARI.LOG");
  return log;
}

}  // namespace trv::dcl
