// The DCLD record: the unit of the private stream that the graphics driver writes
// into a print job and the language monitor reassembles on its way to the port.
//
// Every record is a 48-byte little-endian header followed by its payload:
//   0  u32  header size (always 48)
//   4  u32  record type
//   8  u32  payload length
//   12 32 reserved bytes, written as zero and never read
//   44 u32  magic 0x444C4344, the bytes "DCLD"
// Records follow each other without gaps; there is no stream header or trailer.
#pragma once

#include <cstddef>
#include <span>

#include "platform/windef.h"

namespace trv::spool {

inline constexpr DWORD DCLD_HEADER_SIZE = 48;
inline constexpr DWORD DCLD_MAGIC = 0x444C4344;

inline constexpr std::size_t DCLD_OFFSET_HEADER_SIZE = 0;
inline constexpr std::size_t DCLD_OFFSET_TYPE = 4;
inline constexpr std::size_t DCLD_OFFSET_LENGTH = 8;
inline constexpr std::size_t DCLD_OFFSET_MAGIC = 44;

// The high byte of a type names its scope; within a scope 0x01 opens, 0x02 and
// 0x03 carry data, 0x0E closes normally and 0x0F closes after an abort.
inline constexpr DWORD DCLD_DOC_BEGIN = 0x1001;
inline constexpr DWORD DCLD_DOC_END = 0x100E;
inline constexpr DWORD DCLD_DOC_ABORT = 0x100F;
inline constexpr DWORD DCLD_IMAGE_BEGIN = 0x1F01;
inline constexpr DWORD DCLD_BITMAP_HEADER = 0x1F02;
inline constexpr DWORD DCLD_BITMAP_DATA = 0x1F03;
inline constexpr DWORD DCLD_IMAGE_END = 0x1F0E;
inline constexpr DWORD DCLD_IMAGE_ABORT = 0x1F0F;
inline constexpr DWORD DCLD_PAGE_BEGIN = 0x2001;
inline constexpr DWORD DCLD_PAGE_NEXT = 0x2002;
inline constexpr DWORD DCLD_PAGE_END = 0x200E;
inline constexpr DWORD DCLD_PAGE_ABORT = 0x200F;
inline constexpr DWORD DCLD_SECTION_BEGIN = 0x2101;
inline constexpr DWORD DCLD_SECTION_CMD = 0x2102;
inline constexpr DWORD DCLD_SECTION_BYTE = 0x2103;
inline constexpr DWORD DCLD_SECTION_END = 0x210E;
inline constexpr DWORD DCLD_SECTION_ABORT = 0x210F;
inline constexpr DWORD DCLD_TRANSFER_BEGIN = 0x3101;
inline constexpr DWORD DCLD_TRANSFER_DATA = 0x3102;
inline constexpr DWORD DCLD_TRANSFER_END = 0x310E;
inline constexpr DWORD DCLD_TRANSFER_ABORT = 0x310F;
inline constexpr DWORD DCLD_BARCODE_TEXT = 0x4001;
inline constexpr DWORD DCLD_FONT_TEXT = 0x4002;
inline constexpr DWORD DCLD_LINE = 0x4003;
inline constexpr DWORD DCLD_BOX = 0x4004;
inline constexpr DWORD DCLD_RAW_COMMAND = 0x40FF;
inline constexpr DWORD DCLD_DEVPROPS = 0xF001;
inline constexpr DWORD DCLD_DOCPROPS = 0xF002;

// Page objects (text, bar code, line, box) carry a fixed 56-byte part; text
// objects follow it with the text itself.
inline constexpr DWORD DCLD_OBJECT_SIZE = 56;
// Option blobs: the value pointer inside each header and where the values start.
inline constexpr DWORD DEVPROPS_HEADER_SIZE = 20;
inline constexpr DWORD DEVPROPS_OFFSET_VALUES = 16;
inline constexpr DWORD DOCPROPS_HEADER_SIZE = 32;
inline constexpr DWORD DOCPROPS_OFFSET_VALUES = 28;

// The largest payload a record may carry: the page bitmap of the largest surface
// a bitmap header can describe (65535 rows of a 65535-pixel row, 8192 bytes with
// its padding to 32 bits), the biggest record the suite writes. A header asking
// for more is not a record of ours, and nothing is allocated for it.
inline constexpr DWORD kMaxBitmapStride = 8192;
inline constexpr DWORD kMaxBitmapRows = 0xFFFF;
inline constexpr DWORD DCLD_MAX_PAYLOAD = kMaxBitmapStride * kMaxBitmapRows;

struct RecordTypeInfo {
  DWORD type;
  const char* name;
  // The smallest payload a reader accepts; a shorter one makes the record fail.
  DWORD minPayload;
  // Whether the graphics driver writes this type (the others are only read).
  bool writtenByDriver;
};

// Every known record type, in type order.
std::span<const RecordTypeInfo> RecordTypes();
// The entry of a type, or null for a type that is not known.
const RecordTypeInfo* FindRecordType(DWORD type);
// "DCLD_PAGE_BEGIN" and so on; null for a type that is not known.
const char* RecordTypeName(DWORD type);

// ---- little-endian fields -----------------------------------------------------------
inline WORD ReadU16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD ReadU32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
         (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}
inline LONG ReadI32(const BYTE* p) { return static_cast<LONG>(ReadU32(p)); }
inline void WriteU16(BYTE* p, WORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
inline void WriteU32(BYTE* p, DWORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
  p[2] = static_cast<BYTE>(v >> 16);
  p[3] = static_cast<BYTE>(v >> 24);
}
inline void WriteI32(BYTE* p, LONG v) { WriteU32(p, static_cast<DWORD>(v)); }

// ---- header fields of a record that holds at least its 48 header bytes ------------
inline DWORD RecordHeaderSize(const BYTE* record) {
  return ReadU32(record + DCLD_OFFSET_HEADER_SIZE);
}
inline DWORD RecordType(const BYTE* record) { return ReadU32(record + DCLD_OFFSET_TYPE); }
inline DWORD RecordPayloadLength(const BYTE* record) {
  return ReadU32(record + DCLD_OFFSET_LENGTH);
}
inline DWORD RecordMagic(const BYTE* record) { return ReadU32(record + DCLD_OFFSET_MAGIC); }
inline BYTE* RecordPayload(BYTE* record) { return record + DCLD_HEADER_SIZE; }
inline const BYTE* RecordPayload(const BYTE* record) { return record + DCLD_HEADER_SIZE; }

}  // namespace trv::spool
