#include "spool/dispatcher.h"

#include <array>
#include <cstring>
#include <new>
#include <utility>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::spool {

namespace {

BOOL Ignore() {
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// Types that the dispatcher accepts without handing them to any operation: the
// page and section aborts close nothing inside the object.
bool IsIgnoredType(DWORD type) { return type == DCLD_PAGE_ABORT || type == DCLD_SECTION_ABORT; }

// The fixed part of a page object, copied out of the record before TransformItem
// rewrites it: the record itself stays as the spooler handed it, so a record that
// is offered again after a failed write is transformed from the same values.
using ObjectCopy = std::array<BYTE, DCLD_OBJECT_SIZE>;

ObjectCopy CopyObject(const BYTE* payload) {
  ObjectCopy copy;
  std::memcpy(copy.data(), payload, copy.size());
  return copy;
}

}  // namespace

RecordDispatcher::RecordDispatcher(RecordHandler& handler, AllocationGate gate)
    : handler_(handler), gate_(std::move(gate)) {}

BOOL RecordDispatcher::ProcessRecord(std::span<BYTE> record) {
  BYTE* r = record.data();
  if (r == nullptr || record.size() < DCLD_HEADER_SIZE) return Fail(ERROR_INVALID_PARAMETER);
  if (RecordHeaderSize(r) != DCLD_HEADER_SIZE) return Ignore();
  const DWORD type = RecordType(r);
  const RecordTypeInfo* info = FindRecordType(type);
  if (info == nullptr || IsIgnoredType(type)) return Ignore();
  const DWORD length = RecordPayloadLength(r);
  // The reader always hands a whole record; a shorter span is a caller's error.
  if (record.size() - DCLD_HEADER_SIZE < length) return Fail(ERROR_INVALID_PARAMETER);
  if (length < info->minPayload) return Fail(ERROR_INVALID_PARAMETER);
  return Route(type, RecordPayload(r), length,
               record.first(DCLD_HEADER_SIZE + std::size_t{length}));
}

BOOL RecordDispatcher::Route(DWORD type, BYTE* p, DWORD n, std::span<BYTE> record) {
  switch (type) {
    case DCLD_DOC_BEGIN: return StartDoc(p, n);
    case DCLD_DOC_END: return handler_.EndDoc();
    case DCLD_DOC_ABORT: return handler_.AbortDoc();
    case DCLD_IMAGE_BEGIN:
      return handler_.PlaceBitmap(ReadU16(p), ReadU16(p + 2), ReadU16(p + 4), ReadU16(p + 6),
                                  ReadU16(p + 8));
    case DCLD_BITMAP_HEADER:
      return handler_.BeginBitmap(ReadU16(p), ReadU16(p + 2), ReadU16(p + 4));
    case DCLD_BITMAP_DATA: return handler_.BitmapData(record);
    case DCLD_IMAGE_END: return handler_.EndBitmap();
    case DCLD_IMAGE_ABORT: return handler_.ResetBitmap();
    case DCLD_PAGE_BEGIN: return StartPage(p);
    case DCLD_PAGE_NEXT: return NextPage();
    case DCLD_PAGE_END: return EndPage(p);
    case DCLD_SECTION_BEGIN: return BeginSection(p);
    case DCLD_SECTION_CMD: return handler_.SectionCommand();
    case DCLD_SECTION_BYTE: return handler_.SectionByte(p[0]);
    case DCLD_SECTION_END: return EndSection();
    case DCLD_TRANSFER_BEGIN:
      return handler_.BeginTransfer(ReadU16(p), n >= 4 ? ReadU16(p + 2) : 0);
    case DCLD_TRANSFER_DATA: return handler_.TransferData(ReadU16(p), ReadU16(p + 2), p + 4, n - 4);
    case DCLD_TRANSFER_END: return handler_.EndTransfer(ReadU16(p));
    case DCLD_TRANSFER_ABORT: return handler_.AbortTransfer(ReadU16(p));
    case DCLD_BARCODE_TEXT:
    case DCLD_FONT_TEXT: return TextObject(type, p, n);
    case DCLD_LINE:
    case DCLD_BOX: return LineObject(type, p);
    case DCLD_RAW_COMMAND: return handler_.PassThrough(ReadU16(p), p + 2, n - 2);
    case DCLD_DEVPROPS:
    case DCLD_DOCPROPS: return OptionBlobRecord(type, p, n);
    default: return Ignore();
  }
}

BOOL RecordDispatcher::StartDoc(const BYTE* p, DWORD n) {
  // A job is printed with the options it carries; without both blobs there is
  // nothing to set the printer up from.
  if (!haveDocProps_ || !haveDevProps_) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD orientation = n >= 12 ? ReadU32(p + 8) : 1;
  return handler_.StartDoc(ReadU32(p), ReadU32(p + 4), orientation);
}

BOOL RecordDispatcher::StartPage(const BYTE* p) {
  const WORD a = ReadU16(p);
  const WORD b = ReadU16(p + 2);
  const BOOL result = handler_.StartPage(a, b, ReadU16(p + 4));
  if (result) {
    pageState_ = PAGE_STATE_FIRST;
    pageValueA_ = a;
    pageValueB_ = b;
  }
  return result;
}

BOOL RecordDispatcher::NextPage() {
  const BOOL result = handler_.NextPage();
  if (result && pageState_ != PAGE_STATE_NONE) {
    pageState_ = pageState_ == PAGE_STATE_FIRST ? PAGE_STATE_SECOND : PAGE_STATE_FIRST;
  }
  return result;
}

BOOL RecordDispatcher::EndPage(const BYTE* p) {
  const BOOL result = handler_.EndPage(ReadU16(p));
  if (result) {
    pageState_ = PAGE_STATE_NONE;
    pageValueA_ = 0;
    pageValueB_ = 0;
  }
  return result;
}

BOOL RecordDispatcher::BeginSection(const BYTE* p) {
  const WORD v1 = ReadU16(p);
  const WORD v2 = ReadU16(p + 2);
  const BOOL result = handler_.BeginSection(v1, v2);
  if (result) {
    sectionValue1_ = v1;
    sectionValue2_ = v2;
  }
  return result;
}

BOOL RecordDispatcher::EndSection() {
  const BOOL result = handler_.EndSection();
  if (result) {
    sectionValue1_ = 0;
    sectionValue2_ = 0;
  }
  return result;
}

BOOL RecordDispatcher::TextObject(DWORD type, BYTE* p, DWORD n) {
  const bool barcode = type == DCLD_BARCODE_TEXT;
  const BYTE* text = p + DCLD_OBJECT_SIZE;
  ObjectCopy copy = CopyObject(p);
  p = copy.data();
  handler_.TransformItem(type, p, barcode ? ItemKind::kBarcode : ItemKind::kText);
  // Read after the transform: it may have moved the object.
  const WORD id = ReadU16(p);
  const LONG x = ReadI32(p + 4), y = ReadI32(p + 8), direction = ReadI32(p + 36);
  const LONG charWidth = ReadI32(p + 28), charHeight = ReadI32(p + 32);
  const LONG reserved = ReadI32(p + 20), directionBits = ReadI32(p + 24);
  const DWORD textLength = n - DCLD_OBJECT_SIZE;
  if (barcode) {
    return handler_.PrintBarcode(id, x, y, direction, charWidth, charHeight, reserved,
                                 directionBits, text, textLength, p);
  }
  return handler_.PrintText(id, x, y, direction, charWidth, charHeight, reserved, directionBits,
                            text, textLength, p);
}

BOOL RecordDispatcher::LineObject(DWORD type, BYTE* p) {
  const bool box = type == DCLD_BOX;
  ObjectCopy copy = CopyObject(p);
  p = copy.data();
  handler_.TransformItem(type, p, box ? ItemKind::kBox : ItemKind::kLine);
  const WORD reserved = ReadU16(p);
  const LONG x = ReadI32(p + 4), y = ReadI32(p + 8), dx = ReadI32(p + 12), dy = ReadI32(p + 16);
  const LONG colour = ReadI32(p + 20), directionBits = ReadI32(p + 24), width = ReadI32(p + 28);
  if (box) return handler_.DrawBox(reserved, x, y, dx, dy, colour, directionBits, width, p);
  return handler_.DrawLine(reserved, x, y, dx, dy, colour, directionBits, width, p);
}

BOOL RecordDispatcher::OptionBlobRecord(DWORD type, const BYTE* p, DWORD n) {
  const bool doc = type == DCLD_DOCPROPS;
  const DWORD headerSize = doc ? DOCPROPS_HEADER_SIZE : DEVPROPS_HEADER_SIZE;
  const DWORD pointerOffset = doc ? DOCPROPS_OFFSET_VALUES : DEVPROPS_OFFSET_VALUES;
  // Every walk over the values trusts the header's count of value bytes: a record
  // whose count runs past its own payload is refused before anything is copied.
  if (n < headerSize || ReadU32(p + 8) > n - headerSize) return Fail(ERROR_INVALID_PARAMETER);
  OptionBlob blob;
  try {
    if (gate_ && !gate_(n)) throw std::bad_alloc();
    blob.bytes.assign(p, p + n);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  // The stored value pointer is only meaningful in the process that set it; the
  // copy's own is a 4-byte field, so it keeps the low half of the address.
  blob.values = blob.bytes.data() + headerSize;
  WriteU32(blob.bytes.data() + pointerOffset,
           static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(blob.values)));
  const BOOL attached =
      doc ? handler_.AttachDocProps(std::move(blob)) : handler_.AttachDevProps(std::move(blob));
  if (!attached) return FALSE;
  (doc ? haveDocProps_ : haveDevProps_) = true;
  return TRUE;
}

}  // namespace trv::spool
