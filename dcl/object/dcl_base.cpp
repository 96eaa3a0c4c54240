#include "dcl/object/dcl_base.h"

#include <cstring>
#include <new>

#include "dcl/help.h"
#include "dcl/library_version.h"
#include "dcl/object/option_blobs.h"
#include "dcl/own_module.h"
#include "dcl/units.h"
#include "dcl/version_info.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/dispatcher.h"

namespace trv::dcl {

// Hands each decoded record to the object's own virtual operation, so that every
// layer's override is reached through the one dispatcher.
class CDCLBase::RecordAdapter : public spool::RecordHandler {
 public:
  explicit RecordAdapter(CDCLBase& object) : o_(object) {}

  BOOL AttachDocProps(spool::OptionBlob blob) override {
    return o_.AttachRecordBlob(std::move(blob), false);
  }
  BOOL AttachDevProps(spool::OptionBlob blob) override {
    return o_.AttachRecordBlob(std::move(blob), true);
  }
  BOOL StartDoc(DWORD w, DWORD h, DWORD orientation) override {
    return o_.StartDoc(w, h, orientation);
  }
  BOOL EndDoc() override { return o_.EndDoc(); }
  BOOL AbortDoc() override { return o_.AbortDoc(); }
  BOOL StartPage(WORD a, WORD b, WORD copies) override { return o_.StartPage(a, b, copies); }
  BOOL NextPage() override { return o_.NextPage(); }
  BOOL EndPage(WORD copies) override { return o_.EndPage(copies); }
  BOOL BeginSection(WORD a, WORD b) override { return o_.BeginSection(a, b); }
  BOOL SectionByte(BYTE v) override { return o_.SectionByte(v); }
  BOOL SectionCommand() override { return o_.SectionCommand(); }
  BOOL EndSection() override { return o_.EndSection(); }
  BOOL BeginBitmap(WORD w, WORD h, WORD stride) override { return o_.BeginBitmap(w, h, stride); }
  BOOL PlaceBitmap(WORD a, WORD b, WORD c, WORD d, WORD e) override {
    return o_.PlaceBitmap(a, b, c, d, e);
  }
  BOOL BitmapData(std::span<BYTE> record) override { return o_.BitmapData(record); }
  BOOL EndBitmap() override { return o_.EndBitmap(); }
  BOOL ResetBitmap() override { return o_.ResetBitmap(); }
  BOOL BeginTransfer(WORD id, WORD value) override { return o_.BeginTransfer(id, value); }
  BOOL TransferData(WORD id, WORD value, BYTE* data, DWORD n) override {
    return o_.TransferData(id, value, data, n);
  }
  BOOL EndTransfer(WORD id) override { return o_.EndTransfer(id); }
  BOOL AbortTransfer(WORD id) override { return o_.AbortTransfer(id); }
  void TransformItem(DWORD type, BYTE* payload, spool::ItemKind kind) override {
    o_.TransformItem(type, payload, kind);
  }
  BOOL PrintText(WORD id, LONG x, LONG y, LONG dir, LONG cw, LONG ch, LONG v20, LONG v24,
                 const BYTE* text, DWORD n, BYTE* payload) override {
    return o_.PrintText(id, x, y, dir, cw, ch, v20, v24, text, n, payload);
  }
  BOOL PrintBarcode(WORD id, LONG x, LONG y, LONG dir, LONG cw, LONG ch, LONG v20, LONG v24,
                    const BYTE* text, DWORD n, BYTE* payload) override {
    return o_.PrintBarcode(id, x, y, dir, cw, ch, v20, v24, text, n, payload);
  }
  BOOL DrawLine(WORD v0, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG v24, LONG width,
                BYTE* payload) override {
    return o_.DrawLine(v0, x, y, dx, dy, colour, v24, width, payload);
  }
  BOOL DrawBox(WORD v0, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG v24, LONG width,
               BYTE* payload) override {
    return o_.DrawBox(v0, x, y, dx, dy, colour, v24, width, payload);
  }
  BOOL PassThrough(WORD value, const BYTE* bytes, DWORD n) override {
    return o_.PassThrough(value, bytes, n);
  }

