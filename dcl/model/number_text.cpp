#include "dcl/model/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "dcl/model/model_callbacks.h"

namespace trv::dcl {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0x" has been seen; the hexadecimal digits that follow, up to the first other
// character, keep the low 32 bits of the number they write.
double ReadHex(std::string_view digits) {
  DWORD value = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) break;
    value = (value << 4) | static_cast<DWORD>(d);
  }
  return static_cast<double>(value);
}

size_t SkipDigits(std::string_view s, size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

// The longest prefix that reads as a decimal number in the way strtod reads one
// (sign, digits, fraction, exponent), converted independently of any locale.
double ReadDecimal(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  size_t start = i;
  size_t intEnd = SkipDigits(s, i);
  size_t end = intEnd;
  bool digits = intEnd > start;
  if (end < s.size() && s[end] == '.') {
    size_t fracEnd = SkipDigits(s, end + 1);
    digits = digits || fracEnd > end + 1;
    end = fracEnd;
  }
  if (!digits) return 0.0;
  bool negativeExponent = false;
  if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
    size_t e = end + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) negativeExponent = s[e++] == '-';
    size_t expEnd = SkipDigits(s, e);
    if (expEnd > e) end = expEnd;  // an exponent without digits is not part of the number
  }
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + end, value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range)
    value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
  return negative ? -value : value;
}

// Truncates toward zero and keeps the low 32 bits, so that 0xFFFFFFFF reads as the
// bit pattern it writes; values beyond any integer saturate first.
LONG ToLong(double v) {
  if (std::isnan(v)) return 0;
  double t = std::trunc(v);
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  long long wide;
  if (t >= kLimit)
    wide = std::numeric_limits<long long>::max();
  else if (t < -kLimit)
    wide = std::numeric_limits<long long>::min();
  else
    wide = static_cast<long long>(t);
  return static_cast<LONG>(static_cast<DWORD>(static_cast<unsigned long long>(wide)));
}

// Scaling by 25.4 or 100 in binary floating point can land a hair below the whole
// number it stands for (6 inches = 15239.999999999998 hundredths); truncating that
// would lose a hundredth, so a value that close to the next whole number away from
// zero is taken as that number.
double AbsorbScalingError(double v) {
  constexpr double kTolerance = 1e-6;
  double away = v < 0 ? std::floor(v) : std::ceil(v);
  return std::fabs(away - v) < kTolerance ? away : v;
}

bool EndsInMillimetres(std::string_view s) {
  if (s.size() <= 2) return false;
  char m1 = s[s.size() - 2], m2 = s[s.size() - 1];
  return (m1 == 'm' || m1 == 'M') && (m2 == 'm' || m2 == 'M');
}

bool IsOperator(char c) { return c == '&' || c == '|' || c == '+'; }

}  // namespace

double ParseDecimal(std::string_view text) { return ReadDecimal(text); }

LONG ParseNumber(std::string_view text, DWORD flags, ModelCallbacks* callbacks) {
  text = Trim(text);
  if ((flags & SYMBOLS) && callbacks != nullptr && !text.empty()) {
    LONG value = 0;
    if (callbacks->LookUpSymbol(text, value)) return value;
  }
  bool inches = false;
  if (flags & UNITS) {
    inches = (flags & INCH_DEFAULT) != 0;
    if (EndsInMillimetres(text)) {
      text.remove_suffix(2);
      inches = false;
    } else if (text.size() > 1 && text.back() == '"') {
      text.remove_suffix(1);
      inches = true;
    }
  }
  double value;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    value = ReadHex(text.substr(2));
  else
    value = ReadDecimal(text);
  if (inches) value *= 25.4;
  if (flags & HUNDREDTHS) value *= 100;
  if (inches || (flags & HUNDREDTHS)) value = AbsorbScalingError(value);
  return ToLong(value);
}

LONG ParseNumberField(std::string_view text, DWORD flags, ModelCallbacks* callbacks) {
  if (!(flags & EXPRESSION)) return ParseNumber(text, flags, callbacks);
  DWORD termFlags = flags & ~EXPRESSION;
  DWORD result = 0;
  size_t start = 0;
  for (;;) {
    size_t op = start;
    while (op < text.size() && !IsOperator(text[op])) ++op;
    DWORD term =
        static_cast<DWORD>(ParseNumber(text.substr(start, op - start), termFlags, callbacks));
    if (op < text.size() && text[op] == '&') {
      result &= term;
    } else {
      result |= term;
    }
    if (op >= text.size()) break;
    start = op + 1;
  }
  return static_cast<LONG>(result);
}

}  // namespace trv::dcl
