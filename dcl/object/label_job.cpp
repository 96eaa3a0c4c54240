// The label layer's part of a print job, shared by both printer languages: job
// start and end with the user commands and the installed lists, the wait for a
// ready printer, the orientation transform, text and bar codes in printer fonts
// (placed by the language's name tables, bar codes expanded from their command
// templates) and pass-through commands.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "dcl/model/text_heap.h"
#include "dcl/object/barcode_template.h"
#include "dcl/object/dcl_label_printer.h"
#include "dcl/object/option_blobs.h"
#include "dcl/object/option_table.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::dcl {

namespace {

// Bar-code parameter flags.
constexpr WORD kParameterBarHeight = 0x100;
constexpr WORD kParameterHumanReadable = 0x200;
constexpr WORD kParameterRotation = 0x800;
// Font flags.
constexpr DWORD kFontMultiplierX = 0x100;
constexpr DWORD kFontMultiplierY = 0x200;
constexpr DWORD kFontRotation = 0xF000;

constexpr DWORD kStatusPollMs = 100;
constexpr DWORD kNotReadyCode = 0xFFFF;
constexpr UINT kNotReadyMessage = 2000;
const char kPrinterNotReadyText[] = "Printer not Ready";

LONG FieldAt(const BYTE* payload, size_t at) {
  LONG v = 0;
  if (payload != nullptr) std::memcpy(&v, payload + at, sizeof v);
  return v;
}

// The printer direction of text the application turned itself, from the text's
// direction code (the way its glyphs advance on the page): top to bottom is a quarter
// turn clockwise, right to left a half turn, bottom to top a quarter turn
// anticlockwise. Upright text, and text whose direction is unknown, give 0.
DWORD TextDirectionOfRecord(LONG code) {
  switch (code) {
    case 8: return kDirection270;
    case 4: return kDirection180;
    case 2: return kDirection90;
    default: return kDirection0;
  }
}

}  // namespace

// ---- job framing -------------------------------------------------------------------------

BOOL CDCLLabelPrinter::StartDoc(DWORD width, DWORD height, DWORD orientation) {
  return BeginLabelJob(width, height, orientation);
}
BOOL CDCLLabelPrinter::EndDoc() { return EndLabelJob(); }
BOOL CDCLLabelPrinter::AbortDoc() {
  ReleaseJobLists();
  return TRUE;
}

BOOL CDCLLabelPrinter::BeginLabelJob(DWORD width, DWORD height, DWORD orientation) {
  jobWidth_ = width;
  jobHeight_ = height;
  frame_.orientation = orientation;
  frame_.pageHeight = static_cast<LONG>(height);
  statusQueries_ = JobOption(kOptionStatusQueries).Setting() != 0 && PortAllowsStatusQueries();
  if (!SendUserCommand(kOptionCommandAtJobStart)) return FALSE;
  StoredLists lists;
  if (!LoadJobLists(lists)) return FALSE;
  jobLists_ = std::move(lists);
  return TRUE;
}

BOOL CDCLLabelPrinter::EndLabelJob() {
  BOOL ok = SendUserCommand(kOptionCommandAtJobEnd);
  DWORD error = GetLastError();
  ReleaseJobLists();
  SetLastError(error);
  return ok;
}

void CDCLLabelPrinter::ReleaseJobLists() { jobLists_ = StoredLists{}; }

BOOL CDCLLabelPrinter::LoadJobLists(StoredLists& lists) {
  if (!EnsureLoaded()) return FALSE;
  LONG rc = ReadStoredLists(registry_.fonts(), registry_.barcodes(), lists);
  return rc == ERROR_SUCCESS ? TRUE : Fail(static_cast<DWORD>(rc));
}

BOOL CDCLLabelPrinter::SendUserCommand(WORD optionId) {
  OptionValueView value = JobOption(optionId);
  if (value.Field<LONG>(kUserCommandOffsetTextSet) == 0) return TRUE;
  std::string_view text = value.Text(kUserCommandOffsetText);
  if (text.empty()) return TRUE;
  return WriteCommand(text.data(), static_cast<DWORD>(text.size()));
}

