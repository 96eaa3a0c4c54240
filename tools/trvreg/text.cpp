#include "tools/trvreg/text.h"

#include "platform/kernel.h"
#include "tools/text/wide_text.h"

namespace trvreg {
namespace {

std::u16string ToWide(UINT codePage, std::string_view text) {
  return trv::tools::WideFromBytes(codePage, 0, text).value_or(std::u16string());
}

}  // namespace

std::u16string FromUtf8(std::string_view text) { return ToWide(CP_UTF8, text); }
std::u16string FromAnsi(std::string_view text) { return ToWide(CP_ACP, text); }

std::string ToUtf8(std::u16string_view text) { return trv::tools::BytesFromWide(CP_UTF8, 0, text); }

bool ToAnsi(std::u16string_view text, std::string& out) {
  bool lossy = false;
  out = trv::tools::BytesFromWide(CP_ACP, 0, text, &lossy);
  return !lossy;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return lstrcmpiW(std::u16string(a).c_str(), std::u16string(b).c_str()) == 0;
}

std::string WideBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string FromWideBytes(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

}  // namespace trvreg
