// CPCL graphics checked from the printer's side: the command stream is parsed and
// every PCX image decoded by a decoder of the test's own (the usual PCX reading of
// the header and the run-length code, nothing taken from the encoder); the black
// pixels the printer would print must be exactly the page's black pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "dcl/cpcl/pcx.h"
#include "dcl/cpcl/tests/cpcl_job.h"
#include "platform/kernel.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace trv::dcl::testing {
namespace {

struct Page {
  DWORD width, height, stride;
  std::vector<BYTE> rows;
  bool Black(DWORD x, DWORD y) const {
    return (rows[size_t{y} * stride + x / 8] & (0x80u >> (x % 8))) == 0;
  }
};

Page MakePage(DWORD width, DWORD height, const std::function<bool(DWORD, DWORD)>& black) {
  Page p{width, height, (width + 31) / 32 * 4, {}};
  p.rows.assign(size_t{p.stride} * height, 0xFF);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x)
      if (black(x, y))
        p.rows[size_t{y} * p.stride + x / 8] &= static_cast<BYTE>(~(0x80u >> (x % 8)));
  return p;
}

WORD Word(const std::string& s, size_t at) {
  return static_cast<WORD>(static_cast<BYTE>(s[at]) | static_cast<BYTE>(s[at + 1]) << 8);
}

// What a printer would print of the graphics in a stream: each "PCX x y" line is
// followed by an image; the images' black pixels are drawn on a canvas.
struct Printed {
  std::vector<std::vector<bool>> canvas;
  int images = 0;
  bool outside = false;  // black drawn off the page
  std::string error;
};

Printed Decode(const std::string& stream, DWORD width, DWORD height) {
  Printed out;
  out.canvas.assign(height, std::vector<bool>(width, false));
  size_t at = 0;
  while ((at = stream.find("PCX ", at)) != std::string::npos) {
    size_t end = stream.find("\r\n", at);
    unsigned px = 0, py = 0;
    if (end == std::string::npos || std::sscanf(stream.c_str() + at, "PCX %u %u", &px, &py) != 2) {
      out.error = "bad PCX line";
      return out;
    }
    size_t h = end + 2;
    if (stream.size() < h + 128 || static_cast<BYTE>(stream[h]) != 0x0A || stream[h + 1] != 5 ||
        stream[h + 2] != 1 || stream[h + 3] != 1 || stream[h + 65] != 1) {
      out.error = "bad PCX header";
      return out;
    }
    const DWORD xmin = Word(stream, h + 4), ymin = Word(stream, h + 6);
    const DWORD w = Word(stream, h + 8) - xmin + 1, rows = Word(stream, h + 10) - ymin + 1;
    const DWORD lineBytes = Word(stream, h + 66);
    // Palette entry 0 black, entry 1 white: a set bit is white.
    if (static_cast<BYTE>(stream[h + 19]) != 0xFF || stream[h + 16] != 0) {
      out.error = "palette";
      return out;
    }
    size_t p = h + 128;
    std::vector<BYTE> line;
    for (DWORD r = 0; r < rows; ++r) {
      line.clear();
      while (line.size() < lineBytes) {
        if (p >= stream.size()) {
          out.error = "image cut short";
          return out;
        }
        BYTE b = static_cast<BYTE>(stream[p++]);
        size_t count = 1;
        if ((b & 0xC0) == 0xC0) {
          count = b & 0x3F;
          if (p >= stream.size()) {
            out.error = "run cut short";
            return out;
          }
          b = static_cast<BYTE>(stream[p++]);
        }
        line.insert(line.end(), count, b);
      }
      if (line.size() != lineBytes) {
        out.error = "run crosses a line end";
        return out;
      }
      for (DWORD x = 0; x < w; ++x) {
        if (line[x / 8] & (0x80u >> (x % 8))) continue;
        const DWORD cx = px + x, cy = py + r;
        if (cx >= width || cy >= height)
          out.outside = true;
        else
          out.canvas[cy][cx] = true;
      }
    }
    ++out.images;
    at = p;
  }
  return out;
}

