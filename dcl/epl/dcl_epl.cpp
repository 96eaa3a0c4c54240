#include "dcl/epl/dcl_epl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>

#include "dcl/epl/epl_soft_font.h"
#include "dcl/fonts/font_download.h"
#include "dcl/model/text_heap.h"
#include "dcl/object/coordinates.h"
#include "dcl/object/host_interface.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::dcl {
namespace {

constexpr UINT kStatusIntroMessage = 10519;
// A printer whose configuration names no resolution prints at 203 dots per inch.
constexpr LONG kDefaultDpi = 203;

// The name table of EPL: one for text and bar codes; the printer turns an item about
// its own top-left corner.
constexpr NameTableEntry kNameTable[] = {
    {"0", kDirection0, {0, 0x02, 0, 0}},
    {"1", kDirection270, {0, 0x02, 0x02, 0}},
    {"2", kDirection180, {0, 0x02, 0x12, 0x12}},
    {"3", kDirection90, {0, 0x02, 0x10, 0}},
};

}  // namespace

const char* CDCLEpl::GetHelpFileName() { return "TRVEPL.HLP"; }
BOOL CDCLEpl::LoadConfiguration(ModelTables* tables) {
  return LoadForLanguage(tables, kEplProfile);
}
const char* CDCLEpl::GetDefFileName() { return "TRVEPL.DEF"; }

// ---- options and output -----------------------------------------------------------------

epl::JobOptions CDCLEpl::ReadJobOptions() {
  auto v = [this](WORD id) { return JobOption(id); };
  epl::JobOptions o;
  o.orientation = v(kOptionRotate180);
  o.copies = v(kOptionCopies);
  o.topOfFormBack = v(kOptionTopOfFormBackup);
  o.dispense = v(kOptionDispenseMode);
  o.mediaType = v(kOptionMediaType);
  o.mediaSensing = v(kOptionMediaTracking);
  o.optionS = v(kOptionSwitchS);
  o.printSpeed = v(kOptionPrintSpeed);
  o.darkness = v(kOptionDarkness);
  o.regionGraphics = v(kOptionGraphicsRegions);
  o.optionL = v(kOptionSwitchL);
  return o;
}

BOOL CDCLEpl::Send(const std::string& line) {
  if (line.empty()) return TRUE;
  return WriteCommand(line.data(), static_cast<DWORD>(line.size()));
}

// ---- job and page -----------------------------------------------------------------------

BOOL CDCLEpl::StartDoc(DWORD width, DWORD height, DWORD orientation) {
  if (docOpen_) return TRUE;
  offsetX_ = offsetY_ = 0;
  PaperEntry paper{};
  ModelEntry model{};
  if (!FindJobModel(model) || !FindJobPaper(paper)) return Fail(ERROR_EA_ACCESS_DENIED);
  if (orientation == kOrientationPortrait) {
    offsetX_ = paper.left;
    offsetY_ = paper.top;
  } else {
    offsetX_ = paper.top;
    offsetY_ = paper.left;
  }
  haveBitmapHeader_ = false;
  binaryData_ = false;
  const epl::JobOptions options = ReadJobOptions();
  // The readiness check of a job start passes at once (flag 256).
  if (!EndDeviceWrite(&Port(), nullptr, 256)) return FALSE;
  if (!BeginLabelJob(width, height, orientation)) return FALSE;
  ItemFrame frame = Frame();
  frame.offsetX = offsetX_;
  frame.offsetY = offsetY_;
  SetFrame(frame);
  for (const std::string& line : epl::SetupLines(Config(), options, static_cast<LONG>(width),
                                                 static_cast<LONG>(height), offsetX_))
    if (!Send(line)) return FALSE;
  graphicsRegions_ = epl::RegionGraphics(Config(), options);
  // Only a job whose set-up reached the printer counts as open.
  docOpen_ = true;
  return TRUE;
}

BOOL CDCLEpl::EndDoc() {
  docOpen_ = false;
  return EndLabelJob();
}

BOOL CDCLEpl::AbortDoc() {
  // The printer forgets what it got of the page; the job's lists go and the job is
  // closed here as well.
  DevicePort& port = Port();
  if (port.IsOpen() && port.writePort != nullptr) {
    DWORD written = 0;
    BYTE reset[3];
    std::memcpy(reset, epl::kResetCommand, sizeof reset);
    port.writePort(port.handle, reset, sizeof reset, &written);
  }
  docOpen_ = false;
  binaryData_ = false;
  haveBitmapHeader_ = false;
  return CDCLLabelPrinter::AbortDoc();
}

