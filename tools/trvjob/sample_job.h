// A well-formed sample job in the record stream, as the graphics driver would
// write it: the option blobs, the document, and per page a bitmap followed by a
// few page objects. Used by trvjob and by the reader benchmark.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "tools/trvjob/image_page.h"

namespace trv::samples {

struct SampleJobOptions {
  DWORD width = 812;    // page width in dots
  DWORD height = 1218;  // page height in dots
  DWORD pages = 1;
  DWORD objects = 4;  // page objects per page: text, bar code, line, raw command, box in turn
  // Printer bytes written before the stream, as an application's own commands.
  std::string rawPrefix;
  // When given, one page per image with the image as its bitmap (the page size is
  // the largest image's).
  std::vector<ImagePage> images;
};

// The largest page a bitmap header can describe.
inline constexpr DWORD kMaxPageDots = 0xFFFF;

// Throws std::invalid_argument for a page of 0 dots or wider or taller than
// kMaxPageDots.
std::vector<BYTE> MakeSampleJob(const SampleJobOptions& options);

}  // namespace trv::samples