// Prints one page bitmap and compares what arrives with the page.
void ExpectPrintedExactly(const Page& page, bool regions, int* images = nullptr) {
  TestCpcl layer;
  OptionBlobs options;
  if (regions) options.Setting(0x3021, 1);
  std::vector<Record> job =
      PageJob(options, page.width, page.height, 1,
              {BitmapHeader(static_cast<WORD>(page.width), static_cast<WORD>(page.height),
                            static_cast<WORD>(page.stride)),
               BitmapData(page.rows)});
  ASSERT_EQ(Feed(layer, job), job.size()) << GetLastError();
  Printed printed = Decode(Script().written, page.width, page.height);
  ASSERT_EQ(printed.error, "");
  EXPECT_FALSE(printed.outside);
  for (DWORD y = 0; y < page.height; ++y)
    for (DWORD x = 0; x < page.width; ++x)
      ASSERT_EQ(printed.canvas[y][x], page.Black(x, y)) << "pixel " << x << "," << y;
  if (images != nullptr) *images = printed.images;
}

TEST(CpclGraphics, RandomPagesPrintExactlyInBothModes) {
  std::mt19937 random(11);
  for (int i = 0; i < 12; ++i) {
    const DWORD width = 1 + random() % 300, height = 1 + random() % 120;
    const unsigned density = 2 + random() % 40;
    Page page = MakePage(width, height, [&](DWORD, DWORD) { return random() % density == 0; });
    for (bool regions : {false, true}) {
      SCOPED_TRACE(::testing::Message() << width << "x" << height << (regions ? " regions" : ""));
      ExpectPrintedExactly(page, regions);
    }
  }
}

TEST(CpclGraphics, EdgePagesPrintExactly) {
  struct Case {
    const char* name;
    DWORD width, height;
    std::function<bool(DWORD, DWORD)> black;
  };
  const Case cases[] = {
      {"first column", 200, 50, [](DWORD x, DWORD) { return x == 0; }},
      {"last column", 200, 50, [](DWORD x, DWORD) { return x == 199; }},
      {"last column of a full stride", 256, 20,
       [](DWORD x, DWORD y) { return x == 255 && y % 3 == 0; }},
      {"one dot wide", 1, 40, [](DWORD, DWORD y) { return y % 2 == 0; }},
      {"one row", 333, 1, [](DWORD x, DWORD) { return x % 5 == 0; }},
      {"all black", 64, 64, [](DWORD, DWORD) { return true; }},
      {"corner dots", 160, 90,
       [](DWORD x, DWORD y) { return (x == 0 || x == 159) && (y == 0 || y == 89); }},
  };
  for (const Case& c : cases) {
    for (bool regions : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.name << (regions ? " regions" : ""));
      ExpectPrintedExactly(MakePage(c.width, c.height, c.black), regions);
    }
  }
}

TEST(CpclGraphics, RegionsSendFarApartAreasAsTwoImages) {
  Page page = MakePage(800, 400, [](DWORD x, DWORD y) {
    return (x < 16 && y < 16) || (x >= 700 && y >= 350 && y < 370);
  });
  int images = 0;
  ExpectPrintedExactly(page, true, &images);
  EXPECT_EQ(images, 2);
  ExpectPrintedExactly(page, false, &images);
  EXPECT_EQ(images, 1);
}

TEST(CpclGraphics, BoundingBoxOfOneByte) {
  // The only black byte at row 10, byte column 3 of a 100-byte-wide page.
  Page page = MakePage(800, 40, [](DWORD x, DWORD y) { return y == 10 && x >= 24 && x < 32; });
  TestCpcl layer;
  std::vector<Record> job =
      PageJob(OptionBlobs(), 800, 40, 1, {BitmapHeader(800, 40, 100), BitmapData(page.rows)});
  ASSERT_EQ(Feed(layer, job), job.size());
  const std::string& s = Script().written;
  size_t at = s.find("PCX 8 8\r\n");
  ASSERT_NE(at, std::string::npos) << Visible(s);
  const size_t h = at + 9;
  EXPECT_EQ(Word(s, h + 8), 39);  // columns 1 to 5: 40 pixels
  EXPECT_EQ(Word(s, h + 10), 4);  // rows 8 to 12
  EXPECT_EQ(Word(s, h + 66), 8);  // 40 pixels padded to 64
}

