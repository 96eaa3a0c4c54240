#include "dcl/cpcl/dcl_cpcl.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "dcl/cpcl/cisdf.h"
#include "dcl/fonts/font_download.h"
#include "dcl/model/text_heap.h"
#include "dcl/object/coordinates.h"
#include "dcl/object/host_interface.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {

namespace {

// Capability bits of the printer's configuration that let an option be sent.
constexpr DWORD kCanPrefeed = 0x0001;
constexpr DWORD kCanSpeed = 0x0004;
constexpr DWORD kCanDarkness = 0x0020;
constexpr DWORD kCanTurn = 0x2000;
constexpr DWORD kCanRegions = 0x100000;

// Dispense modes and their value switches.
constexpr LONG kModeRewind = 2;
constexpr LONG kModeAutoPace = 4;
constexpr LONG kModePace = 8;
constexpr LONG kModeCut = 16;
constexpr DWORD kSwitchTwoValuePresent = 0x2000;
constexpr DWORD kSwitchPartialCut = 0x20000;
// CPCL counts the present-at delay in eighths of a second.
constexpr LONG kDelayEighths = 8;

// Media-sensing modes.
constexpr LONG kSenseJournal = 1;
constexpr LONG kSenseBar = 4;
constexpr LONG kSenseGap = 8;

constexpr size_t kLineBuffer = 128;
// Downloaded fonts: numbers 9 to 20, drawn at the printer's 203 dots per inch.
constexpr int kFirstDownloadNumber = 9;
constexpr int kLastDownloadNumber = 20;
constexpr LONG kDownloadDpi = 203;
constexpr WORD kDownloadedFont = 0x02;
constexpr size_t kTextLineBuffer = 260;

// Status byte of the printer's answer to ESC h.
constexpr BYTE kStatusQuery[] = {0x1B, 'h', 0x0D, 0x0A};
constexpr UINT kMessageProblem = 10520;
constexpr UINT kMessagePaperOut = 10521;
constexpr UINT kMessageHeadOpen = 10522;
constexpr UINT kMessageBattery = 10523;

// The two name tables: text and bar-code command words by direction, and how the
// position moves by the item's box for the placement cases 0, 2, 4 and 8.
constexpr NameTableEntry kTextNames[] = {
    {"T", kDirection0, {0, 0, 0, 0x40}},
    {"T270", kDirection270, {0, 0, 0x02, 0}},
    {"T180", kDirection180, {0, 0, 0x12, 0x02}},
    {"T90", kDirection90, {0, 0, 0x10, 0}},
};
constexpr NameTableEntry kBarcodeNames[] = {
    {"B", kDirection0, {0, 0x84, 0, 0x40}},
    {"VB", kDirection270, {0, 0, 0x10, 0}},
    {"B", kDirection180, {0, 0, 0, 0}},
    {"VB", kDirection90, {0, 0, 0, 0}},
};

const char* TextCommandWord(LONG direction) {
  switch (direction) {
    case kDirection270: return "T270";
    case kDirection180: return "T180";
    case kDirection90: return "T90";
    default: return "T";
  }
}

}  // namespace

const char* CDCLCpcl::GetHelpFileName() { return "TRVCPL.HLP"; }
BOOL CDCLCpcl::LoadConfiguration(ModelTables* tables) {
  return LoadForLanguage(tables, kCpclProfile);
}
const char* CDCLCpcl::GetDefFileName() { return "TRVCPL.DEF"; }

BOOL CDCLCpcl::SendLine(const char* format, ...) {
  char line[kLineBuffer];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) return Fail(ERROR_INVALID_PARAMETER);
  size_t length =
      static_cast<size_t>(n) < sizeof line - 3 ? static_cast<size_t>(n) : sizeof line - 3;
  line[length++] = '\r';
  line[length++] = '\n';
  return WriteCommand(line, static_cast<DWORD>(length));
}

// ---- job and page --------------------------------------------------------------------------

