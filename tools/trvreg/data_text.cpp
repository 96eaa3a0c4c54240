#include "tools/trvreg/data_text.h"

#include <cstdio>
#include <cstring>

#include "platform/winreg.h"
#include "tools/trvreg/text.h"

namespace trvreg {
namespace {

constexpr struct {
  DWORD type;
  const char16_t* name;
} kTypes[] = {{REG_NONE, u"REG_NONE"},           {REG_SZ, u"REG_SZ"},
              {REG_EXPAND_SZ, u"REG_EXPAND_SZ"}, {REG_BINARY, u"REG_BINARY"},
              {REG_DWORD, u"REG_DWORD"},         {REG_DWORD_BIG_ENDIAN, u"REG_DWORD_BIG_ENDIAN"},
              {REG_MULTI_SZ, u"REG_MULTI_SZ"},   {REG_QWORD, u"REG_QWORD"}};

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

std::u16string Hex(const std::string& data) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  for (unsigned char b : data) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::optional<unsigned long long> ParseNumber(std::u16string_view text, unsigned long long max) {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  if (ascii.empty()) return std::nullopt;
  bool hex = ascii.size() > 2 && ascii[0] == '0' && (ascii[1] == 'x' || ascii[1] == 'X');
  unsigned long long value = 0;
  for (size_t i = hex ? 2 : 0; i < ascii.size(); ++i) {
    char c = ascii[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    unsigned long long base = hex ? 16 : 10;
    if (value > (max - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  return value;
}

std::string LittleEndian(unsigned long long value, size_t bytes) {
  std::string out;
  for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

unsigned long long FromLittleEndian(const std::string& data) {
  unsigned long long v = 0;
  for (size_t i = data.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[i]);
  return v;
}

std::optional<std::string> ParseHex(std::u16string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < text.size(); i += 2) {
    auto byte = ParseNumber(std::u16string(u"0x") + std::u16string(text.substr(i, 2)), 0xFF);
    if (!byte) return std::nullopt;
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

}  // namespace

std::u16string TypeName(DWORD type) {
  for (const auto& t : kTypes)
    if (t.type == type) return t.name;
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(type));
  return Ascii(text);
}

std::optional<DWORD> ParseTypeName(std::u16string_view name) {
  for (const auto& t : kTypes)
    if (SameName(name, t.name)) return t.type;
  return std::nullopt;
}

std::u16string ShowData(DWORD type, const std::string& data) {
  char text[32];
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::u16string s = FromWideBytes(data);
      return s.substr(0, s.find(u'\0'));
    }
    case REG_MULTI_SZ: {
      std::u16string s = FromWideBytes(data), out;
      while (!s.empty() && s.back() == u'\0') s.pop_back();
      for (char16_t c : s) {
        if (c == u'\0')
          out += u"\\0";
        else
          out.push_back(c);
      }
      return out;
    }
    case REG_DWORD:
      if (data.size() != 4) break;
      std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(FromLittleEndian(data)));
      return Ascii(text);
    case REG_QWORD:
      if (data.size() != 8) break;
      std::snprintf(text, sizeof text, "0x%llx", FromLittleEndian(data));
      return Ascii(text);
    default: break;
  }
  return Hex(data);
}

std::optional<std::string> ParseData(DWORD type, std::u16string_view text,
                                     std::u16string_view separator) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return WideBytes(std::u16string(text) + u'\0');
    case REG_MULTI_SZ: {
      std::u16string out;
      if (!text.empty()) {
        size_t start = 0;
        while (true) {
          size_t end = separator.empty() ? std::u16string_view::npos : text.find(separator, start);
          std::u16string_view item =
              text.substr(start, end == std::u16string_view::npos ? end : end - start);
          if (item.empty()) return std::nullopt;  // reg.exe refuses empty strings inside the list
          out.append(item);
          out.push_back(u'\0');
          if (end == std::u16string_view::npos) break;
          start = end + separator.size();
        }
      }
      out.push_back(u'\0');
      return WideBytes(out);
    }
    case REG_DWORD: {
      auto v = ParseNumber(text, 0xFFFFFFFFull);
      if (!v) return std::nullopt;
      return LittleEndian(*v, 4);
    }
    case REG_QWORD: {
      auto v = ParseNumber(text, ~0ull);
      if (!v) return std::nullopt;
      return LittleEndian(*v, 8);
    }
    default: return ParseHex(text);
  }
}

}  // namespace trvreg
