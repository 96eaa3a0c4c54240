// The page bitmaps trvprint reads back from a job's records: one entry per page in
// the job's order, the bitmap exactly as its data record carried it, a page sent
// without a bitmap marked so, and streams that are not whole records refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "spool/record.h"
#include "spool/writer.h"
#include "tools/trvprint/page_preview.h"

namespace trvprint {
namespace {

using Bytes = std::vector<BYTE>;
using namespace trv::spool;

void Add(Bytes& job, DWORD type, const Bytes& payload) {
  const Bytes r = EncodeRecord(type, payload);
  job.insert(job.end(), r.begin(), r.end());
}

Bytes Header(WORD width, WORD height, WORD stride) {
  Bytes p(6);
  WriteU16(p.data(), width);
  WriteU16(p.data() + 2, height);
  WriteU16(p.data() + 4, stride);
  return p;
}

const Bytes kCopies{1, 0};

// A document as the driver writes it around the given page records.
Bytes Document(const std::vector<std::pair<DWORD, Bytes>>& pageRecords) {
  Bytes job;
  Add(job, DCLD_DEVPROPS, Bytes(20, 0));
  Add(job, DCLD_DOCPROPS, Bytes(32, 0));
  Add(job, DCLD_DOC_BEGIN, Bytes(12, 0));
  for (const auto& [type, payload] : pageRecords) Add(job, type, payload);
  Add(job, DCLD_DOC_END, {});
  return job;
}

TEST(SentPages, EachPageWithTheBitmapItsRecordsCarried) {
  Bytes first(8 * 2);  // 33 dots wide, 2 rows, 8 bytes a row
  for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<BYTE>(i * 37);
  const Bytes third(4 * 3, 0x0F);
  const Bytes job = Document({{DCLD_PAGE_BEGIN, Bytes(6, 0)},
                              {DCLD_BITMAP_HEADER, Header(33, 2, 8)},
                              {DCLD_BITMAP_DATA, first},
                              {DCLD_LINE, Bytes(DCLD_OBJECT_SIZE, 0)},
                              {DCLD_PAGE_END, kCopies},
                              {DCLD_PAGE_BEGIN, Bytes(6, 0)},  // nothing drawn as dots
                              {DCLD_PAGE_END, kCopies},
                              {DCLD_BITMAP_HEADER, Header(20, 3, 4)},  // no page begin
                              {DCLD_BITMAP_DATA, third},
                              {DCLD_PAGE_END, kCopies}});
  std::vector<SentPage> pages;
  std::string error;
  ASSERT_TRUE(SentPages(job, &pages, &error)) << error;
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].hasBitmap);
  EXPECT_EQ(pages[0].bitmap.width, 33u);
  EXPECT_EQ(pages[0].bitmap.height, 2u);
  EXPECT_EQ(pages[0].bitmap.stride, 8u);
  EXPECT_EQ(pages[0].bitmap.rows, first);
  EXPECT_FALSE(pages[1].hasBitmap);
  EXPECT_TRUE(pages[2].hasBitmap);
  EXPECT_EQ(pages[2].bitmap.width, 20u);
  EXPECT_EQ(pages[2].bitmap.rows, third);
}

TEST(SentPages, StreamsThatAreNotWholeRecordsAreRefused) {
  const Bytes good = Document({{DCLD_BITMAP_HEADER, Header(8, 1, 4)},
                               {DCLD_BITMAP_DATA, Bytes(4, 0)},
                               {DCLD_PAGE_END, kCopies}});
  Bytes badMagic = good;
  badMagic[DCLD_OFFSET_MAGIC] ^= 1;
  Bytes longPayload = good;
  WriteU32(longPayload.data() + DCLD_OFFSET_LENGTH, 0x10000);
  const struct {
    const char* what;
    Bytes job;
  } cases[] = {
      {"cut inside a record", Bytes(good.begin(), good.end() - 1)},
      {"bad magic", badMagic},
      {"payload past the end", longPayload},
      {"short bitmap header", Document({{DCLD_BITMAP_HEADER, Bytes(5, 1)}})},
      {"stride narrower than the width", Document({{DCLD_BITMAP_HEADER, Header(33, 1, 4)},
                                                   {DCLD_BITMAP_DATA, Bytes(4, 0)},
                                                   {DCLD_PAGE_END, kCopies}})},
      {"data without a header",
       Document({{DCLD_BITMAP_DATA, Bytes(4, 0)}, {DCLD_PAGE_END, kCopies}})},
      {"data shorter than its header", Document({{DCLD_BITMAP_HEADER, Header(8, 2, 4)},
                                                 {DCLD_BITMAP_DATA, Bytes(7, 0)},
                                                 {DCLD_PAGE_END, kCopies}})},
      {"page never ended", Document({{DCLD_PAGE_BEGIN, Bytes(6, 0)}})},
  };
  std::vector<SentPage> pages;
  std::string error;
  ASSERT_TRUE(SentPages(good, &pages, &error)) << error;
  for (const auto& c : cases) {
    error.clear();
    EXPECT_FALSE(SentPages(c.job, &pages, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace trvprint