 private:
  CDCLBase& o_;
};

CDCLBase::CDCLBase()
    : records_(std::make_unique<RecordAdapter>(*this)),
      dispatcher_(std::make_unique<spool::RecordDispatcher>(*records_)) {}

CDCLBase::~CDCLBase() {
  // A dead object must fail every entry point's validity check.
  marker_ = 0;
}

bool CDCLBase::IsValid(const CDCLBase* object) {
  return object != nullptr && object->marker_ == DCL_OBJECT_MARKER;
}

// ---- identity ---------------------------------------------------------------------

const char* CDCLBase::GetProductName() { return dcl::GetProductName(LibraryVersionBlock()); }
const char* CDCLBase::GetComments() { return dcl::GetComments(LibraryVersionBlock()); }
const char* CDCLBase::GetHelpFileName() { return dcl::GetHelpFileName(LibraryVersionBlock()); }
DWORD CDCLBase::GetVersionNumber() { return dcl::GetVersionNumber(LibraryVersionBlock()); }

BOOL CDCLBase::ShowHelp(HWND parent, DWORD helpId, HWND control, DWORD controlHelpId) {
  ShowControlHelp(parent, static_cast<int>(helpId), control, static_cast<int>(controlHelpId));
  return TRUE;
}

// ---- life and option blobs -----------------------------------------------------------

BOOL CDCLBase::Initialize() { return TRUE; }

BOOL CDCLBase::Terminate() {
  // The attached blobs belong to whoever attached them; only the object's own record
  // copies are released here.
  attachedDocProps_ = nullptr;
  attachedDevProps_ = nullptr;
  blobCopies_.clear();
  return TRUE;
}

BOOL CDCLBase::AttachDocProps(BYTE* blob) {
  attachedDocProps_ = blob;
  return TRUE;
}

BOOL CDCLBase::AttachDevProps(BYTE* blob) {
  attachedDevProps_ = blob;
  return TRUE;
}

LONG CDCLBase::GetConfigLimit() { return 99; }

BOOL CDCLBase::AttachRecordBlob(spool::OptionBlob blob, bool device) {
  auto copy = std::make_unique<spool::OptionBlob>(std::move(blob));
  BYTE* start = copy->bytes.data();
  blobCopies_.push_back(std::move(copy));
  BOOL ok = device ? AttachDevProps(start) : AttachDocProps(start);
  ReleaseUnusedBlobCopies();
  return ok;
}

DWORD CDCLBase::AttachedBlobSize(const BYTE* blob) const {
  for (const auto& copy : blobCopies_) {
    const BYTE* start = copy->bytes.data();
    if (blob >= start && blob < start + copy->bytes.size())
      return static_cast<DWORD>(copy->bytes.size() - static_cast<size_t>(blob - start));
  }
  return kBlobSizeFromHeader;
}

void CDCLBase::ReleaseUnusedBlobCopies() {
  auto inside = [](const spool::OptionBlob& b, const BYTE* p) {
    return p != nullptr && p >= b.bytes.data() && p < b.bytes.data() + b.bytes.size();
  };
  std::erase_if(blobCopies_, [&](const std::unique_ptr<spool::OptionBlob>& b) {
    return !inside(*b, attachedDocProps_) && !inside(*b, attachedDevProps_);
  });
}

// ---- configuration, direct output, option hooks ----------------------------------------

LONG_PTR CDCLBase::Configure(void*, void*, void*, WORD, void*, void*, void*) {
  SetLastError(ERROR_INVALID_FUNCTION);
  return 0;
}

BOOL CDCLBase::OpenDirect(void*, DWORD, DWORD, HWND, WORD, DWORD) {
  return Fail(ERROR_INVALID_FUNCTION);
}

BOOL CDCLBase::CloseDirect() { return Fail(ERROR_INVALID_FUNCTION); }

LONG_PTR CDCLBase::OptionDialog(BYTE*, HWND, WORD, void*) { return 0; }
BOOL CDCLBase::OnOptionChanged(WORD, BYTE*, DWORD) { return TRUE; }
BOOL CDCLBase::NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode) {
  return OnOptionChanged(optionId, value, mode);
}
BOOL CDCLBase::OnPortOpened(DevicePort*) { return TRUE; }

// ---- page objects: a layer without a printer language draws nothing --------------------

void CDCLBase::TransformItem(DWORD, BYTE*, spool::ItemKind) {}

BOOL CDCLBase::PrintText(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, const BYTE*, DWORD,
                         BYTE*) {
  return Fail(ERROR_INVALID_FUNCTION);
}
BOOL CDCLBase::PrintBarcode(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, const BYTE*, DWORD,
                            BYTE*) {
  return Fail(ERROR_INVALID_FUNCTION);
}
BOOL CDCLBase::DrawLine(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, BYTE*) {
  return Fail(ERROR_INVALID_FUNCTION);
}
BOOL CDCLBase::DrawBox(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, BYTE*) {
  return Fail(ERROR_INVALID_FUNCTION);
}
BOOL CDCLBase::PassThrough(WORD, const BYTE*, DWORD) { return Fail(ERROR_INVALID_FUNCTION); }

// ---- texts and the operations later layers give a body to -------------------------------

int CDCLBase::LoadString(HMODULE module, UINT id, char* buffer, int size) {
  return LoadStringA(module != nullptr ? module : OwnModule(), id, buffer, size);
}

