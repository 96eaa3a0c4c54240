#include "dcl/object/tests/test_layer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "dcl/model/text_heap.h"
#include "dcl/object/host_interface.h"
#include "platform/kernel.h"

namespace trv::dcl::testing {
namespace {

TestControl control;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

}  // namespace

CDCLTestLayer::CDCLTestLayer() {
  ++control.live;
  auto text = [&](const char* t) {
    DWORD h = TextHeapAdd(t);
    ownedTexts_.push_back(h);
    return h;
  };
  // Model 1 is named by string 10001 of the module's string table.
  models_.push_back(ModelEntry{0, 1, 0, 10001, 10001, 0, 203, 203, {0, 0}});
  MonitorEntry monitor{};
  monitor.key = ANY_KEY;
  monitor.id = 1;
  monitor.portName = text("Local Port");
  monitor.library = text("LOCALSPL.DLL");
  monitor.flags = 0xB110;
  (void)monitor;
  auto option = [&](WORD id, WORD flags, DWORD name) {
    OptionEntryEx e{};
    e.base.key = ANY_KEY;
    e.base.optionId = id;
    e.base.flags = flags;
    e.base.name = name;
    e.parentId = 0xFFFC;
    options_.push_back(e);
  };
  option(0x1004, 0x1001, text("Orientation"));
  option(0x2001, 0x1001, text("Dispense mode"));
  option(0x3008, 0x1002, text("Print speed"));
  trays_.push_back(TrayEntry{ANY_KEY, 1, 0, text("Tray 1"), 0, 0, 0});
  trays_.push_back(TrayEntry{ANY_KEY, 2, 0, text("Tray 2"), 0, DCLDEFAULT, 0});
  PaperEntry paper{};
  paper.key = 2;
  paper.id = 3;
  paper.name = text("4 x 6");
  paper.width = 10160;
  paper.height = 15240;
  paper.flags = DCLDEFAULT | 1;
  papers_.push_back(paper);
  paper.id = 0xFFFF;  // a paper that stands for its tray
  paper.name = 10002;
  paper.flags = 3;
  papers_.push_back(paper);
  ribbons_.push_back(RibbonEntry{ANY_KEY, 1, 0, text("BLACK"), 0, DCLDEFAULT, 0});
  subRibbons_.push_back(SubRibbonEntry{1, 1, 0, text("K"), 0});
  subRibbons_.push_back(SubRibbonEntry{1, 2, 0, text("W"), 0});
  subRibbons_.push_back(SubRibbonEntry{5, 1, 0, text("K"), 0});
  subRibbons_.push_back(SubRibbonEntry{6, 2, 0, text("W"), 0});
  ribbonOptions_.push_back(RibbonOptionEntry{1, 5, 0, text("K only"), 0, 0x0100 | DCLDEFAULT, 0});
  ribbonOptions_.push_back(RibbonOptionEntry{1, 6, 0, text("W only"), 0, 0x0200, 0});
  TextFontEntry font{};
  font.key = ANY_KEY;
  font.id = 7;
  font.name = text("Font 7");
  std::strcpy(font.info.faceName, "Resident 7");
  textFonts_.push_back(font);
  BarcodeFontEntry barcode{};
  barcode.key = ANY_KEY;
  barcode.id = 8;
  barcode.name = text("Code 128");
  barcodes_.push_back(barcode);
}

CDCLTestLayer::~CDCLTestLayer() {
  --control.live;
  for (DWORD h : ownedTexts_) TextHeapFree(h);
}

BOOL CDCLTestLayer::Initialize() {
  if (control.failInitialize) {
    SetLastError(ERROR_BAD_CONFIGURATION);
    return FALSE;
  }
  return CDCLBase::Initialize();
}

template <typename T>
const T* CDCLTestLayer::Matching(const std::vector<T>& list, DWORD key, DWORD n) const {
  for (const T& e : list) {
    DWORD k = reinterpret_cast<const DWORD&>(e);
    if (k == (key & 0xFFFF) || k == ANY_KEY) {
      if (n == 0) return &e;
      --n;
    }
  }
  return nullptr;
}

template <typename T>
DWORD CDCLTestLayer::CountMatching(const std::vector<T>& list, DWORD key) const {
  DWORD count = 0;
  while (Matching(list, key, count) != nullptr) ++count;
  return count;
}

DWORD CDCLTestLayer::GetOptionValueSize(WORD optionId) { return optionId == 0x2001 ? 32 : 12; }

const BYTE* CDCLTestLayer::GetOptionDefault(WORD optionId) {
  std::memset(defaultValue_, 0, sizeof defaultValue_);
  DWORD size = GetOptionValueSize(optionId);
  std::memcpy(defaultValue_, &size, 4);
  std::memcpy(defaultValue_ + 4, &optionId, 2);
  DWORD setting = optionId == 0x3008 ? 4 : 1;
  std::memcpy(defaultValue_ + 8, &setting, 4);
  return optionId == 0x2001 ? nullptr : defaultValue_;  // 0x2001 has no default
}

DWORD CDCLTestLayer::GetModelCount() { return static_cast<DWORD>(models_.size()); }
const ModelEntry* CDCLTestLayer::GetModel(DWORD i) {
  return i < models_.size() ? &models_[i] : nullptr;
}
DWORD CDCLTestLayer::GetMonitorCount(DWORD) { return 0; }
const MonitorEntry* CDCLTestLayer::GetMonitor(DWORD, DWORD) { return nullptr; }
DWORD CDCLTestLayer::GetOptionCount(DWORD key) { return CountMatching(options_, key); }
const OptionEntry* CDCLTestLayer::GetOption(DWORD key, DWORD n) {
  const OptionEntryEx* e = Matching(options_, key, n);
  return e != nullptr ? &e->base : nullptr;
}
const OptionEntryEx* CDCLTestLayer::GetOptionEx(DWORD key, DWORD n) {
  return Matching(options_, key, n);
}
DWORD CDCLTestLayer::GetTrayCount(DWORD key) { return CountMatching(trays_, key); }
const TrayEntry* CDCLTestLayer::GetTray(DWORD key, DWORD n) { return Matching(trays_, key, n); }
DWORD CDCLTestLayer::GetPaperCount(DWORD key) { return CountMatching(papers_, key); }
const PaperEntry* CDCLTestLayer::GetPaper(DWORD key, DWORD n) { return Matching(papers_, key, n); }
DWORD CDCLTestLayer::GetRibbonCount(DWORD key) { return CountMatching(ribbons_, key); }
const RibbonEntry* CDCLTestLayer::GetRibbon(DWORD key, DWORD n) {
  return Matching(ribbons_, key, n);
}
DWORD CDCLTestLayer::GetSubRibbonCount(DWORD key) {
  DWORD count = 0;
  for (const auto& e : subRibbons_) count += e.key == key;
  return count;
}
const SubRibbonEntry* CDCLTestLayer::GetSubRibbon(DWORD key, DWORD n) {
  for (const auto& e : subRibbons_)
    if (e.key == key && n-- == 0) return &e;
  return nullptr;
}
DWORD CDCLTestLayer::GetRibbonOptionCount(DWORD key, DWORD mask) {
  DWORD count = 0;
  for (const auto& e : ribbonOptions_) count += e.key == key && (e.flags & mask);
  return count;
}
const RibbonOptionEntry* CDCLTestLayer::GetRibbonOption(DWORD key, DWORD mask, DWORD n) {
  for (const auto& e : ribbonOptions_)
    if (e.key == key && (e.flags & mask) && n-- == 0) return &e;
  return nullptr;
}
DWORD CDCLTestLayer::GetTextFontCount(DWORD key) { return CountMatching(textFonts_, key); }
const TextFontEntry* CDCLTestLayer::GetTextFont(DWORD key, DWORD n) {
  return Matching(textFonts_, key, n);
}
DWORD CDCLTestLayer::GetBarcodeFontCount(DWORD key) { return CountMatching(barcodes_, key); }
const BarcodeFontEntry* CDCLTestLayer::GetBarcodeFont(DWORD key, DWORD n) {
  return Matching(barcodes_, key, n);
}

LONG_PTR CDCLTestLayer::OptionCommand(BYTE* value, WORD optionId, WORD command, LONG_PTR c,
                                      LONG_PTR) {
  control.calls.push_back(
      Format("OptionCommand(0x%04X,%u,%ld)", optionId, command, static_cast<long>(c)));
  DWORD setting;
  std::memcpy(&setting, value + 8, 4);
  return command == 17 ? static_cast<LONG_PTR>(setting) : 0;
}

BOOL CDCLTestLayer::NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode) {
  control.calls.push_back(Format("Notify(0x%04X,%lu)", optionId, static_cast<unsigned long>(mode)));
  return CDCLBase::NotifyOptionChanged(optionId, value, mode);
}