TEST(CpclGraphics, WhitePageSendsNoGraphics) {
  Page page = MakePage(100, 30, [](DWORD, DWORD) { return false; });
  for (bool regions : {false, true}) {
    TestCpcl layer;
    OptionBlobs options;
    if (regions) options.Setting(0x3021, 1);
    std::vector<Record> job =
        PageJob(options, 100, 30, 1, {BitmapHeader(100, 30, 16), BitmapData(page.rows)});
    ASSERT_EQ(Feed(layer, job), job.size());
    EXPECT_EQ(Script().written.find("PCX"), std::string::npos);
  }
}

TEST(CpclGraphics, ShortBitmapDataFailsAndSendsNothing) {
  TestCpcl layer;
  std::vector<Record> job =
      PageJob(OptionBlobs(), 100, 30, 1,
              {BitmapHeader(100, 30, 16), BitmapData(std::vector<BYTE>(479, 0))});
  EXPECT_EQ(Feed(layer, job), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(Script().written.find("PCX"), std::string::npos);
}

TEST(CpclGraphics, HeaderWhoseStrideCannotHoldItsWidthIsRefused) {
  TestCpcl layer;
  std::vector<Record> job = PageJob(OptionBlobs(), 100, 30, 1, {BitmapHeader(100, 30, 12)});
  EXPECT_EQ(Feed(layer, job), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CpclGraphics, DataWithoutHeaderIsPrinterDataPlacedBefore) {
  TestCpcl layer;
  const std::vector<BYTE> image{0x0A, 0x05, 0x01, 0xC3, 0x00};
  std::vector<Record> job =
      PageJob(OptionBlobs().Setting(0x3021, 1), 100, 30, 1,
              {spool::EncodeRecord(spool::DCLD_IMAGE_BEGIN,
                                   std::vector<BYTE>{0x02, 0x20, 16, 0, 24, 0, 0, 0, 0, 0}),
               BitmapData(image)});
  ASSERT_EQ(Feed(layer, job), job.size()) << GetLastError();
  EXPECT_EQ(Visible(Script().written),
            Visible("! 0 203 203 31 1\r\nPW 128\r\nPCX 16 24\r\n" +
                    std::string(image.begin(), image.end()) + "PRINT\r\n"));
}

TEST(CpclGraphics, AFailedImageWriteFailsTheRecordAndTheRetrySendsThePage) {
  Page page = MakePage(64, 8, [](DWORD x, DWORD y) { return x == y; });
  TestCpcl layer;
  std::vector<Record> job =
      PageJob(OptionBlobs(), 64, 8, 1, {BitmapHeader(64, 8, 8), BitmapData(page.rows)});
  std::vector<Record> head(job.begin(), job.begin() + 5);
  ASSERT_EQ(Feed(layer, head), head.size());
  const size_t before = Script().written.size();
  Script().writesBeforeFail = 1;  // the "PCX" line goes, the image does not
  Record& data = job[5];
  EXPECT_FALSE(layer.ProcessRecord(std::span<BYTE>(data.data(), data.size())));
  Script().writesBeforeFail = -1;
  Script().written.resize(before);  // what the printer got of the failed attempt aside
  std::vector<Record> rest(job.begin() + 5, job.end());
  ASSERT_EQ(Feed(layer, rest), rest.size());
  Printed printed = Decode(Script().written, 64, 8);
  EXPECT_EQ(printed.images, 1);
  for (DWORD y = 0; y < 8; ++y)
    for (DWORD x = 0; x < 64; ++x) EXPECT_EQ(printed.canvas[y][x], page.Black(x, y));
}

TEST(PcxLine, RunsAndSingleBytes) {
  struct Case {
    std::vector<BYTE> in, out;
  };
  std::vector<BYTE> zeros64(64, 0x00);
  std::vector<BYTE> sevenTy(70, 0xAA);
  const Case cases[] = {
      {zeros64, {0xFF, 0x00, 0xC1, 0x00}},
      {{0xC5}, {0xC1, 0xC5}},
      {{0x3F}, {0x3F}},
      {sevenTy, {0xFF, 0xAA, 0xC7, 0xAA}},
      {{0x01, 0x01, 0x02}, {0xC2, 0x01, 0x02}},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> out;
    EncodePcxLine(c.in.data(), c.in.size(), out);
    EXPECT_EQ(out, c.out);
  }
}

}  // namespace
}  // namespace trv::dcl::testing