OptionValueView CDCLLabelPrinter::JobOption(WORD optionId) {
  for (const OptionEntryEx& e : OptionTable()) {
    if (e.base.optionId != optionId) continue;
    if (e.base.flags & OPTION_SCOPE_DOCUMENT)
      return OptionValueView(FindOptionValue(
          AttachedDocProps(), AttachedBlobSize(AttachedDocProps()), false, optionId));
    if (e.base.flags & OPTION_SCOPE_DEVICE)
      return OptionValueView(FindOptionValue(AttachedDevProps(),
                                             AttachedBlobSize(AttachedDevProps()), true, optionId));
    break;
  }
  return OptionValueView(nullptr);
}

bool CDCLLabelPrinter::FindJobPaper(PaperEntry& paper) {
  const BYTE* doc = AttachedDocProps();
  if (doc == nullptr) return false;
  WORD tray, id;
  std::memcpy(&tray, doc + 14, sizeof tray);
  std::memcpy(&id, doc + 16, sizeof id);
  const DWORD count = GetPaperCount(tray);
  for (DWORD n = 0; n < count; ++n) {
    const PaperEntry* p = GetPaper(tray, n);
    if (p == nullptr) return false;
    if (p->id == id && (p->key == tray || p->key == ANY_KEY)) {
      paper = *p;
      return true;
    }
  }
  return false;
}

bool CDCLLabelPrinter::FindJobModel(ModelEntry& model) {
  const BYTE* doc = AttachedDocProps();
  if (doc == nullptr) return false;
  WORD key;
  std::memcpy(&key, doc + 12, sizeof key);
  const DWORD count = GetModelCount();
  for (DWORD n = 0; n < count; ++n) {
    const ModelEntry* m = GetModel(n);
    if (m != nullptr && m->id == key) {
      model = *m;
      return true;
    }
  }
  return false;
}

bool CDCLLabelPrinter::PortAllowsStatusQueries() {
  const DevicePort& port = Port();
  if (port.kind == PORT_KIND_FILE) return false;
  if (port.kind == PORT_KIND_LPT) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
        info.dwMajorVersion <= 4)
      return false;
  }
  return true;
}

BOOL CDCLLabelPrinter::WaitForReadiness() {
  DevicePort* port = &Port();
  DeviceStatus status{};
  status.size = kDeviceStatusWireSize;
  const DWORD start = GetTickCount();
  if (!QueryDeviceStatus(port, &status)) return TRUE;  // no status: go on
  while (status.state == STATUS_BUSY) {
    if (GetTickCount() - start > port->timeout) {
      status.state = STATUS_ERROR;
      status.kind = STATUS_QUESTION;
      status.zero1 = kNotReadyCode;
      status.message = STATUS_TEXT_IN_POINTER;
      status.text = kPrinterNotReadyText;
      break;
    }
    Sleep(kStatusPollMs);
    if (!QueryDeviceStatus(port, &status)) return TRUE;
  }
  if (status.state != STATUS_ERROR) return TRUE;
  if (HandleDeviceStatus(port, &status) == STATUS_ANSWER_CANCEL) return Fail(ERROR_SUCCESS);
  return TRUE;
}

// ---- page items --------------------------------------------------------------------------

void CDCLLabelPrinter::TransformItem(DWORD, BYTE* payload, spool::ItemKind kind) {
  if (payload != nullptr) TransformItemPayload(payload, kind, frame_);
}