BOOL CDCLCpcl::StartDoc(DWORD width, DWORD height, DWORD orientation) {
  // A repeated job start leaves the open job as it is.
  if (docOpen_) return TRUE;
  offsetX_ = offsetY_ = 0;
  PaperEntry paper{};
  if (!FindJobPaper(paper)) return Fail(ERROR_EA_ACCESS_DENIED);
  if (orientation == kOrientationPortrait) {
    offsetX_ = paper.left;
    offsetY_ = paper.top;
  } else {
    offsetX_ = paper.top;
    offsetY_ = paper.left;
  }
  pageOpen_ = false;
  graphicsRegions_ = Allows(kCanRegions) && JobOption(kOptionGraphicsRegions).Setting() == 1;
  bitmap_.Reset();
  if (!BeginLabelJob(width, height, orientation)) return FALSE;
  // The header line carries the horizontal offset for the whole label, so items and
  // graphics move by the vertical offset only.
  ItemFrame frame = Frame();
  frame.offsetX = 0;
  frame.offsetY = offsetY_;
  SetFrame(frame);
  docOpen_ = true;
  return TRUE;
}

BOOL CDCLCpcl::EndDoc() {
  docOpen_ = false;
  return EndLabelJob();
}

BOOL CDCLCpcl::StartPage(WORD, WORD, WORD copies) {
  bitmap_.Reset();
  // The page is open once its header line went out: only then is "PRINT" due.
  pageOpen_ = false;
  BOOL ok = WaitForReadiness() && SendUserCommand(kOptionCommandAtPageStart);
  if (ok) ok = SendPageHeader(copies);
  if (ok) ok = SendMediaSensing();
  lastMagX_ = lastMagY_ = 0;
  return ok;
}

BOOL CDCLCpcl::SendPageHeader(WORD copies) {
  ModelEntry model{};
  if (!FindJobModel(model)) return TRUE;  // no model: no header
  const unsigned pageWidth = (JobWidth() + 31) / 32 * 32;
  BOOL ok = SendLine("! %u %u %u %u %u", static_cast<unsigned>(offsetX_),
                     static_cast<unsigned>(model.resolutionX),
                     static_cast<unsigned>(model.resolutionY), JobHeight() + 1, copies);
  pageOpen_ = ok != FALSE;
  ok = ok && SendLine("PW %u", pageWidth);
  if (ok && Allows(kCanDarkness)) {
    OptionValueView v = JobOption(kOptionDarkness);
    if (!v.IsNull()) ok = SendLine("TONE %d", static_cast<int>(v.Setting()));
  }
  if (ok && Allows(kCanSpeed)) {
    OptionValueView v = JobOption(kOptionPrintSpeed);
    if (!v.IsNull()) ok = SendLine("SPEED %d", static_cast<int>(v.Setting()));
  }
  if (ok && Allows(kCanPrefeed)) {
    OptionValueView v = JobOption(kOptionTopOffset);
    if (!v.IsNull()) ok = SendLine("PREFEED %d", static_cast<int>(v.Setting()));
  }
  if (ok && Allows(kCanTurn)) {
    OptionValueView v = JobOption(kOptionRotate180);
    if (!v.IsNull()) ok = SendLine(v.Setting() == 1 ? "TURN 180" : "TURN 0");
  }
  return ok;
}

BOOL CDCLCpcl::SendMediaSensing() {
  if ((Config().mediaTracking & (0x01 | 0x04 | 0x08)) == 0) return TRUE;
  OptionValueView v = JobOption(kOptionMediaTracking);
  if (!!v.IsNull()) return TRUE;
  const int sensor = static_cast<int>(v.Field<LONG>(kTrackingOffsetSecond));
  switch (v.Setting()) {
    case kSenseJournal: return SendLine("JOURNAL");
    case kSenseBar: return sensor != 0 ? SendLine("BAR-SENSE %d", sensor) : SendLine("BAR-SENSE");
    case kSenseGap: return sensor != 0 ? SendLine("GAP-SENSE %d", sensor) : SendLine("GAP-SENSE");
    default: return TRUE;
  }
}

BOOL CDCLCpcl::EndPage(WORD) {
  BOOL ok = SendMediaCommands();
  if (pageOpen_ && ok) {
    ok = SendLine("PRINT");
    // A failed "PRINT" leaves the page open, so the page end offered again prints it.
    if (ok) pageOpen_ = false;
  }
  if (ok) ok = WaitForReadiness() && SendUserCommand(kOptionCommandAtPageEnd);
  bitmap_.Reset();
  return ok;
}

