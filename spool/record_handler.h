// The operations a record stream drives: one per kind of record, each taking the
// record's fields already decoded. The DCL object implements them; so do the
// stream dump and the tests. Each returns non-zero for success or zero with the
// thread's last error set.
#pragma once

#include <span>
#include <vector>

#include "platform/windef.h"

namespace trv::spool {

// A private copy of an option blob (DocProps or DevProps) taken from a record.
// The value pointer field inside the copy's header holds the low 32 bits of the
// address of the copy's first value: a defined value for a 4-byte field on a
// platform with wider pointers. Use `values`, never that field.
struct OptionBlob {
  std::vector<BYTE> bytes;
  // First byte after the header, inside `bytes`; stays valid when the blob moves.
  BYTE* values = nullptr;
};

// The kinds of page object TransformItem is told about; the values are the letters
// the back-ends have always been handed.
enum class ItemKind : char { kText = 'F', kBarcode = 'B', kLine = 'L', kBox = 'R' };

class RecordHandler {
 public:
  virtual ~RecordHandler() = default;

  // Option blobs: the handler takes ownership of the copy.
  virtual BOOL AttachDocProps(OptionBlob blob) = 0;
  virtual BOOL AttachDevProps(OptionBlob blob) = 0;

  // Document and page.
  virtual BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) = 0;
  virtual BOOL EndDoc() = 0;
  virtual BOOL AbortDoc() = 0;
  virtual BOOL StartPage(WORD valueA, WORD valueB, WORD copies) = 0;
  virtual BOOL NextPage() = 0;
  virtual BOOL EndPage(WORD copies) = 0;

  // Sections.
  virtual BOOL BeginSection(WORD value1, WORD value2) = 0;
  virtual BOOL SectionByte(BYTE value) = 0;
  virtual BOOL SectionCommand() = 0;
  virtual BOOL EndSection() = 0;

  // Bitmaps and images. BitmapData receives the whole record, header included.
  virtual BOOL BeginBitmap(WORD width, WORD height, WORD stride) = 0;
  virtual BOOL PlaceBitmap(WORD v1, WORD v2, WORD v3, WORD v4, WORD v5) = 0;
  virtual BOOL BitmapData(std::span<BYTE> record) = 0;
  virtual BOOL EndBitmap() = 0;
  virtual BOOL ResetBitmap() = 0;

  // Data transfers.
  virtual BOOL BeginTransfer(WORD id, WORD value) = 0;
  virtual BOOL TransferData(WORD id, WORD value, BYTE* data, DWORD length) = 0;
  virtual BOOL EndTransfer(WORD id) = 0;
  virtual BOOL AbortTransfer(WORD id) = 0;

  // Page objects. TransformItem runs first on every text, bar-code, line and box
  // record and may rewrite the object's position fields (payload offsets 4 to 27)
  // in place for the page orientation; kind is 'F' text, 'B' bar code, 'L' line,
  // 'R' box. The drawing operation then reads the rewritten fields; `payload` is
  // the object itself.
  virtual void TransformItem(DWORD type, BYTE* payload, ItemKind kind) = 0;
  virtual BOOL PrintText(WORD fontId, LONG x, LONG y, LONG direction, LONG charWidth,
                         LONG charHeight, LONG reserved, LONG directionBits, const BYTE* text,
                         DWORD textLength, BYTE* payload) = 0;
  virtual BOOL PrintBarcode(WORD barcodeId, LONG x, LONG y, LONG direction, LONG charWidth,
                            LONG charHeight, LONG reserved, LONG directionBits, const BYTE* text,
                            DWORD textLength, BYTE* payload) = 0;
  virtual BOOL DrawLine(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                        LONG directionBits, LONG width, BYTE* payload) = 0;
  virtual BOOL DrawBox(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                       LONG directionBits, LONG width, BYTE* payload) = 0;
  virtual BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length) = 0;
};

}  // namespace trv::spool
