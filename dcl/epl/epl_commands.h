// The EPL command lines the back-end sends, built from plain numbers and option
// values so that each line can be checked on its own. Every line ends with LF and is
// written to the port in one write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dcl/model/printer_config.h"
#include "dcl/object/option_value.h"
#include "platform/windef.h"

namespace trv::dcl::epl {

// The option values a job's set-up reads; an absent one reads as absent.
struct JobOptions {
  OptionValueView orientation{nullptr};     // 0x1004
  OptionValueView copies{nullptr};          // 0x1005
  OptionValueView topOfFormBack{nullptr};   // 0x100A
  OptionValueView dispense{nullptr};        // 0x2001
  OptionValueView mediaType{nullptr};       // 0x3004
  OptionValueView mediaSensing{nullptr};    // 0x3005
  OptionValueView optionS{nullptr};         // 0x3006
  OptionValueView printSpeed{nullptr};      // 0x3008
  OptionValueView darkness{nullptr};        // 0x3012
  OptionValueView regionGraphics{nullptr};  // 0x3021
  OptionValueView optionL{nullptr};         // 0x3022
};

// Label width of the "q" line: the page width plus the left offset, rounded up to a
// multiple of 8 dots.
LONG LabelWidth(LONG pageWidth, LONG offsetX);

// The set-up lines after the user command of the job start, in the order the printer
// gets them: an empty line, "q", "Q", "O" (when it has items), "f" (cutter), "D",
// "S", the dispense "J", "Z", the top-of-form "J".
std::vector<std::string> SetupLines(const PrinterConfig& config, const JobOptions& options,
                                    LONG pageWidth, LONG pageHeight, LONG offsetX);

std::string MediaSensingLine(const OptionValueView& sensing, LONG pageHeight);
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
