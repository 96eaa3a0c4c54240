#include "driver/page_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "driver/tests/captured_job.h"
#include "platform/kernel.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

using Bytes = std::vector<BYTE>;

using testing::CapturedJob;

struct Surface {
  Surface(DWORD width, DWORD height, int bpp) {
    view.width = width;
    view.height = height;
    view.bitsPerPixel = bpp;
    view.stride = (width * bpp + 31) / 32 * 4;
    bytes.assign(view.byteSize(), 0xFF);
    view.bits = bytes.data();
  }
  Bytes bytes;
  SurfaceView view;
};

TEST(ReducePage, AnAllWhitePageWritesNothing) {
  for (int bpp : {1, 24}) {
    Surface s(203, 40, bpp);
    CapturedJob job;
    for (WORD mode : {0, 1, 2, 4}) {
      PageSettings settings;
      settings.renderMode = mode;
      settings.landscape = mode == 1;
      EXPECT_EQ(ReducePage(s.view, settings, job.writer()), PageResult::kEmpty);
    }
    EXPECT_EQ(job.calls, 0);
  }
}

TEST(ReducePage, OneBitSurfaceGoesOutAsItIsWithWhiteRowEnds) {
  Surface s(203, 3, 1);
  s.bytes[0] = 0x0F;        // row 0: four black dots
  s.bytes[28 + 25] = 0x00;  // row 1: the last three dots and five beyond the width
  CapturedJob job;
  ASSERT_EQ(ReducePage(s.view, PageSettings{}, job.writer()), PageResult::kWritten);
  const auto records = job.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].first, spool::DCLD_BITMAP_HEADER);
  EXPECT_EQ(records[0].second, (Bytes{203, 0, 3, 0, 28, 0}));
  EXPECT_EQ(records[1].first, spool::DCLD_BITMAP_DATA);
  Bytes expected(28 * 3, 0xFF);
  expected[0] = 0x0F;
  expected[28 + 25] = 0x1F;
  EXPECT_EQ(records[1].second, expected);
}

TEST(ReducePage, ReducedAndTurnedForLandscape) {
  // A 24-bpp page 5 dots wide and 2 high with one dark dot at its top right.
  Surface s(5, 2, 24);
  s.bytes[4 * 3] = s.bytes[4 * 3 + 1] = s.bytes[4 * 3 + 2] = 10;
  CapturedJob job;
  PageSettings settings;
  settings.renderMode = 0;
  settings.landscape = true;
  ASSERT_EQ(ReducePage(s.view, settings, job.writer()), PageResult::kWritten);
  const auto records = job.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].second, (Bytes{2, 0, 5, 0, 4, 0}));
  Bytes expected(4 * 5, 0xFF);
  expected[0] = 0x7F;  // the top right dot is now at the top left
  EXPECT_EQ(records[1].second, expected);
}

TEST(ReducePage, BitsSentAsTheyAreSkipTheReduction) {
  Surface s(8, 1, 24);
  s.bytes[0] = 0x81;  // taken as eight 1-bpp pixels, not as a colour
  CapturedJob job;
  PageSettings settings;
  settings.renderMode = 2;
  settings.sendBitsAsIs = true;
  ASSERT_EQ(ReducePage(s.view, settings, job.writer()), PageResult::kWritten);
  EXPECT_EQ(job.records()[1].second, (Bytes{0x81, 0xFF, 0xFF, 0xFF}));
}

TEST(ReducePage, AFailedWriteFailsThePageAndStopsIt) {
  Surface s(16, 2, 1);
  s.bytes[0] = 0;
  for (int failAt : {0, 1}) {
    CapturedJob job;
    job.failAt = failAt;
    SetLastError(0);
    EXPECT_EQ(ReducePage(s.view, PageSettings{}, job.writer()), PageResult::kFailed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(job.calls, failAt + 1);  // nothing after the failed record
  }
}

}  // namespace
}  // namespace trv::driver