BOOL CDCLCpcl::SendMediaCommands() {
  OptionValueView v = JobOption(kOptionDispenseMode);
  if (!!v.IsNull()) return TRUE;
  const DWORD modes = Config().printModes;
  const LONG mode = v.Setting();
  const DWORD switches = static_cast<DWORD>(v.Field<LONG>(kDispenseOffsetSwitches));
  const int distance = static_cast<int>(v.Field<LONG>(kDispenseOffsetModeOffset));
  BOOL ok = TRUE;
  if (modes & 0x02) ok = SendLine(mode == kModeRewind ? "REWIND-ON" : "REWIND-OFF");
  if (ok && (modes & 0x0C)) {
    if (mode == kModeAutoPace || mode == kModePace) {
      ok = SendLine(mode == kModeAutoPace ? "AUTO-PACE" : "PACE");
      if (ok && (switches & kSwitchTwoValuePresent)) {
        // The delay is kept in seconds; the printer counts eighths of a second.
        const int delay = static_cast<int>(v.Field<LONG>(kDispenseOffsetDelay) * kDelayEighths);
        ok = SendLine("PRESENT-AT %d %d", distance, delay);
      } else if (ok) {
        ok = SendLine("PRESENT-AT %d", distance);
      }
    } else {
      ok = SendLine("NO-PACE");
    }
  }
  if (ok && (modes & 0x10) && mode == kModeCut) {
    ok = SendLine((switches & kSwitchPartialCut) ? "PARTIAL-CUT" : "CUT");
    if (ok) ok = SendLine("CUT-AT %d", distance);
  }
  return ok;
}

// ---- text ----------------------------------------------------------------------------------

