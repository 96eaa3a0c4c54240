#include "dcl/epl/epl_commands.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dcl/object/coordinates.h"

namespace trv::dcl::epl {
namespace {

// Capability bits of the printer configuration that allow an option to be sent.
constexpr DWORD kCanSpeed = 0x0004;
constexpr DWORD kCanDarkness = 0x0020;
constexpr DWORD kCanMediaType = 0x0040;
constexpr DWORD kCanOptionS = 0x0100;
constexpr DWORD kCanOrientation = 0x2000;
constexpr DWORD kCanCopies = 0x4000;
constexpr DWORD kCanRegionGraphics = 0x100000;
constexpr DWORD kCanOptionL = 0x400000;
constexpr DWORD kCanTopOfFormBack = 0x800000;

// Dispense modes and the print-mode mask bits that offer them.
constexpr DWORD kModePace = 0x0C;  // auto-pace 4, pace 8
constexpr DWORD kModeCut = 0x10;
constexpr DWORD kTwoValuePresent = 0x2000;

// One formatted line with its LF.
std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char* format, ...) {
  char buffer[128];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::string line(buffer, static_cast<size_t>(std::clamp(n, 0, int{sizeof buffer} - 1)));
  line += '\n';
  return line;
}

bool Allowed(const PrinterConfig& config, DWORD capability, const OptionValueView& value) {
  return (config.capabilities & capability) != 0 && !value.IsNull();
}

bool SwitchOn(const PrinterConfig& config, DWORD capability, const OptionValueView& value) {
  return Allowed(config, capability, value) && value.Setting() == 1;
}

LONG AtLeastZero(long long v) { return v < 0 ? 0 : Saturated(v); }

}  // namespace

LONG LabelWidth(LONG pageWidth, LONG offsetX) { return ((pageWidth + offsetX - 1) / 8) * 8 + 8; }

std::string MediaSensingLine(const OptionValueView& sensing, LONG pageHeight) {
  LONG sensor = sensing.Field<LONG>(kTrackingOffsetSecond);
  switch (!sensing.IsNull() ? sensing.Setting() : 0) {
    case 1: return Line("Q%d,0", sensor);
    // The black-mark offset carries its own sign: B16+10 or B16-10.
    case 4:
      return Line("Q%d,B%d%+d", pageHeight, sensing.Field<LONG>(kTrackingOffsetHeight), sensor);
    case 8: return Line("Q%d,%d", pageHeight, sensor);
    default: return Line("Q%d,24", pageHeight);
  }
}

namespace {
bool CutterMode(const PrinterConfig& config, const JobOptions& options) {
  return (config.printModes & kModeCut) != 0 && !options.dispense.IsNull() &&
         options.dispense.Setting() == kModeCut;
}
}  // namespace

std::string OptionsLine(const PrinterConfig& config, const JobOptions& options) {
  std::string items;
  auto add = [&items](const std::string& item) {
    if (!items.empty()) items += ',';
    items += item;
  };
  if (CutterMode(config, options)) {
    std::string cutter = "C";
    DWORD kind = static_cast<DWORD>(options.dispense.Field<LONG>(kDispenseOffsetSwitches)) & 0x0F;
    if (kind == 2) {
      cutter += 'b';
    } else if (kind == 4) {
      char number[16];
      std::snprintf(number, sizeof number, "%i",
                    options.dispense.Field<LONG>(kDispenseOffsetChoice));
      cutter += number;
    }
    add(cutter);
  }
  if (SwitchOn(config, kCanMediaType, options.mediaType)) add("D");
  if (SwitchOn(config, kCanOptionL, options.optionL)) add("L");
  if (SwitchOn(config, kCanOptionS, options.optionS)) add("S");
  if (items.empty()) return "";
  return "O" + items + "\n";
}

bool RegionGraphics(const PrinterConfig& config, const JobOptions& options) {
  return SwitchOn(config, kCanRegionGraphics, options.regionGraphics);
}

std::vector<std::string> SetupLines(const PrinterConfig& config, const JobOptions& options,
                                    LONG pageWidth, LONG pageHeight, LONG offsetX) {
  std::vector<std::string> lines;
  lines.push_back("\n");
  lines.push_back(Line("q%u", static_cast<unsigned>(LabelWidth(pageWidth, offsetX))));
  lines.push_back(MediaSensingLine(options.mediaSensing, pageHeight));
  if (std::string o = OptionsLine(config, options); !o.empty()) lines.push_back(o);
  if (CutterMode(config, options))
    lines.push_back(Line("f%d", options.dispense.Field<LONG>(kDispenseOffsetModeOffset)));
  if (Allowed(config, kCanDarkness, options.darkness))
    lines.push_back(Line("D%u", static_cast<unsigned>(options.darkness.Setting())));
  if (Allowed(config, kCanSpeed, options.printSpeed))
    lines.push_back(Line("S%u", static_cast<unsigned>(options.printSpeed.Setting())));
  if ((config.printModes & kModePace) != 0 && !options.dispense.IsNull() &&
      (options.dispense.Setting() == 4 || options.dispense.Setting() == 8))
    lines.push_back((static_cast<DWORD>(options.dispense.Field<LONG>(kDispenseOffsetSwitches)) &
                     kTwoValuePresent)
                        ? "JF\n"
                        : "JB\n");
  if (Allowed(config, kCanOrientation, options.orientation))
    lines.push_back(options.orientation.Setting() != 0 ? "ZB\n" : "ZT\n");
  if (Allowed(config, kCanTopOfFormBack, options.topOfFormBack))
    lines.push_back(options.topOfFormBack.Setting() == 1 ? "JF\n" : "JB\n");
  return lines;
}

