#include "driver/printer_data.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "platform/winerror.h"
#include "platform/winspool.h"
#include "spool/record.h"

namespace trv::driver {

using spool::ReadI32;
using spool::ReadU16;
using spool::ReadU32;

std::optional<std::vector<BYTE>> ReadPrinterValue(HANDLE printer, std::u16string_view name) {
  std::u16string key(name);
  DWORD type = 0, needed = 0;
  // Ask for the size first; a value of any other error is as good as absent.
  DWORD status = GetPrinterDataW(printer, key.data(), &type, nullptr, 0, &needed);
  if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return std::nullopt;
  if (needed == 0) return std::nullopt;
  try {
    std::vector<BYTE> value(needed, 0);
    DWORD got = 0;
    status = GetPrinterDataW(printer, key.data(), &type, value.data(), needed, &got);
    if (status != ERROR_SUCCESS || got == 0 || got > needed) return std::nullopt;
    value.resize(got);
    return value;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<EntryList> EntryList::Parse(std::vector<BYTE> value, DWORD recordSize,
                                          unsigned stringsPerRecord) {
  const std::uint64_t size = value.size();
  if (size < 4) return std::nullopt;
  const DWORD count = ReadU32(value.data() + size - 4);
  if (recordSize == kAnyRecordSize) {
    // The first record names the size of all; a list without records has none.
    recordSize = count == 0 ? 4 : (size >= 8 ? ReadU32(value.data()) : 0);
    if (recordSize < 4) return std::nullopt;
  }
  const std::uint64_t records = std::uint64_t{count} * recordSize;
  if (records + 4 > size) return std::nullopt;
  for (DWORD i = 0; i < count; ++i)
    if (ReadU32(value.data() + std::uint64_t{i} * recordSize) != recordSize) return std::nullopt;

  EntryList list;
  list.count_ = count;
  list.recordSize_ = recordSize;
  list.stringsPerRecord_ = stringsPerRecord;
  // Every string the records name must end inside the pool.
  const std::uint64_t poolEnd = size - 4;
  std::uint64_t at = records;
  const std::uint64_t wanted = std::uint64_t{count} * stringsPerRecord;
  if (wanted > poolEnd - records) return std::nullopt;  // not even one byte per string
  list.strings_.reserve(static_cast<std::size_t>(wanted));
  for (std::uint64_t s = 0; s < wanted; ++s) {
    const void* end = std::memchr(value.data() + at, 0, static_cast<std::size_t>(poolEnd - at));
    if (end == nullptr) return std::nullopt;
    list.strings_.push_back(static_cast<DWORD>(at));
    at = static_cast<const BYTE*>(end) - value.data() + 1;
  }
  list.value_ = std::move(value);
  return list;
}

std::string_view EntryList::string(DWORD index, unsigned field) const {
  if (index >= count_ || field >= stringsPerRecord_) return {};
  const DWORD at = strings_[std::size_t{index} * stringsPerRecord_ + field];
  return reinterpret_cast<const char*>(value_.data() + at);
}

std::optional<EntryList> ReadEntryList(HANDLE printer, std::u16string_view name, DWORD recordSize,
                                       unsigned stringsPerRecord) {
  auto value = ReadPrinterValue(printer, name);
  if (!value) return std::nullopt;
  return EntryList::Parse(std::move(*value), recordSize, stringsPerRecord);
}

std::optional<ModelInfo> ModelOf(const EntryList& models) {
  if (models.count() == 0 || models.recordSize() != kModelRecordSize) return std::nullopt;
  const BYTE* first = models.record(0);
  ModelInfo model;
  model.id = ReadU16(first + 4);
  model.resolution = ReadU16(first + 24);  // the vertical resolution serves both ways
  if (model.resolution == 0) return std::nullopt;
  return model;
}

std::optional<WORD> FirstTrayOf(const EntryList& trays) {
  if (trays.count() == 0 || trays.recordSize() != kTrayRecordSize) return std::nullopt;
  return ReadU16(trays.record(0) + 4);
}

std::optional<std::vector<Paper>> PapersOf(const EntryList& papers) {
  if (papers.count() == 0 || papers.recordSize() != kPaperRecordSize) return std::nullopt;
  std::vector<Paper> out;
  out.reserve(papers.count());
  for (DWORD i = 0; i < papers.count(); ++i) {
    const BYTE* r = papers.record(i);
    Paper p;
    p.id = ReadU16(r + 4);
    p.name = std::string(papers.string(i, 0));
    p.width = ReadI32(r + 16);
    p.height = ReadI32(r + 20);
    p.physicalWidth = ReadI32(r + 24);
    p.physicalHeight = ReadI32(r + 28);
    p.left = ReadI32(r + 32);
    p.top = ReadI32(r + 36);
    p.printableWidth = ReadI32(r + 40);
    p.printableHeight = ReadI32(r + 44);
    out.push_back(std::move(p));
  }
  return out;
}

DWORD BlobHeaderSize(BlobKind kind) {
  return kind == BlobKind::kDocProps ? spool::DOCPROPS_HEADER_SIZE : spool::DEVPROPS_HEADER_SIZE;
}

DWORD CheckedBlobSize(std::span<const BYTE> bytes, BlobKind kind) {
  const DWORD header = BlobHeaderSize(kind);
  if (bytes.size() < header || ReadU32(bytes.data()) != header) return 0;
  const std::uint64_t total = std::uint64_t{header} + ReadU32(bytes.data() + kBlobOffsetDataSize);
  if (total > bytes.size()) return 0;
  return static_cast<DWORD>(total);
}

std::optional<std::vector<BYTE>> ParseBlob(std::span<const BYTE> value, BlobKind kind) {
  const DWORD size = CheckedBlobSize(value, kind);
  if (size == 0) return std::nullopt;
  return std::vector<BYTE>(value.begin(), value.begin() + size);
}

std::optional<std::vector<BYTE>> ReadBlob(HANDLE printer, BlobKind kind) {
  auto value = ReadPrinterValue(printer, kind == BlobKind::kDocProps ? u"DocProps" : u"DevProps");
  if (!value) return std::nullopt;
  return ParseBlob(*value, kind);
}

std::optional<std::vector<Paper>> ReadPapers(HANDLE printer) {
  auto list = ReadEntryList(printer, u"Papers", kPaperRecordSize, 1);
  if (!list) return std::nullopt;
  return PapersOf(*list);
}

std::optional<PrinterSetup> ReadPrinterSetup(HANDLE printer) {
  PrinterSetup setup;
  auto models = ReadEntryList(printer, u"Models", kModelRecordSize, 2);
  if (!models) return std::nullopt;
  auto model = ModelOf(*models);
  if (!model) return std::nullopt;
  setup.model = *model;
  auto doc = ReadBlob(printer, BlobKind::kDocProps);
  auto dev = ReadBlob(printer, BlobKind::kDevProps);
  auto trays = ReadEntryList(printer, u"Trays", kTrayRecordSize, 1);
  auto papers = ReadPapers(printer);
  if (!doc || !dev || !trays || !papers) return std::nullopt;
  auto tray = FirstTrayOf(*trays);
  if (!tray) return std::nullopt;
  setup.firstTray = *tray;
  setup.papers = std::move(*papers);
  setup.docProps = std::move(*doc);
  setup.devProps = std::move(*dev);
  return setup;
}

}  // namespace trv::driver
