// Texts that cross the monitor interface: UTF-16 on Windows NT, ANSI on Windows
// 95/98/Me (passed through the same pointers), and the spooler's own ANSI form.
#pragma once

#include <string>

#include "platform/windef.h"

namespace trv::spooler {

// The ANSI form of a monitor-interface text; "" for null.
std::string AnsiOfMonitorText(LPCWSTR text);

// A monitor-interface text built from ANSI, kept alive by its owner.
class MonitorText {
 public:
  explicit MonitorText(const std::string& ansi);
  LPWSTR get();

 private:
  std::u16string wide_;
  std::string ansi_;
  bool wideForm_;
};

// The output file named by a DOC_INFO_1 given to StartDocPort ("" when none).
std::string OutputFileOfDocInfo(DWORD level, const BYTE* docInfo);

// ANSI <-> UTF-16 through the platform's code page.
std::string AnsiOfWide(const WCHAR* text);
std::u16string WideOfAnsi(const std::string& text);

}  // namespace trv::spooler
