#include "spool/record.h"

#include <algorithm>
#include <array>

namespace trv::spool {

namespace {

// An option blob's copy is re-pointed inside its own header, so a blob payload
// shorter than that header is refused rather than written past.
constexpr std::array kRecordTypes{
    RecordTypeInfo{DCLD_DOC_BEGIN, "DCLD_DOC_BEGIN", 8, true},
    RecordTypeInfo{DCLD_DOC_END, "DCLD_DOC_END", 0, true},
    RecordTypeInfo{DCLD_DOC_ABORT, "DCLD_DOC_ABORT", 0, false},
    RecordTypeInfo{DCLD_IMAGE_BEGIN, "DCLD_IMAGE_BEGIN", 10, false},
    RecordTypeInfo{DCLD_BITMAP_HEADER, "DCLD_BITMAP_HEADER", 6, true},
    RecordTypeInfo{DCLD_BITMAP_DATA, "DCLD_BITMAP_DATA", 0, true},
    RecordTypeInfo{DCLD_IMAGE_END, "DCLD_IMAGE_END", 0, false},
    RecordTypeInfo{DCLD_IMAGE_ABORT, "DCLD_IMAGE_ABORT", 0, false},
    RecordTypeInfo{DCLD_PAGE_BEGIN, "DCLD_PAGE_BEGIN", 6, true},
    RecordTypeInfo{DCLD_PAGE_NEXT, "DCLD_PAGE_NEXT", 0, false},
    RecordTypeInfo{DCLD_PAGE_END, "DCLD_PAGE_END", 2, true},
    RecordTypeInfo{DCLD_PAGE_ABORT, "DCLD_PAGE_ABORT", 0, false},
    RecordTypeInfo{DCLD_SECTION_BEGIN, "DCLD_SECTION_BEGIN", 4, false},
    RecordTypeInfo{DCLD_SECTION_CMD, "DCLD_SECTION_CMD", 0, false},
    RecordTypeInfo{DCLD_SECTION_BYTE, "DCLD_SECTION_BYTE", 1, false},
    RecordTypeInfo{DCLD_SECTION_END, "DCLD_SECTION_END", 0, false},
    RecordTypeInfo{DCLD_SECTION_ABORT, "DCLD_SECTION_ABORT", 0, false},
    RecordTypeInfo{DCLD_TRANSFER_BEGIN, "DCLD_TRANSFER_BEGIN", 2, false},
    RecordTypeInfo{DCLD_TRANSFER_DATA, "DCLD_TRANSFER_DATA", 4, false},
    RecordTypeInfo{DCLD_TRANSFER_END, "DCLD_TRANSFER_END", 2, false},
    RecordTypeInfo{DCLD_TRANSFER_ABORT, "DCLD_TRANSFER_ABORT", 2, false},
    RecordTypeInfo{DCLD_BARCODE_TEXT, "DCLD_BARCODE_TEXT", DCLD_OBJECT_SIZE, true},
    RecordTypeInfo{DCLD_FONT_TEXT, "DCLD_FONT_TEXT", DCLD_OBJECT_SIZE, true},
    RecordTypeInfo{DCLD_LINE, "DCLD_LINE", DCLD_OBJECT_SIZE, true},
    RecordTypeInfo{DCLD_BOX, "DCLD_BOX", DCLD_OBJECT_SIZE, false},
    RecordTypeInfo{DCLD_RAW_COMMAND, "DCLD_RAW_COMMAND", 2, true},
    RecordTypeInfo{DCLD_DEVPROPS, "DCLD_DEVPROPS", DEVPROPS_HEADER_SIZE, true},
    RecordTypeInfo{DCLD_DOCPROPS, "DCLD_DOCPROPS", DOCPROPS_HEADER_SIZE, true},
};

static_assert(std::is_sorted(kRecordTypes.begin(), kRecordTypes.end(),
                             [](const RecordTypeInfo& a, const RecordTypeInfo& b) {
                               return a.type < b.type;
                             }));

}  // namespace

std::span<const RecordTypeInfo> RecordTypes() { return kRecordTypes; }

const RecordTypeInfo* FindRecordType(DWORD type) {
  auto it = std::lower_bound(kRecordTypes.begin(), kRecordTypes.end(), type,
                             [](const RecordTypeInfo& info, DWORD t) { return info.type < t; });
  if (it == kRecordTypes.end() || it->type != type) return nullptr;
  return &*it;
}

const char* RecordTypeName(DWORD type) {
  const RecordTypeInfo* info = FindRecordType(type);
  return info ? info->name : nullptr;
}

}  // namespace trv::spool
