#include "dcl/object/barcode_template.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at p; stops at the first non-digit. Numbers are kept
// within 32 bits: a longer one reads as "too large".
const char* ReadNumber(const char* p, DWORD& value, bool& tooLarge) {
  value = 0;
  tooLarge = false;
  while (IsDigit(*p)) {
    if (value > 0x00FFFFFF)
      tooLarge = true;
    else
      value = value * 10 + static_cast<DWORD>(*p - '0');
    ++p;
  }
  return p;
}

class Output {
 public:
  explicit Output(std::string& out) : out_(out) {}
  bool Add(const char* bytes, size_t n) {
    if (n > kBarcodeCommandLimit - out_.size()) return false;
    out_.append(bytes, n);
    return true;
  }
  bool Add(char c) { return Add(&c, 1); }

 private:
  std::string& out_;
};

BOOL Fail(std::string& out, DWORD error) {
  out.clear();
  return trv::Fail(error);
}

}  // namespace

BOOL ExpandBarcodeTemplate(const char* macro, const BarcodeTemplateInput& in, std::string& out) {
  out.clear();
  if (macro == nullptr) return Fail(out, ERROR_INVALID_PARAMETER);
  Output o(out);
  const char* p = macro;
  while (*p != '\0') {
    if (*p != '%') {
      if (!o.Add(*p++)) return Fail(out, ERROR_INSUFFICIENT_BUFFER);
      continue;
    }
    ++p;                    // the percent sign
    if (*p == '\0') break;  // a template that ends in "%" ends there
    bool fits = true;
    bool tooLarge = false;
    DWORD n = 0;
    if (*p == '(') {
      p = ReadNumber(p + 1, n, tooLarge);
      DWORD first = 0, count = 0;
      if (*p == '[') {
        bool large = false;
        p = ReadNumber(p + 1, first, large);
        tooLarge |= large;
        if (*p == ',') p = ReadNumber(p + 1, count, large), tooLarge |= large;
        if (*p == ']') ++p;
      }
      if (*p == ')') ++p;
      if (tooLarge || n > 0xFFFF) return Fail(out, ERROR_INVALID_PARAMETER);
      const char* text = in.parameter ? in.parameter(n) : nullptr;
      if (text != nullptr) {
        size_t length = std::strlen(text);
        size_t skip = first > 0 ? first - 1 : 0;
        if (skip > length) skip = length;  // never start past the text
        size_t take = length - skip;
        if (count > 0 && count < take) take = count;
        fits = o.Add(text + skip, take);
      }
    } else if (IsDigit(*p)) {
      p = ReadNumber(p, n, tooLarge);
      if (tooLarge || n > 255) return Fail(out, ERROR_INVALID_PARAMETER);
      fits = o.Add(static_cast<char>(n));
    } else {
      char c = *p++;
      char number[16];
      switch (c) {
        case 'D':
        case 'd': fits = o.Add(reinterpret_cast<const char*>(in.data), in.dataLength); break;
        case 'X':
        case 'x':
        case 'Y':
        case 'y':
          std::snprintf(number, sizeof number, "%d",
                        static_cast<int>(c == 'X' || c == 'x' ? in.x : in.y));
          fits = o.Add(number, std::strlen(number));
          break;
        case 'n': fits = o.Add('\n'); break;
        case 'r': fits = o.Add('\r'); break;
        default: fits = o.Add(c); break;
      }
    }
    if (!fits) return Fail(out, ERROR_INSUFFICIENT_BUFFER);
  }
  return TRUE;
}

}  // namespace trv::dcl
