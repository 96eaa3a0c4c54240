// The printer's configuration as the driver sees it: raw printer-data values that
// the user-interface host stored from the model database's lists and option blobs.
//
// Entry list value ("Models", "Trays", "Papers", "Fonts", "Barcodes", "Options"):
//   count records of one fixed size, each beginning with a u32 holding that size;
//   then a pool of zero-terminated strings, the string fields of the records in
//   record order; then a u32 holding count.
// The string fields of a stored record are only meaningful in the process that built
// the list; a reader finds each record's strings by walking the pool instead.
//
// Option blobs ("DocProps", "DevProps"): a header (32 / 20 bytes) whose u32 at 0 is
// its own size and whose u32 at 8 counts the option bytes after it.
//
// Every value is checked before anything is read from it: a list whose records do not
// fit, whose records are not of their size or whose strings run out of the pool, and a
// blob whose header or data do not fit, count as missing, as an absent value does.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"

namespace trv::driver {

// Record sizes of the lists the driver reads.
inline constexpr DWORD kModelRecordSize = 36;
inline constexpr DWORD kTrayRecordSize = 20;
inline constexpr DWORD kPaperRecordSize = 60;
inline constexpr DWORD kTextFontRecordSize = 136;
inline constexpr DWORD kBarcodeRecordSize = 128;
// The Options list is only counted: its records may be of either option entry size.
inline constexpr DWORD kAnyRecordSize = 0;

// The value's bytes, or nothing when it is absent, empty or cannot be read.
std::optional<std::vector<BYTE>> ReadPrinterValue(HANDLE printer, std::u16string_view name);

// A checked entry list. Records and strings point into `value`.
class EntryList {
 public:
  // Nothing when the value is not a well-formed list of `recordSize` records
  // (kAnyRecordSize: every record of the size the first one names) with
  // `stringsPerRecord` pool strings each.
  static std::optional<EntryList> Parse(std::vector<BYTE> value, DWORD recordSize,
                                        unsigned stringsPerRecord);

  DWORD count() const { return count_; }
  DWORD recordSize() const { return recordSize_; }
  const BYTE* record(DWORD index) const { return value_.data() + index * recordSize_; }
  // String `field` (0-based, in the record's order of string fields) of a record.
  std::string_view string(DWORD index, unsigned field) const;
  std::span<const BYTE> bytes() const { return value_; }

 private:
  std::vector<BYTE> value_;
  DWORD count_ = 0;
  DWORD recordSize_ = 0;
  unsigned stringsPerRecord_ = 0;
  std::vector<DWORD> strings_;  // offsets of the pool strings, in pool order
};

// ReadPrinterValue + EntryList::Parse.
std::optional<EntryList> ReadEntryList(HANDLE printer, std::u16string_view name, DWORD recordSize,
                                       unsigned stringsPerRecord);

// The installed model: the first record of "Models".
struct ModelInfo {
  WORD id = 0;
  WORD resolution = 0;  // dots per inch, used for both directions
};
// Nothing for a list without records or a model of resolution 0 (which every
// conversion between lengths and dots would divide by or multiply into nothing).
std::optional<ModelInfo> ModelOf(const EntryList& models);

// The id of the first tray of "Trays"; nothing for a list without records.
std::optional<WORD> FirstTrayOf(const EntryList& trays);

struct Paper {
  WORD id = 0;
  std::string name;
  LONG width = 0, height = 0;  // 0.01 mm
  LONG physicalWidth = 0, physicalHeight = 0;
  LONG left = 0, top = 0;  // unprintable margin, dots
  LONG printableWidth = 0, printableHeight = 0;
};
// Every paper of "Papers"; nothing for a list without records, since callers fall
// back on its last paper.
std::optional<std::vector<Paper>> PapersOf(const EntryList& papers);

// Option blobs.
enum class BlobKind { kDocProps, kDevProps };
inline constexpr DWORD kBlobOffsetDataSize = 8;
inline constexpr DWORD kDocPropsOffsetPaper = 16;
inline constexpr DWORD kDocPropsOffsetPlacement = 20;
DWORD BlobHeaderSize(BlobKind kind);
// Header size + data size of the well-formed blob at the start of `bytes`, or 0 when
// the header is not the kind's, or header and data do not fit in `bytes`.
DWORD CheckedBlobSize(std::span<const BYTE> bytes, BlobKind kind);
// The blob, cut to its header and data; nothing when it is not well formed.
std::optional<std::vector<BYTE>> ParseBlob(std::span<const BYTE> value, BlobKind kind);

// Everything the driver needs to build a device's settings, read at once.
struct PrinterSetup {
  ModelInfo model;
  WORD firstTray = 0;
  std::vector<Paper> papers;
  std::vector<BYTE> docProps, devProps;
};
// Nothing when any of "Models", "Trays", "Papers", "DocProps" and "DevProps" is
// missing or damaged.
std::optional<PrinterSetup> ReadPrinterSetup(HANDLE printer);
std::optional<std::vector<Paper>> ReadPapers(HANDLE printer);
std::optional<std::vector<BYTE>> ReadBlob(HANDLE printer, BlobKind kind);

}  // namespace trv::driver