std::string PageStartLine() { return "N\n"; }

std::string PrintLine(const PrinterConfig& config, const JobOptions& options, WORD recordCopies) {
  unsigned copies = recordCopies;
  if (copies == 0 && Allowed(config, kCanCopies, options.copies))
    copies = static_cast<unsigned>(options.copies.Setting());
  if (copies == 0) copies = 1;
  return Line("P%u", copies);
}

std::string TextLine(LONG x, LONG y, LONG direction, std::string_view fontMacro, WORD fontFlags,
                     LONG multX, LONG multY, std::string_view text) {
  int rotation = 0;
  switch (direction) {
    case 0x1000: rotation = 1; break;
    case 0x2000: rotation = 2; break;
    case 0x4000: rotation = 3; break;
    default: rotation = 0; break;
  }
  char letter = (fontFlags & kReverseFontFlag) ? 'R' : 'N';
  if (fontFlags & kDownloadedFontFlag) {
    multX = 1;
    multY = 1;
    letter = 'N';
  }
  if (rotation == 1 || rotation == 3) std::swap(multX, multY);
  char head[kTextLineLimit + 1];
  int n = std::snprintf(head, sizeof head, "A%d,%d,%d,%.*s,%d,%d,%c,\"", x, y, rotation,
                        static_cast<int>(std::min<size_t>(fontMacro.size(), 64)), fontMacro.data(),
                        multX, multY, letter);
  std::string line(head, static_cast<size_t>(std::clamp(n, 0, int{kTextLineLimit})));
  // Room for the closing quote and the LF.
  const size_t room = kTextLineLimit - 2;
  for (char c : text) {
    bool escape = c == '"' || c == '\\';
    if (line.size() + (escape ? 2 : 1) > room) break;
    if (escape) line += '\\';
    line += c;
  }
  line += "\"\n";
  return line;
}

namespace {

// A horizontal or vertical extent [start, start + length) moved onto the label:
// whatever lies before 0 is dropped. False when nothing is left.
bool ClipSpan(long long& start, long long& length) {
  if (start < 0) {
    length += start;
    start = 0;
  }
  return length > 0;
}

}  // namespace

std::string LineCommand(LONG x, LONG y, LONG dx, LONG dy, LONG colour, DWORD placement,
                        LONG width) {
  const long long w = std::llabs(width);
  const long long h = w / 2;
  if (dx != 0 && dy != 0) {
    if (colour == kWhite) return "";
    long long x1, y1, ddy;
    if (placement & 0x02) {
      x1 = x;
      y1 = static_cast<long long>(y) + dy - h;
      ddy = -static_cast<long long>(dy);
    } else {
      x1 = x - h;
      y1 = y;
      ddy = dy;
    }
    return Line("LS%d,%d,%d,%d,%d", AtLeastZero(x1), AtLeastZero(y1), Saturated(w),
                AtLeastZero(x1 + dx), AtLeastZero(y1 + ddy));
  }
  long long left = dx < 0 ? static_cast<long long>(x) + dx : x;
  long long top = dy < 0 ? static_cast<long long>(y) + dy : y;
  long long across = dx != 0 ? std::llabs(dx) : w;
  long long down = dy != 0 ? std::llabs(dy) : w;
  if (dx == 0) left -= h;
  if (dy == 0) top -= h;
  if (!ClipSpan(left, across) || !ClipSpan(top, down)) return "";
  const char* word = (placement & 0x01) ? "LE" : (colour == kWhite ? "LW" : "LO");
  return Line("%s%d,%d,%d,%d", word, Saturated(left), Saturated(top), Saturated(across),
              Saturated(down));
}

std::string BoxCommand(LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG width) {
  if (colour == kWhite) return "";
  const long long left = dx < 0 ? static_cast<long long>(x) + dx : x;
  const long long top = dy < 0 ? static_cast<long long>(y) + dy : y;
  const long long w = std::llabs(width);
  const long long h = w / 2;
  const long long right = left + std::llabs(dx) + w - h;
  const long long bottom = top + std::llabs(dy) + w - h;
  if (right < 0 || bottom < 0) return "";
  return Line("X%d,%d,%d,%d,%d", AtLeastZero(left - h), AtLeastZero(top - h), Saturated(w),
              Saturated(right), Saturated(bottom));
}

std::string GraphicsLine(LONG x, LONG y, DWORD widthBytes, DWORD rows) {
  return Line("GW%u,%u,%u,%u", static_cast<unsigned>(AtLeastZero(x)),
              static_cast<unsigned>(AtLeastZero(y)), widthBytes, rows);
}

std::string ImageLine(LONG x, LONG y, DWORD c, DWORD d) {
  return Line("I%u,%u,%u,%u,%lu.", static_cast<unsigned>(AtLeastZero(x)),
              static_cast<unsigned>(AtLeastZero(y)), c, d,
              3ul * static_cast<unsigned long>(c) * static_cast<unsigned long>(d));
}

bool IsSoftFontLetter(char letter) { return letter >= 'a' && letter <= 'z'; }

std::string DeleteFontLine(char letter) { return Line("EK\"%c\"", letter); }

}  // namespace trv::dcl::epl
