// The EPL command lines the back-end sends, built from plain numbers and option
// values so that each line can be checked on its own. Every line ends with LF and is
// written to the port in one write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dcl/model/printer_config.h"
#include "platform/windef.h"

namespace trv::dcl::epl {

// A view of one option value: its bytes start with the 32-bit size and the 16-bit
// option id. Reads outside the value's own size answer 0, so a short or damaged
// value never leads past its end.
class OptionValue {
 public:
  OptionValue() = default;
  explicit OptionValue(const BYTE* value) : value_(value) {}
  bool Present() const { return value_ != nullptr; }
  DWORD Size() const;
  DWORD Word(DWORD offset) const;
  LONG Long(DWORD offset) const { return static_cast<LONG>(Word(offset)); }
  DWORD Setting() const { return Word(8); }

 private:
  const BYTE* value_ = nullptr;
};

// The option values a job's set-up reads; each absent one is a default OptionValue.
struct JobOptions {
  OptionValue orientation;     // 0x1004
  OptionValue copies;          // 0x1005
  OptionValue topOfFormBack;   // 0x100A
  OptionValue dispense;        // 0x2001
  OptionValue mediaType;       // 0x3004
  OptionValue mediaSensing;    // 0x3005
  OptionValue optionS;         // 0x3006
  OptionValue printSpeed;      // 0x3008
  OptionValue darkness;        // 0x3012
  OptionValue regionGraphics;  // 0x3021
  OptionValue optionL;         // 0x3022
};

// Label width of the "q" line: the page width plus the left offset, rounded up to a
// multiple of 8 dots.
LONG LabelWidth(LONG pageWidth, LONG offsetX);

// The set-up lines after the user command of the job start, in the order the printer
// gets them: an empty line, "q", "Q", "O" (when it has items), "f" (cutter), "D",
// "S", the dispense "J", "Z", the top-of-form "J".
std::vector<std::string> SetupLines(const PrinterConfig& config, const JobOptions& options,
                                    LONG pageWidth, LONG pageHeight, LONG offsetX);

std::string MediaSensingLine(const OptionValue& sensing, LONG pageHeight);
// The "O" line, or "" when it would have no items.
std::string OptionsLine(const PrinterConfig& config, const JobOptions& options);

// Whether region graphics are on for the job.
bool RegionGraphics(const PrinterConfig& config, const JobOptions& options);

// "N" opens a page; "P" prints it. A record without copies takes the copies option
// and, without one, prints one label: a page end always prints.
std::string PageStartLine();
std::string PrintLine(const PrinterConfig& config, const JobOptions& options, WORD recordCopies);

// The "A" text line. Direction codes 0, 0x1000, 0x2000, 0x4000 turn the text by
// 0, 90, 180, 270 degrees; quotes and backslashes inside the text are escaped, and
// the text is cut (never inside an escape) so that the line fits 259 bytes.
inline constexpr size_t kTextLineLimit = 259;
inline constexpr WORD kDownloadedFontFlag = 0x02;
inline constexpr WORD kReverseFontFlag = 0x10;
std::string TextLine(LONG x, LONG y, LONG direction, std::string_view fontMacro, WORD fontFlags,
                     LONG multX, LONG multY, std::string_view text);

// Lines and boxes. Placement bit 0x01 draws XOR, 0x02 marks a turned slanted line;
// colour 0xFFFFFF is white. Lengths are absolute; coordinates that would fall left of
// or above the label are moved onto it (a horizontal or vertical line loses the part
// outside), never mirrored. "" when nothing is drawn.
inline constexpr LONG kWhite = 0xFFFFFF;
std::string LineCommand(LONG x, LONG y, LONG dx, LONG dy, LONG colour, DWORD placement, LONG width);
std::string BoxCommand(LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG width);

// "GW" with the place and size of one graphics rectangle.
std::string GraphicsLine(LONG x, LONG y, DWORD widthBytes, DWORD rows);
// "I" (an image of c x d cells): the other kind of bitmap placement.
std::string ImageLine(LONG x, LONG y, DWORD c, DWORD d);

// Soft fonts: the printer's fonts are named by one lower-case letter.
bool IsSoftFontLetter(char letter);
std::string DeleteFontLine(char letter);  // EK"x"

// The printer reset of an aborted job (caret, at sign, LF).
inline constexpr char kResetCommand[] = "^@\n";
// The status request.
inline constexpr char kStatusRequest[] = "^ee\n";

}  // namespace trv::dcl::epl
