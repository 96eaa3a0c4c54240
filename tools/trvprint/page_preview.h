// The page bitmaps of a print job as the graphics driver sent them: the job's bytes
// are heard as the driver spools them, and its bitmap records are read back page by
// page, so a preview shows what the printer was given, not a second rendering.
//
// Of the job's records only these matter here (all little-endian):
//   DCLD_BITMAP_HEADER  u16 width in dots, u16 height in rows, u16 stride in bytes
//   DCLD_BITMAP_DATA    height rows of stride bytes, top row first, bit 7 leftmost,
//                       1 white and 0 black
//   DCLD_PAGE_END       ends a page; a page without the two above had no dots to send
#pragma once

#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "tools/trvjob/image_page.h"

namespace trvprint {

// Hears every job this process spools while it lives.
class JobCapture {
 public:
  JobCapture();
  ~JobCapture();
  JobCapture(const JobCapture&) = delete;
  JobCapture& operator=(const JobCapture&) = delete;

  // The bytes of the one job spooled while listening; false with a message when
  // there was none, or more than one.
  bool TheJob(std::vector<BYTE>* bytes, std::string* error) const;

 private:
  int cookie_ = 0;
  mutable std::mutex lock_;
  std::map<DWORD, std::vector<BYTE>> jobs_;
};

// One page of a job, in the job's order.
struct SentPage {
  bool hasBitmap = false;  // false: the page went without a bitmap (nothing as dots)
  trv::samples::ImagePage bitmap;
};

// Reads the pages of a record stream. False with a message for bytes that are not
// whole records, a bitmap header that is short or narrower than its width, bitmap
// data without a header or shorter than the header said, or a page left unended.
bool SentPages(std::span<const BYTE> job, std::vector<SentPage>* pages, std::string* error);

// Whether a preview can be written at `path`, checked before anything is printed: the
// file is opened for appending (an existing file keeps its bytes, a new one is
// removed again).
bool CheckPreviewPath(const std::string& path, std::string* error);

// Writes the bitmap of page n to NumberedPagePath(path, n): path, then path-2.png and
// so on. Pages without a bitmap get no file; `notes` says which. False with a message
// when a file cannot be written.
bool WritePreview(const std::string& path, const std::vector<SentPage>& pages,
                  std::vector<std::string>* written, std::vector<std::string>* notes,
                  std::string* error);

}  // namespace trvprint