BOOL CDCLEpl::StartPage(WORD, WORD, WORD) {
  if (!WaitForReadiness() || !SendUserCommand(kOptionCommandAtPageStart)) return FALSE;
  return Send(epl::PageStartLine());
}

BOOL CDCLEpl::EndPage(WORD copies) {
  if (!Send(epl::PrintLine(Config(), ReadJobOptions(), copies))) return FALSE;
  return SendUserCommand(kOptionCommandAtPageEnd);
}

// ---- graphics ---------------------------------------------------------------------------

BOOL CDCLEpl::BeginBitmap(WORD width, WORD height, WORD stride) {
  // A stride that cannot hold the width is refused before any row is read.
  if (stride == 0 || static_cast<DWORD>(stride) * 8 < width) return Fail(ERROR_INVALID_PARAMETER);
  haveBitmapHeader_ = true;
  bitmap_ = epl::PageGeometry{width, height, stride};
  return TRUE;
}

BOOL CDCLEpl::PlaceBitmap(WORD kind, WORD x, WORD y, WORD c, WORD d) {
  std::string line;
  switch (kind & 0xFF) {
    case 2:
      line = epl::GraphicsLine(Saturated(static_cast<long long>(x) + offsetX_),
                               Saturated(static_cast<long long>(y) + offsetY_), c, d);
      break;
    case 4:
      line = epl::ImageLine(Saturated(static_cast<long long>(x) + offsetX_),
                            Saturated(static_cast<long long>(y) + offsetY_), c, d);
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
  // The rows follow the "GW" line; no status request may come between them, not
  // even right after the line itself.
  if ((kind & 0xFF) == 2) binaryData_ = true;
  if (!Send(line)) {
    binaryData_ = false;
    return FALSE;
  }
  return TRUE;
}

BOOL CDCLEpl::EndBitmap() {
  binaryData_ = false;
  return TRUE;
}

BOOL CDCLEpl::BitmapData(std::span<BYTE> record) {
  if (record.size() < spool::DCLD_HEADER_SIZE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::span<const BYTE> payload = record.subspan(spool::DCLD_HEADER_SIZE);
  if (graphicsRegions_ && !haveBitmapHeader_)
    return WriteCommand(payload.data(), static_cast<DWORD>(payload.size()));
  epl::GraphicsOutput output;
  output.place = [this](LONG x, LONG y, DWORD widthBytes, DWORD rows) {
    return PlaceBitmap(0x2002, static_cast<WORD>(x), static_cast<WORD>(y),
                       static_cast<WORD>(widthBytes), static_cast<WORD>(rows));
  };
  output.writeRow = [this](const BYTE* bytes, DWORD count) { return WriteCommand(bytes, count); };
  output.end = [this] { return EndBitmap(); };
  BOOL ok;
  try {
    ok = epl::SendPageGraphics(payload, bitmap_, JobOrientation() != kOrientationPortrait,
                               graphicsRegions_, output, graphicsWork_);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    ok = FALSE;
  }
  binaryData_ = false;
  return ok;
}

// ---- page objects -----------------------------------------------------------------------

void CDCLEpl::TransformItem(DWORD, BYTE* payload, spool::ItemKind) {
  if (payload == nullptr) return;
  LONG x, y, w, h;
  DWORD placement;
  std::memcpy(&x, payload + 4, 4);
  std::memcpy(&y, payload + 8, 4);
  std::memcpy(&w, payload + 12, 4);
  std::memcpy(&h, payload + 16, 4);
  std::memcpy(&placement, payload + 24, 4);
  long long labelX, labelY;
  if (JobOrientation() == kOrientationPortrait) {
    labelX = static_cast<long long>(x) + offsetX_;
    labelY = static_cast<long long>(y) + offsetY_;
    placement = static_cast<DWORD>(w) < static_cast<DWORD>(h) ? (placement | 0x04) : 0;
  } else {
    // Landscape items turn the other way round from CPCL: the page's left edge
    // becomes the label's top.
    labelX = static_cast<long long>(JobWidth()) - h - y + offsetX_;
    labelY = static_cast<long long>(x) + offsetY_;
    placement |= static_cast<DWORD>(w) < static_cast<DWORD>(h) ? 0x08 : 0x02;
    std::swap(w, h);
  }
  x = Saturated(labelX);
  y = Saturated(labelY);
  std::memcpy(payload + 4, &x, 4);
  std::memcpy(payload + 8, &y, 4);
  std::memcpy(payload + 12, &w, 4);
  std::memcpy(payload + 16, &h, 4);
  std::memcpy(payload + 24, &placement, 4);
}

BOOL CDCLEpl::DrawLine(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement,
                       LONG width, BYTE*) {
  return Send(epl::LineCommand(x, y, dx, dy, colour, static_cast<DWORD>(placement), width));
}

BOOL CDCLEpl::DrawBox(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG, LONG width,
                      BYTE*) {
  return Send(epl::BoxCommand(x, y, dx, dy, colour, width));
}

BOOL CDCLEpl::PassThrough(WORD, const BYTE* bytes, DWORD length) {
  std::string line;
  try {
    line.assign(reinterpret_cast<const char*>(bytes), bytes != nullptr ? length : 0);
    line += '\n';
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return WriteCommand(line.data(), static_cast<DWORD>(line.size()));
}

BOOL CDCLEpl::WriteTextCommand(LONG x, LONG y, LONG, LONG, LONG multX, LONG multY, LONG direction,
                               DWORD, const TextFontEntry* font, const BYTE* text, DWORD textLength,
                               BYTE*) {
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string_view body(reinterpret_cast<const char*>(text), text != nullptr ? textLength : 0);
  return Send(epl::TextLine(x, y, direction, TextHeapText(font->commandMacro), font->flags, multX,
                            multY, body));
}

LONG CDCLEpl::ClassifyDirectCommand(const char* text) {
  // "B" is the human-readable switch of EPL bar codes: its text takes 22 dots at the
  // printer's two resolutions.
  if (text == nullptr || std::strcmp(text, "B") != 0) return 0;
  const LONG dpi = Config().resolutionX;
  auto near = [dpi](LONG r) { return dpi >= r - 30 && dpi <= r + 30; };
  return near(200) || near(300) ? 22 : 0;
}

const NameTableEntry* CDCLEpl::GetNameTable(spool::ItemKind) { return kNameTable; }
DWORD CDCLEpl::GetNameTableCount(spool::ItemKind) {
  return static_cast<DWORD>(std::size(kNameTable));
}

// ---- status -----------------------------------------------------------------------------

BOOL CDCLEpl::EndDeviceWrite(DevicePort* port, DeviceStatus* status, DWORD flags) {
  if (flags != 0 || binaryData_) return TRUE;
  DeviceStatus local{};
  if (status == nullptr) status = &local;
  if (!QueryDeviceStatus(port, status)) return TRUE;  // no status to wait for
  return status->state == STATUS_READY;
}

BOOL CDCLEpl::QueryDeviceStatus(DevicePort* port, DeviceStatus* status) {
  if (binaryData_ || status == nullptr || !StatusQueries() || port == nullptr || !port->IsOpen() ||
      port->writePort == nullptr || port->readPort == nullptr)
    return Fail(ERROR_NOT_READY);
  BYTE request[4];
  std::memcpy(request, epl::kStatusRequest, sizeof request);
  DWORD written = 0;
  if (!port->writePort(port->handle, request, sizeof request, &written) ||
      written != sizeof request) {
    SetStatusQueries(false);
    return Fail(ERROR_NOT_READY);
  }
  std::string reply;
  auto readByte = [port](BYTE* b) -> DWORD {
    DWORD read = 0;
    if (!port->readPort(port->handle, b, 1, &read)) return 0;
    return read;
  };
  epl::ReplyRead how = epl::ReadStatusReply(readByte, &reply);
  if (how == epl::ReplyRead::NoReply) {
    // A printer that does not answer is not asked again in this job.
    SetStatusQueries(false);
    return Fail(ERROR_NOT_READY);
  }
  // An over-long reply is as unreadable as a short one.
  epl::StatusReply r =
      how == epl::ReplyRead::Reply ? epl::ClassifyStatusReply(reply) : epl::ClassifyStatusReply("");
  status->size = kDeviceStatusWireSize;
  status->zero1 = 0;
  status->zero2 = 0;
  switch (r.kind) {
    case epl::StatusReply::Ready:
      status->state = STATUS_READY;
      status->message = 0;
      status->text = nullptr;
      return TRUE;
    case epl::StatusReply::Busy:
      status->state = STATUS_BUSY;
      status->zero1 = r.code;
      status->message = 0;
      status->text = nullptr;
      return TRUE;
    case epl::StatusReply::Error: break;
  }
  char text[sizeof statusBuffer_] = "";
  LoadString(nullptr, r.message, text, sizeof text);
  std::string message = r.pair[0] != 0 ? epl::FillPairMessage(text, r.pair) : std::string(text);
  std::snprintf(statusBuffer_, sizeof statusBuffer_, "%s", message.c_str());
  status->state = STATUS_ERROR;
  status->kind = STATUS_QUESTION;
  status->zero1 = r.code;
  status->message = STATUS_TEXT_IN_POINTER;
  status->text = statusBuffer_;
  return TRUE;
}

BOOL CDCLEpl::DescribeDeviceStatus(DevicePort*, DeviceStatus* status) {
  return DescribeStatusText(status, kStatusIntroMessage, statusBuffer_, sizeof statusBuffer_);
}

// ---- soft fonts -------------------------------------------------------------------------

// The dialog's answers come ahead of the call (SetFontDownloadRequest); the dialog
// itself comes with the dialogs. `installedList` is the installed text fonts
// (std::vector<TextFontEntry>), `portBlock` the port the font goes to.
BOOL CDCLEpl::AddDownloadFont(void* installedList, ModelTables*, WORD* id, HWND, void* portBlock) {
  std::optional<fonts::FontDownloadRequest> request = TakeFontDownloadRequest();
  if (!request) return NotYetOffered();
  if (installedList == nullptr || id == nullptr || !epl::IsSoftFontLetter(request->letter) ||
      request->points < 1 || request->orientation > epl::kBothOrientations ||
      request->faceName.empty())
    return Fail(ERROR_INVALID_PARAMETER);
  auto& installed = *static_cast<std::vector<TextFontEntry>*>(installedList);
  const LONG dpi = Config().resolutionY > 0 ? Config().resolutionY : kDefaultDpi;
  fonts::GlyphRasteriser raster;
  if (DWORD rc = fonts::OpenDownloadFace(*request, dpi * request->points / 72, 0, raster))
    return Fail(rc);
  int first = 0, last = 0;
  fonts::CharacterRange(request->characters, first, last);
  const int total = (last - first + 1) * (request->orientation == epl::kBothOrientations ? 2 : 1);
  int done = 0;
  epl::SoftFont font;
  DWORD rc = epl::RasteriseSoftFont(raster, *request, font, [&] {
    if (request->progress) request->progress(++done, total);
  });
  if (rc != ERROR_SUCCESS) return Fail(rc);

  DevicePort* port = portBlock != nullptr ? static_cast<DevicePort*>(portBlock) : &Port();
  auto write = [&](const void* bytes, DWORD count) {
    return WriteToPort(port, static_cast<const BYTE*>(bytes), count, 0);
  };
  // The same face and size downloaded before under another letter is replaced. Its
  // letter is deleted from the printer only once the new font is in, so a failed
  // download leaves the printer and the list as they were.
  auto old = std::find_if(installed.begin(), installed.end(), [&](const TextFontEntry& e) {
    return (e.flags & epl::kDownloadedFontFlag) && e.info.pointSize == request->points &&
           request->faceName == e.info.faceName;
  });
  // No status request may land inside the font's bytes.
  binaryData_ = true;
  BOOL sent = epl::SendSoftFont(font, write);
  const char oldLetter = old != installed.end() ? TextHeapText(old->commandMacro)[0] : 0;
  if (sent && epl::IsSoftFontLetter(oldLetter) && oldLetter != request->letter) {
    const std::string deletion = "\nN\n" + epl::DeleteFontLine(oldLetter);
    sent = write(deletion.data(), static_cast<DWORD>(deletion.size()));
  }
  binaryData_ = false;
  if (!sent) return FALSE;

  TextFontEntry entry = fonts::DownloadedFontEntry(*request, std::string(1, request->letter),
                                                   epl::kDownloadedFontFlag);
  if (old != installed.end()) {
    entry.id = old->id;
    *old = entry;
    *id = entry.id;
  } else {
    *id = fonts::EnterDownloadedFont(entry, installed);
  }
  return TRUE;
}

BOOL CDCLEpl::DeleteDownloadFont(const char* fontName, void* portBlock) {
  if (fontName == nullptr || !epl::IsSoftFontLetter(fontName[0])) return TRUE;
  DevicePort* port = portBlock != nullptr ? static_cast<DevicePort*>(portBlock) : &Port();
  const std::string line = epl::DeleteFontLine(fontName[0]);
  // A deletion that did not reach the printer is reported, not passed off as done.
  return WriteToPort(port, reinterpret_cast<const BYTE*>(line.data()),
                     static_cast<DWORD>(line.size()), 0);
}

CDCLBase* CreateDclObject() { return new (std::nothrow) CDCLEpl(); }

}  // namespace trv::dcl
