#include "tools/text/wide_text.h"

#include "platform/kernel.h"

namespace trv::tools {

std::optional<std::u16string> WideFromBytes(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return std::u16string();
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  if (MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), needed) != needed)
    return std::nullopt;
  return wide;
}

std::string BytesFromWide(UINT codePage, DWORD flags, std::u16string_view text, bool* lossy) {
  if (lossy != nullptr) *lossy = false;
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = lossy != nullptr ? &usedDefault : nullptr;
  const int needed = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr,
                                         usedDefaultOut);
  if (needed <= 0) {
    if (lossy != nullptr) *lossy = true;
    return {};
  }
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), needed, nullptr,
                      usedDefaultOut);
  if (lossy != nullptr) *lossy = usedDefault != FALSE;
  return bytes;
}

std::string SystemText(DWORD error) {
  char text[512] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "unknown error" : s;
}

}  // namespace trv::tools
