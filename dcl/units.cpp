#include "dcl/units.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr int kHundredthsPerInch = 2540;

struct LengthFormat {
  int unit;
  const char* spaced;
  const char* compact;
  double factor;  // from hundredths of a millimetre
};

// The factor is multiplied, not divided, so that a length shows the same digits
// everywhere it is formatted.
constexpr LengthFormat kFormats[] = {
    {kUnitMillimetres, "%.1f mm", "%.1fmm", 0.01},
    {kUnitCentimetres, "%.2f cm", "%.2fcm", 0.001},
    {kUnitInches, "%.2f in", "%.2f\"", 0.0003937007874015748},
};
constexpr LengthFormat kRawFormat = {0, "%f", "%f", 1.0};

const LengthFormat& FormatFor(int unit) {
  for (const LengthFormat& f : kFormats) {
    if (f.unit == unit) return f;
  }
  return kRawFormat;
}

struct Suffix {
  const char* text;
  int unit;
};

// Searched in this order, as substrings anywhere in the text and case-sensitive, so
// that "3 min" reads as inches: users type what they type.
constexpr Suffix kSuffixes[] = {
    {"MM", kUnitMillimetres}, {"Mm", kUnitMillimetres}, {"mm", kUnitMillimetres},
    {"ML", kUnitMillimetres}, {"Ml", kUnitMillimetres}, {"ml", kUnitMillimetres},
    {"IN", kUnitInches},      {"In", kUnitInches},      {"in", kUnitInches},
    {"\"", kUnitInches},      {"CM", kUnitCentimetres}, {"Cm", kUnitCentimetres},
    {"cm", kUnitCentimetres},
};

int UnitOfText(std::string_view text, int defaultUnit) {
  for (const Suffix& s : kSuffixes) {
    if (text.find(s.text) != std::string_view::npos) return s.unit;
  }
  return defaultUnit;
}

double HundredthsPerUnit(int unit) {
  switch (unit) {
    case kUnitMillimetres: return 100.0;
    case kUnitCentimetres: return 1000.0;
    case kUnitInches: return kHundredthsPerInch;
    default: return 1.0;
  }
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The leading decimal number of the text, read as strtod does but without regard to
// the C locale: leading white space, an optional sign, digits with an optional point
// and exponent; reading stops at the first character that cannot continue the number.
// No number reads as 0.
double LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
  double value = 0.0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (end == first) return 0.0;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone here, where strtod gives infinity for a
    // number too large and zero for one too small (a negative exponent).
    std::string_view number(first, static_cast<size_t>(end - first));
    bool tiny =
        number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

// Truncates toward zero; a value outside the range of int saturates rather than
// becoming whatever the conversion happens to produce, and not-a-number reads as 0.
int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

}  // namespace

LONG DotsFromHundredths(LONG length, LONG dpi) { return MulDiv(length, dpi, kHundredthsPerInch); }

void ToDots(int& x, int& y, int resolutionX, int resolutionY) {
  x = DotsFromHundredths(x, resolutionX);
  y = DotsFromHundredths(y, resolutionY);
}

bool FromDots(int& x, int& y, int resolutionX, int resolutionY) {
  if (resolutionX != 0) x = MulDiv(x, kHundredthsPerInch, resolutionX);
  if (resolutionY != 0) y = MulDiv(y, kHundredthsPerInch, resolutionY);
  return resolutionX != 0 && resolutionY != 0;
}

void FormatLength(int hundredths, char* buffer, int size, int unit, bool compact) {
  if (buffer == nullptr || size <= 0) return;
  const LengthFormat& f = FormatFor(unit);
  // snprintf cuts the text and still terminates it, so a caller that reads the
  // buffer as a string never runs past its end.
  std::snprintf(buffer, static_cast<size_t>(size), compact ? f.compact : f.spaced,
                hundredths * f.factor);
}

int ParseLength(const char* text, int defaultUnit) {
  if (text == nullptr) return 0;
  std::string_view view(text);
  int unit = UnitOfText(view, defaultUnit);
  return TruncateToInt(LeadingNumber(view) * HundredthsPerUnit(unit));
}

int GetUnitStep(int unit) {
  switch (unit) {
    case kUnitMillimetres:
    case kUnitCentimetres: return 100;
    case kUnitInches: return 254;
    default: return 0;
  }
}

WORD UnitCode::Set(DWORD requested) {
  WORD code = LOWORD(requested);
  if (code >= kUnitMillimetres && code <= kUnitInches) code_ = code;
  return code;
}

}  // namespace trv::dcl