BOOL CDCLLabelPrinter::PrintText(WORD fontId, LONG x, LONG y, LONG recordDirection, LONG charWidth,
                                 LONG charHeight, LONG, LONG placement, const BYTE* text,
                                 DWORD textLength, BYTE* payload) {
  const TextFontEntry* font = nullptr;
  for (const TextFontEntry& f : jobLists_.fonts)
    if (f.id == fontId) {
      font = &f;
      break;
    }
  if (font == nullptr || *TextHeapText(font->commandMacro) == '\0')
    return Fail(ERROR_INVALID_PARAMETER);

  const DWORD flags = font->info.flags;
  LONG multX = 1, multY = 1;
  if ((flags & kFontMultiplierX) && font->info.defaultMultiplierX > 0)
    multX = static_cast<LONG>(font->info.defaultMultiplierX);
  if ((flags & kFontMultiplierY) && font->info.defaultMultiplierY > 0)
    multY = static_cast<LONG>(font->info.defaultMultiplierY);

  const DWORD bits = static_cast<DWORD>(placement);
  DWORD direction = flags & kFontRotation;
  const DWORD turnedByApplication = direction == 0 ? TextDirectionOfRecord(recordDirection) : 0;
  if (turnedByApplication != 0) {
    // The application turned the text itself: the box it drew is already the turned
    // text's box, and the printer turns text about the text's own top-left corner.
    // That corner is found on the page the application drew and carried onto the label
    // as a point, so the printer puts the text where the application saw it.
    direction = turnedByApplication;
    if (!TextCornerOnLabel(payload, direction, &x, &y)) return Fail(ERROR_INVALID_PARAMETER);
  }
  if (bits & (kPlacementTurned | kPlacementTurnedHigh)) NextRotation(&direction);
  if (turnedByApplication == 0) {
    const NameTableEntry* entry = FindNameEntry(
        GetNameTable(spool::ItemKind::kText), GetNameTableCount(spool::ItemKind::kText), direction);
    if (entry != nullptr)
      ApplyPlacementMask(x, y, FieldAt(payload, 12), FieldAt(payload, 16),
                         entry->masks[PlacementCase(bits)]);
  }
  if (x < 0 || y < 0) return TRUE;  // off the label: skipped
  return WriteTextCommand(x, y, charWidth, charHeight, multX, multY, static_cast<LONG>(direction),
                          bits, font, text, textLength, payload);
}

BOOL CDCLLabelPrinter::TextCornerOnLabel(const BYTE* payload, DWORD direction, LONG* x, LONG* y) {
  if (payload == nullptr) return FALSE;
  // The text's box on the page as the application drew it (top, bottom, left, right),
  // which the orientation transform leaves alone.
  const LONG top = FieldAt(payload, 40), bottom = FieldAt(payload, 44);
  const LONG left = FieldAt(payload, 48), right = FieldAt(payload, 52);
  LONG cornerX = left, cornerY = top;
  if (direction == kDirection270 || direction == kDirection180) cornerX = right;
  if (direction == kDirection180 || direction == kDirection90) cornerY = bottom;
  // An empty box at the corner, turned like any item of the page, lands on the corner's
  // place on the label.
  BYTE point[spool::DCLD_OBJECT_SIZE] = {};
  std::memcpy(point + 4, &cornerX, 4);
  std::memcpy(point + 8, &cornerY, 4);
  TransformItem(spool::DCLD_FONT_TEXT, point, spool::ItemKind::kText);
  *x = FieldAt(point, 4);
  *y = FieldAt(point, 8);
  return TRUE;
}

