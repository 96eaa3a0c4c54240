// An append-only log file that is used only when it already exists: whoever wants the
// log creates the file, and the decision is taken once, at the first append.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace trv::dcl {

class TraceLogFile {
 public:
  explicit TraceLogFile(std::string path) : path_(std::move(path)) {}
  TraceLogFile(const TraceLogFile&) = delete;
  TraceLogFile& operator=(const TraceLogFile&) = delete;

  // Appends the text as it is (no line break added), in one write so that texts from
  // several threads or processes never mix inside one another. The first call
  // decides whether the file is used at all; a file created later is not noticed.
  void Append(std::string_view text);

 private:
  bool Probe() const;
  void Write(std::string_view text) const;

  std::string path_;
  std::once_flag decided_;
  bool on_ = false;
};

// The log of this process, "C:\ZIREROZARI.LOG".
TraceLogFile& ProcessTraceLog();

}  // namespace trv::dcl
