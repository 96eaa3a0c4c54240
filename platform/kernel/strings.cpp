// Code pages and strings. The ANSI code page of this platform is Windows-1252,
// decoded and encoded exactly as Windows does (its five unassigned bytes map to
// the C1 control characters of the same value, so decoding never fails).
#include <cstring>

#include "platform/kernel.h"
#include "platform/kernel/text.h"

namespace trv::kernel {
namespace {

// Windows-1252 bytes 0x80-0x9F.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char16_t Decode1252(unsigned char c) {
  if (c >= 0x80 && c <= 0x9F) return kHigh1252[c - 0x80];
  return c;
}

int Encode1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] == c) return 0x80 + i;
  return -1;
}

unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

unsigned char Lower1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

char16_t UpperW(char16_t c) {
  if (c < 0x100) {
    if (c == 0xFF) return 0x178;
    if (c == 0xB5) return c;  // micro sign has no Latin-1 capital
    int e = Encode1252(c);
    if (e < 0) return c;
    return Decode1252(Upper1252(static_cast<unsigned char>(e)));
  }
  switch (c) {
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
  }
}

std::u16string AnsiToWide(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (unsigned char c : s) out.push_back(Decode1252(c));
  return out;
}

std::string WideToAnsi(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) {
    int e = Encode1252(c);
    out.push_back(static_cast<char>(e < 0 ? '?' : e));
  }
  return out;
}

std::u16string Utf8ToWide(std::string_view s, bool* invalid) {
  std::u16string out;
  if (invalid) *invalid = false;
  size_t i = 0;
  auto bad = [&] {
    if (invalid) *invalid = true;
    out.push_back(0xFFFD);
  };
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra = c >= 0xF0 ? (c <= 0xF4 ? 3 : -1) : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
    if (extra < 0) {
      bad();
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= s.size()) {
      bad();
      ++i;
      continue;
    }
    char32_t cp = c & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (!ok || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      bad();
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::string WideToUtf8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string AnsiToUtf8(std::string_view s) { return WideToUtf8(AnsiToWide(s)); }

std::string Utf8ToAnsi(std::string_view s) { return WideToAnsi(Utf8ToWide(s, nullptr)); }

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = Upper1252(static_cast<unsigned char>(a[i]));
    int cb = Upper1252(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareNoCaseW(std::u16string_view a, std::u16string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t ca = UpperW(a[i]);
    char16_t cb = UpperW(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace trv::kernel

using namespace trv::kernel;

namespace {

bool IsAnsiPage(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == 1252; }

size_t LengthA(LPCSTR s) { return std::strlen(s); }
size_t LengthW(LPCWSTR s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

}  // namespace

TRVAPI UINT WINAPI GetACP(void) { return 1252; }

TRVAPI int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen,
                                      LPWSTR dst, int dstLen) {
  if (src == nullptr || srcLen == 0 || dstLen < 0 || (dstLen > 0 && dst == nullptr) ||
      (srcLen < -1)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsAnsiPage(codePage) && codePage != CP_UTF8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1 means "up to and including the terminating zero".
  size_t n = srcLen == -1 ? LengthA(src) + 1 : static_cast<size_t>(srcLen);
  std::string_view in(src, n);
  std::u16string out;
  if (codePage == CP_UTF8) {
    bool invalid = false;
    out = Utf8ToWide(in, &invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  } else {
    out = AnsiToWide(in);
  }
  if (dstLen == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Exactly the converted characters: a terminator among them only when the input's
  // own was counted, as Windows does.
  std::memcpy(dst, out.data(),  // NOLINT(bugprone-not-null-terminated-result)
              out.size() * sizeof(WCHAR));
  return static_cast<int>(out.size());
}

TRVAPI int WINAPI WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR src, int srcLen,
                                      LPSTR dst, int dstLen, LPCSTR defaultChar,
                                      LPBOOL usedDefaultChar) {
  if (src == nullptr || srcLen == 0 || dstLen < 0 || (dstLen > 0 && dst == nullptr) ||
      srcLen < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsAnsiPage(codePage) && codePage != CP_UTF8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = srcLen == -1 ? LengthW(src) + 1 : static_cast<size_t>(srcLen);
  std::u16string_view in(src, n);
  std::string out;
  if (codePage == CP_UTF8) {
    out = WideToUtf8(in);
  } else {
    char fallback = defaultChar != nullptr ? defaultChar[0] : '?';
    bool used = false;
    out.reserve(n);
    for (char16_t c : in) {
      int e = Encode1252(c);
      if (e < 0) {
        used = true;
        out.push_back(fallback);
      } else {
        out.push_back(static_cast<char>(e));
      }
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = used ? TRUE : FALSE;
  }
  if (dstLen == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Exactly the converted bytes, as for the wide text above.
  std::memcpy(dst, out.data(), out.size());  // NOLINT(bugprone-not-null-terminated-result)
  return static_cast<int>(out.size());
}

TRVAPI int WINAPI lstrlenA(LPCSTR s) { return s == nullptr ? 0 : static_cast<int>(LengthA(s)); }
TRVAPI int WINAPI lstrlenW(LPCWSTR s) { return s == nullptr ? 0 : static_cast<int>(LengthW(s)); }

TRVAPI int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
  return CompareNoCase(a != nullptr ? a : "", b != nullptr ? b : "");
}

TRVAPI int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  return CompareNoCaseW(a != nullptr ? std::u16string_view(a) : u"",
                        b != nullptr ? std::u16string_view(b) : u"");
}

TRVAPI LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max) {
  if (dst == nullptr || max <= 0) return dst;
  int i = 0;
  if (src != nullptr)
    for (; i < max - 1 && src[i] != 0; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

TRVAPI LPSTR WINAPI CharUpperA(LPSTR s) {
  // A pointer whose high bits are zero holds a single character, as on Windows.
  if (IS_INTRESOURCE(s)) {
    auto c = static_cast<unsigned char>(reinterpret_cast<ULONG_PTR>(s));
    return reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(Upper1252(c)));
  }
  for (char* p = s; *p; ++p) *p = static_cast<char>(Upper1252(static_cast<unsigned char>(*p)));
  return s;
}

TRVAPI LPSTR WINAPI CharLowerA(LPSTR s) {
  if (IS_INTRESOURCE(s)) {
    auto c = static_cast<unsigned char>(reinterpret_cast<ULONG_PTR>(s));
    return reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(Lower1252(c)));
  }
  for (char* p = s; *p; ++p) *p = static_cast<char>(Lower1252(static_cast<unsigned char>(*p)));
  return s;
}

TRVAPI DWORD WINAPI CharUpperBuffA(LPSTR s, DWORD len) {
  if (s == nullptr) return 0;
  for (DWORD i = 0; i < len; ++i)
    s[i] = static_cast<char>(Upper1252(static_cast<unsigned char>(s[i])));
  return len;
}

TRVAPI LPWSTR WINAPI CharUpperW(LPWSTR s) {
  if (s == nullptr) return s;
  for (WCHAR* p = s; *p; ++p) *p = UpperW(*p);
  return s;
}

TRVAPI int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  long long d = denominator;
  // Rounds half away from zero, as Windows does.
  bool negative = (product < 0) != (d < 0);
  long long absProduct = product < 0 ? -product : product;
  long long absD = d < 0 ? -d : d;
  long long q = (absProduct + absD / 2) / absD;
  long long result = negative ? -q : q;
  if (result > 0x7FFFFFFFLL || result < -0x80000000LL) return -1;
  return static_cast<int>(result);
}