BOOL CDCLLabelPrinter::PrintBarcode(WORD barcodeId, LONG x, LONG y, LONG recordDirection, LONG,
                                    LONG charHeight, LONG, LONG placement, const BYTE* text,
                                    DWORD textLength, BYTE* payload) {
  const BarcodeFontEntry* barcode = nullptr;
  for (const BarcodeFontEntry& b : jobLists_.barcodes)
    if (b.id == barcodeId) {
      barcode = &b;
      break;
    }
  const char* macro = barcode != nullptr ? TextHeapText(barcode->commandMacro) : "";
  if (*macro == '\0') return Fail(ERROR_INVALID_PARAMETER);

  // The bar code's parameters, first match by flag; texts this command derives are
  // kept here and never written into the stored parameters.
  std::vector<const BarcodeOptionEntry*> parameters;
  for (const BarcodeOptionEntry& p : jobLists_.properties)
    if (p.key == barcodeId || p.key == ANY_KEY) parameters.push_back(&p);
  auto firstFlagged = [&](WORD flag) -> const BarcodeOptionEntry* {
    for (const BarcodeOptionEntry* p : parameters)
      if (p->flags & flag) return p;
    return nullptr;
  };
  std::map<DWORD, std::string> derived;

  const NameTableEntry* table = GetNameTable(spool::ItemKind::kBarcode);
  const DWORD tableCount = GetNameTableCount(spool::ItemKind::kBarcode);
  const BarcodeOptionEntry* rotation = firstFlagged(kParameterRotation);
  DWORD direction = 0;
  const bool lettersFromRecord = Config().family == 4 && Config().internalFont == 0;
  if (lettersFromRecord) {
    switch (recordDirection) {
      case 2: direction = kDirection270; break;
      case 4: direction = kDirection180; break;
      case 8: direction = kDirection90; break;
      default: direction = kDirection0; break;
    }
  } else if (rotation != nullptr) {
    if (const NameTableEntry* e = FindNameEntry(table, tableCount, TextHeapText(rotation->value)))
      direction = e->direction;
  }
  // A bar code the application turned itself while its stored rotation is upright: the
  // way its characters run on the page turns it, through its rotation parameter.
  bool turnedByApplication = false;
  if (!lettersFromRecord && rotation != nullptr && direction == kDirection0) {
    direction = TextDirectionOfRecord(recordDirection);
    turnedByApplication = direction != kDirection0;
  }
  const DWORD bits = static_cast<DWORD>(placement);
  const bool pageTurned = (bits & (kPlacementTurned | kPlacementTurnedHigh)) != 0;
  if (pageTurned) NextRotation(&direction);
  const NameTableEntry* entry = FindNameEntry(table, tableCount, direction);
  if (turnedByApplication && entry != nullptr) {
    // A language with one command for two directions (a vertical bar code either way
    // up) prints both alike; its first entry says where that command is placed.
    entry = FindNameEntry(table, tableCount, entry->name);
    direction = entry->direction;
  }
  if (rotation != nullptr && !lettersFromRecord && (pageTurned || turnedByApplication) &&
      entry != nullptr)
    derived[rotation->optionId] = entry->name;
  if (rotation != nullptr && lettersFromRecord) {
    const char* letter = direction == kDirection270   ? "R"
                         : direction == kDirection180 ? "I"
                         : direction == kDirection90  ? "B"
                                                      : "N";
    derived[rotation->optionId] = letter;
  }

  // On an upright page the box of a bar code the application turned is already the
  // turned box: it is placed as a turned box is, whatever its shape.
  constexpr int kTurnedBoxCase = 2;
  if (entry != nullptr)
    ApplyPlacementMask(
        x, y, FieldAt(payload, 12), FieldAt(payload, 16),
        entry->masks[turnedByApplication && !pageTurned ? kTurnedBoxCase : PlacementCase(bits)]);

  if (charHeight != 0) {
    LONG allowance = 0;
    if (const BarcodeOptionEntry* readable = firstFlagged(kParameterHumanReadable)) {
      allowance = ClassifyDirectCommand(TextHeapText(readable->value));
      AdjustExtent(&x, allowance, bits, static_cast<LONG>(direction));
    }
    if (const BarcodeOptionEntry* height = firstFlagged(kParameterBarHeight)) {
      // Never a negative or empty bar: at least one dot.
      const long long bar = std::max(static_cast<long long>(charHeight) - allowance, 1LL);
      char number[16];
      std::snprintf(number, sizeof number, "%lld", bar);
      derived[height->optionId] = number;
    }
  }

  BarcodeTemplateInput input;
  input.parameter = [&](DWORD id) -> const char* {
    if (auto it = derived.find(id); it != derived.end()) return it->second.c_str();
    for (const BarcodeOptionEntry* p : parameters)
      if (p->optionId == id) return TextHeapText(p->value);
    return nullptr;
  };
  input.data = text;
  input.dataLength = textLength;
  input.x = x;
  input.y = y;
  std::string command;
  try {
    if (!ExpandBarcodeTemplate(macro, input, command)) return FALSE;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  if (x < 0 || y < 0) return TRUE;  // off the label: skipped
  return WriteCommand(command.data(), static_cast<DWORD>(command.size()));
}

BOOL CDCLLabelPrinter::PassThrough(WORD, const BYTE* bytes, DWORD length) {
  if (length == 0) return TRUE;
  return WriteCommand(bytes, length);
}

BOOL CDCLLabelPrinter::DescribeStatusText(DeviceStatus* status, UINT introMessage, char* buffer,
                                          size_t size) {
  if (status == nullptr || status->message != STATUS_TEXT_IN_POINTER || size == 0) return TRUE;
  std::string detail(size, '\0');
  if (status->zero1 == kNotReadyCode)
    LoadString(nullptr, kNotReadyMessage, detail.data(), static_cast<int>(size));
  else if (status->text != nullptr)
    std::snprintf(detail.data(), size, "%s", status->text);
  std::string lead(size, '\0');
  LoadString(nullptr, introMessage, lead.data(), static_cast<int>(size));
  std::snprintf(buffer, size, "%s%s", lead.c_str(), detail.c_str());
  status->text = buffer;
  return TRUE;
}

}  // namespace trv::dcl