BOOL CDCLCpcl::WriteTextCommand(LONG x, LONG y, LONG, LONG, LONG multX, LONG multY, LONG direction,
                                DWORD, const TextFontEntry* font, const BYTE* text,
                                DWORD textLength, BYTE*) {
  if (font == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const char* macro = TextHeapText(font->commandMacro);
  const size_t macroLength = std::strlen(macro);
  char line[kTextLineBuffer];
  int n;
  if (macroLength == 8) {
    // A downloaded font is named by its 8-digit number and printed at its own size.
    const int size = (font->flags & 0x02) ? 0 : 1;
    n = std::snprintf(line, sizeof line, "%s %s.CPF %d %d %d ", TextCommandWord(direction), macro,
                      size, static_cast<int>(x), static_cast<int>(y));
  } else if (macroLength == 2) {
    if (multX != lastMagX_ || multY != lastMagY_) {
      // Unmagnified text is the printer's default, "0 0".
      const int magX = multX > 1 ? static_cast<int>(multX) : 0;
      const int magY = multY > 1 ? static_cast<int>(multY) : 0;
      if (!SendLine("SETMAG %d %d", magX, magY)) return FALSE;
      lastMagX_ = multX;
      lastMagY_ = multY;
    }
    n = std::snprintf(line, sizeof line, "%s %c %c %d %d ", TextCommandWord(direction), macro[0],
                      macro[1], static_cast<int>(x), static_cast<int>(y));
  } else {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (n < 0 || static_cast<size_t>(n) >= sizeof line - 3) return Fail(ERROR_INVALID_PARAMETER);
  // The text is cut to what the line holds with its CR LF; a line break inside the
  // text would end the command early, so it prints as a blank.
  std::string command(line, static_cast<size_t>(n));
  const size_t room = kTextLineBuffer - 3 - command.size();
  const size_t take = textLength < room ? textLength : room;
  for (size_t i = 0; i < take; ++i) {
    const char c = static_cast<char>(text[i]);
    command += (c == '\r' || c == '\n') ? ' ' : c;
  }
  command += "\r\n";
  return WriteCommand(command.data(), static_cast<DWORD>(command.size()));
}

LONG CDCLCpcl::ClassifyDirectCommand(const char* text) {
  return text != nullptr && std::strcmp(text, "BT OFF") == 0 ? 0 : 26;
}

const NameTableEntry* CDCLCpcl::GetNameTable(spool::ItemKind kind) {
  return kind == spool::ItemKind::kText ? kTextNames : kBarcodeNames;
}
DWORD CDCLCpcl::GetNameTableCount(spool::ItemKind) { return 4; }

DWORD CDCLCpcl::NextRotation(DWORD* direction) {
  // CPCL turns counter-clockwise: 0 -> 0x4000 -> 0x2000 -> 0x1000 -> 0.
  DWORD old = *direction;
  switch (old) {
    case kDirection0: *direction = kDirection90; break;
    case kDirection90: *direction = kDirection180; break;
    case kDirection180: *direction = kDirection270; break;
    case kDirection270: *direction = kDirection0; break;
    default: break;
  }
  return old;
}

void CDCLCpcl::AdjustExtent(LONG* coordinate, LONG amount, DWORD placement, LONG direction) {
  if (coordinate != nullptr && (placement & (kPlacementTurned | kPlacementTurnedHigh)) &&
      direction == 0)
    *coordinate = Saturated(static_cast<long long>(*coordinate) + amount);
}

// ---- lines and boxes -------------------------------------------------------------------------

BOOL CDCLCpcl::DrawLine(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement,
                        LONG width, BYTE*) {
  const DWORD p = static_cast<DWORD>(placement);
  const long long left = x, top = y, h = width / 2;
  long long x1, y1, x2, y2;
  if (dx != 0 && dy != 0) {
    if (p & kPlacementTurned) {
      x1 = left, y1 = top - h + dy, x2 = left + dx, y2 = top - h;
    } else {
      x1 = left - h, y1 = top, x2 = left - h + dx, y2 = top + dy;
    }
  } else {
    x1 = dx < 0 ? left + dx : left;
    y1 = dy < 0 ? top + dy : top;
    if (dx == 0) x1 -= h;
    if (dy == 0) y1 -= h;
    x2 = x1 + std::llabs(dx), y2 = y1 + std::llabs(dy);
  }
  char args[kLineBuffer];
  std::snprintf(args, sizeof args, "%d %d %d %d %d", Saturated(x1), Saturated(y1), Saturated(x2),
                Saturated(y2), static_cast<int>(width));
  if (p & kPlacementXor) return SendLine("IL %s", args);
  if (!SendLine("L %s", args)) return FALSE;
  // A white line is a black one inverted.
  if (static_cast<DWORD>(colour) == 0xFFFFFF) return SendLine("IL %s", args);
  return TRUE;
}

BOOL CDCLCpcl::DrawBox(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG, LONG width,
                       BYTE*) {
  if (static_cast<DWORD>(colour) == 0xFFFFFF) return TRUE;  // white boxes are not drawn
  const long long left = dx < 0 ? static_cast<long long>(x) + dx : x;
  const long long top = dy < 0 ? static_cast<long long>(y) + dy : y;
  const long long h = width / 2;
  return SendLine("BOX %d %d %d %d %d", Saturated(left - h), Saturated(top - h),
                  Saturated(left + std::llabs(dx) + width - h),
                  Saturated(top + std::llabs(dy) + width - h), static_cast<int>(width));
}

// ---- status ----------------------------------------------------------------------------------

BOOL CDCLCpcl::QueryDeviceStatus(DevicePort* port, DeviceStatus* status) {
  if (!StatusQueries() || port == nullptr || status == nullptr || !port->IsOpen() ||
      port->writePort == nullptr || port->readPort == nullptr)
    return Fail(ERROR_NOT_READY);
  DWORD written = 0;
  BYTE answer = 0;
  DWORD read = 0;
  if (!port->writePort(port->handle, const_cast<BYTE*>(kStatusQuery), sizeof kStatusQuery,
                       &written) ||
      written == 0 || !port->readPort(port->handle, &answer, 1, &read) || read == 0) {
    // A printer that does not answer is not asked again in this job.
    SetStatusQueries(false);
    return Fail(ERROR_NOT_READY);
  }
  status->size = kDeviceStatusWireSize;
  status->zero1 = answer;
  status->text = nullptr;
  status->message = 0;
  if ((answer & 0x0F) == 0) {
    status->state = STATUS_READY;
    return TRUE;
  }
  UINT message = 0;
  if (answer & 0x08)
    message = kMessageBattery;
  else if (answer & 0x04)
    message = kMessageHeadOpen;
  else if (answer & 0x02)
    message = kMessagePaperOut;
  if (message == 0) {
    status->state = STATUS_BUSY;
    return TRUE;
  }
  status->state = STATUS_ERROR;
  status->kind = STATUS_QUESTION;
  LoadString(nullptr, message, statusBuffer_, sizeof statusBuffer_);
  status->message = STATUS_TEXT_IN_POINTER;
  status->text = statusBuffer_;
  return TRUE;
}

BOOL CDCLCpcl::DescribeDeviceStatus(DevicePort*, DeviceStatus* status) {
  return DescribeStatusText(status, kMessageProblem, statusBuffer_, sizeof statusBuffer_);
}

// ---- downloaded fonts --------------------------------------------------------------------------

// The dialog's answers come ahead of the call (SetFontDownloadRequest); the dialog
// itself comes with the dialogs. `installedList` is the installed text fonts
// (std::vector<TextFontEntry>), `portBlock` the port the font goes to.
BOOL CDCLCpcl::AddDownloadFont(void* installedList, ModelTables*, WORD* id, HWND, void* portBlock) {
  std::optional<fonts::FontDownloadRequest> request = TakeFontDownloadRequest();
  if (!request) return NotYetOffered();
  if (installedList == nullptr || id == nullptr || request->number < kFirstDownloadNumber ||
      request->number > kLastDownloadNumber || request->points < 1 || request->widthPoints < 0 ||
      request->faceName.empty())
    return Fail(ERROR_INVALID_PARAMETER);
  auto& installed = *static_cast<std::vector<TextFontEntry>*>(installedList);
  const LONG height = request->points * kDownloadDpi / 72;
  const LONG width = request->widthPoints * kDownloadDpi / 72;
  fonts::GlyphRasteriser raster;
  if (DWORD rc = fonts::OpenDownloadFace(*request, height, width, raster)) return Fail(rc);
  int first = 0, last = 0;
  fonts::CharacterRange(request->characters, first, last);
  const int total = last - first + 2;
  int done = 0;
  auto step = [&] {
    if (request->progress) request->progress(++done, total);
  };
  CisdfFont font;
  if (DWORD rc = RasteriseCisdfFont(raster, *request, height, width, font, step)) return Fail(rc);
  bool allFitted = false;
  const std::vector<BYTE> bytes = BuildCisdfFile(font, allFitted);
  const std::string name = CisdfFontName(request->number);
  DevicePort* port = portBlock != nullptr ? static_cast<DevicePort*>(portBlock) : &Port();
  if (!SendDownloadFont(name, bytes, port)) return FALSE;  // the printer has no whole font
  step();
  // A glyph too large for the file was left out: the download did not complete.
  if (!allFitted) return Fail(ERROR_INVALID_DATA);

  const TextFontEntry entry = fonts::DownloadedFontEntry(*request, name, kDownloadedFont);
  *id = fonts::EnterDownloadedFont(entry, installed);
  return TRUE;
}

BOOL CDCLCpcl::DeleteDownloadFont(const char* fontName, void* portBlock) {
  if (fontName == nullptr) return TRUE;
  DevicePort* port = portBlock != nullptr ? static_cast<DevicePort*>(portBlock) : &Port();
  char line[kLineBuffer];
  // The printer's file commands end with LF alone.
  const int n = std::snprintf(line, sizeof line, "! U1 DELETE %s.CPF\n", fontName);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) return Fail(ERROR_INVALID_PARAMETER);
  return WriteToPort(port, reinterpret_cast<const BYTE*>(line), static_cast<DWORD>(n), 0);
}

BOOL CDCLCpcl::SendDownloadFont(const std::string& name, const std::vector<BYTE>& file,
                                DevicePort* port) {
  if (port == nullptr) port = &Port();
  const DWORD size = static_cast<DWORD>(file.size());
  const WORD check = CisdfCheckValue(file);
  char lines[4][kLineBuffer];
  std::snprintf(lines[0], sizeof lines[0], "! CISDF\r\n");
  std::snprintf(lines[1], sizeof lines[1], "%.100s.CPF\r\n", name.c_str());
  std::snprintf(lines[2], sizeof lines[2], "%2.2X%2.2X%2.2X%2.2X\r\n", (size >> 24) & 0xFF,
                (size >> 16) & 0xFF, (size >> 8) & 0xFF, size & 0xFF);
  std::snprintf(lines[3], sizeof lines[3], "%2.2X%2.2X\r\n", (check >> 8) & 0xFF, check & 0xFF);
  for (const char* line : lines)
    if (!WriteToPort(port, reinterpret_cast<const BYTE*>(line),
                     static_cast<DWORD>(std::strlen(line)), 0))
      return FALSE;
  return WriteToPort(port, file.data(), size, 0);
}

CDCLBase* CreateDclObject() { return new (std::nothrow) CDCLCpcl(); }

}  // namespace trv::dcl
