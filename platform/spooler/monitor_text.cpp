#include "platform/spooler/monitor_text.h"

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"

namespace trv::spooler {

std::string AnsiOfWide(const WCHAR* text) {
  if (text == nullptr) return {};
  int length = lstrlenW(text);
  if (length == 0) return {};
  std::string out(static_cast<std::size_t>(length) * 2, '\0');
  int n = WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), static_cast<int>(out.size()),
                              nullptr, nullptr);
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::u16string WideOfAnsi(const std::string& text) {
  if (text.empty()) return {};
  std::u16string out(text.size(), u'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::string AnsiOfMonitorText(LPCWSTR text) {
  if (text == nullptr) return {};
  if (trv::IsWindowsNT()) return AnsiOfWide(text);
  return reinterpret_cast<const char*>(text);
}

MonitorText::MonitorText(const std::string& ansi) : wideForm_(trv::IsWindowsNT()) {
  if (wideForm_)
    wide_ = WideOfAnsi(ansi);
  else
    ansi_ = ansi;
}

LPWSTR MonitorText::get() {
  if (wideForm_) return wide_.data();
  return reinterpret_cast<LPWSTR>(ansi_.data());
}

std::string OutputFileOfDocInfo(DWORD level, const BYTE* docInfo) {
  if (docInfo == nullptr || level != 1) return {};
  if (trv::IsWindowsNT())
    return AnsiOfWide(reinterpret_cast<const DOC_INFO_1W*>(docInfo)->pOutputFile);
  const char* file = reinterpret_cast<const DOC_INFO_1A*>(docInfo)->pOutputFile;
  return file != nullptr ? file : "";
}

}  // namespace trv::spooler