BOOL CDCLTestLayer::Log(const std::string& line) {
  control.calls.push_back(line);
  std::string command = line + "\n";
  return WriteCommand(command.data(), static_cast<DWORD>(command.size()));
}

BOOL CDCLTestLayer::StartDoc(DWORD w, DWORD h, DWORD o) {
  if (control.cancelAtStartDoc > 0) {
    --control.cancelAtStartDoc;
    control.calls.push_back("StartDoc cancelled");
    SetLastError(ERROR_SUCCESS);
    return FALSE;
  }
  return Log(Format("StartDoc(%lu,%lu,%lu)", static_cast<unsigned long>(w),
                    static_cast<unsigned long>(h), static_cast<unsigned long>(o)));
}
BOOL CDCLTestLayer::EndDoc() { return Log("EndDoc"); }
BOOL CDCLTestLayer::AbortDoc() { return Log("AbortDoc"); }
BOOL CDCLTestLayer::StartPage(WORD a, WORD b, WORD c) {
  return Log(Format("StartPage(%u,%u,%u)", a, b, c));
}
BOOL CDCLTestLayer::EndPage(WORD c) { return Log(Format("EndPage(%u)", c)); }
BOOL CDCLTestLayer::NextPage() { return Log("NextPage"); }
BOOL CDCLTestLayer::BeginSection(WORD a, WORD b) {
  return Log(Format("BeginSection(%u,%u)", a, b));
}
BOOL CDCLTestLayer::SectionByte(BYTE v) { return Log(Format("SectionByte(%u)", v)); }
BOOL CDCLTestLayer::SectionCommand() { return Log("SectionCommand"); }
BOOL CDCLTestLayer::EndSection() { return Log("EndSection"); }
BOOL CDCLTestLayer::BeginBitmap(WORD w, WORD h, WORD s) {
  return Log(Format("BeginBitmap(%u,%u,%u)", w, h, s));
}
BOOL CDCLTestLayer::PlaceBitmap(WORD a, WORD b, WORD c, WORD d, WORD e) {
  return Log(Format("PlaceBitmap(%u,%u,%u,%u,%u)", a, b, c, d, e));
}
BOOL CDCLTestLayer::BitmapData(std::span<BYTE> record) {
  if (control.failBitmapData > 0) {
    --control.failBitmapData;
    control.calls.push_back("BitmapData failed");
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return Log(Format("BitmapData(%zu)", record.size()));
}
BOOL CDCLTestLayer::EndBitmap() { return Log("EndBitmap"); }
BOOL CDCLTestLayer::ResetBitmap() { return Log("ResetBitmap"); }
BOOL CDCLTestLayer::BeginTransfer(WORD id, WORD v) {
  return Log(Format("BeginTransfer(%u,%u)", id, v));
}
BOOL CDCLTestLayer::TransferData(WORD id, WORD v, BYTE*, DWORD n) {
  return Log(Format("TransferData(%u,%u,%lu)", id, v, static_cast<unsigned long>(n)));
}
BOOL CDCLTestLayer::EndTransfer(WORD id) { return Log(Format("EndTransfer(%u)", id)); }
BOOL CDCLTestLayer::AbortTransfer(WORD id) { return Log(Format("AbortTransfer(%u)", id)); }
BOOL CDCLTestLayer::PrintText(WORD id, LONG x, LONG y, LONG dir, LONG, LONG, LONG, LONG,
                              const BYTE* text, DWORD n, BYTE*) {
  return Log(Format("PrintText(%u,%d,%d,%d,%.*s)", id, x, y, dir, static_cast<int>(n),
                    reinterpret_cast<const char*>(text)));
}
BOOL CDCLTestLayer::PassThrough(WORD, const BYTE* bytes, DWORD n) {
  control.calls.push_back(
      Format("PassThrough(%.*s)", static_cast<int>(n), reinterpret_cast<const char*>(bytes)));
  return WriteCommand(bytes, n);
}

}  // namespace trv::dcl::testing

namespace trv::dcl {
CDCLBase* CreateDclObject() { return new (std::nothrow) testing::CDCLTestLayer(); }
}  // namespace trv::dcl

extern "C" TRV_EXPORT trv::dcl::testing::TestControl* TestLayerControl() {
  return &trv::dcl::testing::control;
}
