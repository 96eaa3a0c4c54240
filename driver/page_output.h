// The page bitmap records of one page: the surface reduced to one bit per pixel,
// turned for landscape, its row ends whitened, written as DCLD_BITMAP_HEADER and
// DCLD_BITMAP_DATA. An empty page writes nothing: the printer has nothing to print
// and the job carries no bitmap.
#pragma once

#include <functional>

#include "driver/page_pixels.h"
#include "platform/windef.h"

namespace trv::driver {

// Writes one record (type, payload, length); non-zero for success, zero with the
// last error set. The driver's writer hands the record to WritePrinter.
using RecordWriter = std::function<BOOL(DWORD type, const void* payload, DWORD length)>;

struct PageSettings {
  WORD renderMode = 4;        // 0, 1, 2 reduce a 24-bpp surface; anything else is 1-bpp
  bool sendBitsAsIs = false;  // the surface bytes as they are, taken as 1-bpp rows
  bool landscape = false;
  ByteOrder order = ByteOrder::kBgr;
};

enum class PageResult { kWritten, kEmpty, kFailed };

// Fails (kFailed, last error set) when a bitmap cannot be allocated
// (ERROR_NOT_ENOUGH_MEMORY), when the surface cannot be described by a bitmap
// header (ERROR_INVALID_PARAMETER) or when a record write fails.
PageResult ReducePage(const SurfaceView& surface, const PageSettings& settings,
                      const RecordWriter& write);

// The two records of a finished bitmap; the header's result stops the data.
BOOL WritePageBitmap(const PageBitmap& page, const RecordWriter& write);

}  // namespace trv::driver
