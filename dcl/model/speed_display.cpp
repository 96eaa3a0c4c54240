#include "dcl/model/speed_display.h"

#include "dcl/units.h"

#include <array>
#include <cstdio>
#include <optional>

#include "dcl/model/number_text.h"

namespace trv::dcl {
namespace {

constexpr size_t kMaxItem = 39;
// No printer offers more speeds than this; a wider range is a broken data file.
constexpr long long kMaxGeneratedSpeeds = 1000;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpeedChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// One speed in inches per second as "<hundredths of a millimetre in the unit>/Sec";
// nothing for a speed of 0 or less.
std::optional<std::string> SpeedText(double inchesPerSecond, int unit) {
  if (!(inchesPerSecond > 0)) return std::nullopt;
  double hundredths = inchesPerSecond * 25.4 * 100;
  if (hundredths >= 2147483647.0) return std::nullopt;
  return FormatSpacedLength(static_cast<LONG>(hundredths), unit) + "/Sec";
}

std::optional<std::string> RewriteList(const std::string& list, int unit) {
  std::string result;
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    size_t end = comma == std::string::npos ? list.size() : comma;
    std::string item;
    for (size_t i = start; i < end; ++i)
      if (IsSpeedChar(list[i])) item += list[i];
    if (item.size() > kMaxItem) return std::nullopt;
    std::optional<std::string> text = SpeedText(ParseDecimal(item), unit);
    if (!text) return std::nullopt;
    if (!result.empty()) result += ',';
    result += *text;
    if (comma == std::string::npos) return result;
    start = comma + 1;
  }
}

std::optional<std::string> GenerateList(LONG minimum, LONG maximum, int unit) {
  if (static_cast<long long>(maximum) - minimum >= kMaxGeneratedSpeeds) return std::nullopt;
  std::string result;
  for (long long speed = minimum; speed <= maximum; ++speed) {
    std::optional<std::string> text = SpeedText(static_cast<double>(speed), unit);
    if (!text) return std::nullopt;
    if (!result.empty()) result += ',';
    result += *text;
  }
  return result;
}

}  // namespace

std::string FormatSpacedLength(LONG hundredths, int unit) {
  char text[64];
  FormatLength(hundredths, text, sizeof text, unit, false);
  return text;
}

void RewriteSpeedDisplay(RangeSetting& speed, int unit) {
  std::optional<std::string> list;
  if (speed.display.empty()) {
    list = GenerateList(speed.minimum, speed.maximum, unit);
  } else {
    for (char c : speed.display)
      if (IsLetter(c)) return;
    list = RewriteList(speed.display, unit);
  }
  if (list) speed.display = std::move(*list);
}

}  // namespace trv::dcl