BOOL NotYetOffered() { return Fail(ERROR_INVALID_FUNCTION); }

BOOL CDCLBase::LoadConfiguration(ModelTables*) { return NotYetOffered(); }
BOOL CDCLBase::IsOptionSupported(WORD) { return FALSE; }
BOOL CDCLBase::IsOptionEnabled(WORD) { return FALSE; }
BOOL CDCLBase::HasOptionRange(WORD) { return FALSE; }
LONG CDCLBase::GetOptionMinimum(WORD) { return 0; }
LONG CDCLBase::GetOptionMaximum(WORD) { return 0; }
BOOL CDCLBase::HasOptionChoices(WORD) { return FALSE; }
DWORD CDCLBase::GetOptionChoiceCount(WORD) { return 0; }
LONG CDCLBase::GetOptionChoiceValue(WORD, DWORD) { return 0; }
const char* CDCLBase::GetOptionChoiceText(WORD, DWORD) { return ""; }
LONG_PTR CDCLBase::ReservedOptionQuery94(WORD, DWORD) { return 0; }
LONG_PTR CDCLBase::ReservedOptionQuery95(WORD, DWORD) { return 0; }
BOOL CDCLBase::IsOptionFreeText(WORD) { return FALSE; }
DWORD CDCLBase::GetOptionHelpId(WORD) { return 0; }
const char* CDCLBase::GetDefFileName() { return ""; }
BOOL CDCLBase::LookUpResourceName(const char*, LONG*) { return FALSE; }
BOOL CDCLBase::FreeConfiguration(ModelTables*) { return NotYetOffered(); }
BOOL CDCLBase::LoadDefFile(ModelTables*, const char*) { return NotYetOffered(); }
BOOL CDCLBase::AddDownloadFont(void*, ModelTables*, WORD*, HWND, void*) { return NotYetOffered(); }
BOOL CDCLBase::DeleteDownloadFont(const char*, void*) { return NotYetOffered(); }
LONG_PTR CDCLBase::MapOptionValue(WORD, LONG_PTR value) { return value; }

BOOL CDCLBase::CopyBytes(void* destination, DWORD* size, const void* source, DWORD count) {
  if (destination == nullptr || size == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (*size < count) {
    *size = count;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (count > 0) std::memcpy(destination, source, count);
  *size = count;
  return TRUE;
}

BOOL CDCLBase::WriteTextCommand(LONG, LONG, LONG, LONG, LONG, LONG, LONG, DWORD,
                                const TextFontEntry*, const BYTE*, DWORD, BYTE*) {
  return NotYetOffered();
}
LONG CDCLBase::ClassifyDirectCommand(const char*) { return 0; }
const NameTableEntry* CDCLBase::GetNameTable(spool::ItemKind) { return nullptr; }
DWORD CDCLBase::GetNameTableCount(spool::ItemKind) { return 0; }

DWORD CDCLBase::NextRotation(DWORD* direction) {
  // 0 -> 0x1000 -> 0x2000 -> 0x4000 -> 0.
  DWORD old = *direction;
  switch (old) {
    case 0: *direction = 0x1000; break;
    case 0x1000: *direction = 0x2000; break;
    case 0x2000: *direction = 0x4000; break;
    default: *direction = 0; break;
  }
  return old;
}

void CDCLBase::AdjustExtent(LONG*, LONG, DWORD, LONG) {}

BOOL CDCLBase::WriteCommand(const void* bytes, DWORD count) {
  return WriteToPort(&port_, static_cast<const BYTE*>(bytes), count, 0);
}

// ---- records ----------------------------------------------------------------------------

BOOL CDCLBase::ProcessRecord(std::span<BYTE> record) {
  // Records reach the printer only through an open port.
  if (!port_.IsOpen() || record.data() == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return dispatcher_->ProcessRecord(record);
}

// ---- host strings and units ------------------------------------------------------------

void CDCLBase::SetHostStrings(const char* printerName, const char* hostString2,
                              const char* configFile, const char* languageFile) {
  auto keep = [](std::string& field, const char* value) {
    if (value == nullptr) return;
    try {
      field = value;
    } catch (const std::bad_alloc&) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
  };
  keep(printerName_, printerName);
  keep(hostString2_, hostString2);
  keep(configFile_, configFile);
  keep(languageFile_, languageFile);
}

std::string CDCLBase::PrinterName() {
  if (!printerName_.empty()) return printerName_;
  return GetProductName();
}

WORD CDCLBase::SetUnitCode(DWORD code) {
  dcl::UnitCode unit;
  unit.Set(unitCode_);
  WORD answer = unit.Set(code);
  unitCode_ = unit.Get();
  return answer;
}

}  // namespace trv::dcl
