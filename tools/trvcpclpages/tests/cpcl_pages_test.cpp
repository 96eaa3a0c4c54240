// The CPCL graphics reader: PCX images decoded from known bytes and from the CPCL
// back-end's own encoder, labels of a job laid out at their places, broken images and
// jobs refused, and a comparison that finds a single dot.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "dcl/cpcl/pcx.h"
#include "dcl/object/page_bitmap.h"
#include "tools/trvcpclpages/cpcl_pages.h"

namespace trv::cpclpages {
namespace {

using Bytes = std::vector<BYTE>;

void PutWord(Bytes& b, size_t at, unsigned v) {
  b[at] = static_cast<BYTE>(v);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}

// A PCX header for an image of `width` x `rows`, palette 0 black and 1 white, then
// the encoded lines.
Bytes Pcx(unsigned width, unsigned rows, unsigned lineBytes, const Bytes& lines) {
  Bytes b(kPcxHeaderSize + lines.size(), 0);
  std::copy(lines.begin(), lines.end(), b.begin() + kPcxHeaderSize);
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = 1;
  b[3] = 1;
  PutWord(b, 8, width - 1);
  PutWord(b, 10, rows - 1);
  b[19] = b[20] = b[21] = 0xFF;
  b[65] = 1;
  PutWord(b, 66, lineBytes);
  return b;
}

bool Black(const ImagePage& p, DWORD x, DWORD y) {
  return (p.rows[size_t{y} * p.stride + x / 8] & (0x80u >> (x % 8))) == 0;
}

// The bytes of the first `width` dots of each row.
Bytes Dots(const ImagePage& p) {
  Bytes out;
  for (DWORD y = 0; y < p.height; ++y)
    for (DWORD x = 0; x < p.width; ++x) out.push_back(Black(p, x, y) ? 1 : 0);
  return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(Pcx, KnownLinesDecode) {
  const struct {
    unsigned width;
    Bytes encoded;
    Bytes line;  // the first bytes of the decoded line
  } cases[] = {
      {512, {0xFF, 0x00, 0xC1, 0x00}, Bytes(64, 0x00)},  // 63 + 1 bytes of 0
      {32, {0xC1, 0xC5, 0x3F, 0xC2, 0xFF}, {0xC5, 0x3F, 0xFF, 0xFF}},
      {8, {0x0F, 0xC3, 0xFF}, {0x0F}},  // a byte of dots and three of padding
  };
  for (const auto& c : cases) {
    const unsigned lineBytes = (c.width + 31) / 32 * 4;
    const Bytes pcx = Pcx(c.width, 1, lineBytes, c.encoded);
    ImagePage image;
    size_t used = 0;
    std::string error;
    ASSERT_TRUE(DecodePcx(pcx, &image, &used, &error)) << error;
    EXPECT_EQ(used, pcx.size());
    ASSERT_EQ(image.width, c.width);
    EXPECT_EQ(Bytes(image.rows.begin(), image.rows.begin() + c.line.size()), c.line);
  }
}

TEST(Pcx, BrokenImagesAreRefused) {
  Bytes wrongDepth = Pcx(8, 1, 4, {0xC4, 0x00});
  wrongDepth[3] = 8;
  Bytes twoPlanes = Pcx(8, 1, 4, {0xC4, 0x00});
  twoPlanes[65] = 2;
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"header cut short", Bytes(kPcxHeaderSize - 1, 0x0A)},
      {"8 bits per pixel", wrongDepth},
      {"two planes", twoPlanes},
      {"line narrower than the width", Pcx(64, 1, 4, {0xC4, 0x00})},
      {"data cut short", Pcx(8, 2, 4, {0xC4, 0x00, 0xC3})},
      {"run across the line end", Pcx(8, 2, 4, {0xC8, 0x00})},
      {"run of no bytes", Pcx(8, 1, 4, {0xC0, 0x00, 0xC4, 0x00})},
  };
  for (const auto& c : cases) {
    ImagePage image;
    size_t used = 0;
    std::string error;
    EXPECT_FALSE(DecodePcx(c.bytes, &image, &used, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

// The back-end's encoder and this reader agree on every dot of random rectangles of
// random pages, and on where each image ends.
TEST(Pcx, TheBackEndsImagesRoundTrip) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const DWORD width = 1 + random() % 300, height = 1 + random() % 20;
    const DWORD stride = (width + 31) / 32 * 4;
    Bytes rows(size_t{stride} * height);
    // Sparse or dense black, so that long runs and single bytes both occur.
    const unsigned density = random() % 4;
    for (BYTE& b : rows) b = random() % 4 < density ? static_cast<BYTE>(random()) : 0xFF;
    dcl::PageBitmap page;
    ASSERT_TRUE(page.Begin(width, height, stride));
    ASSERT_TRUE(page.Take(rows));
    dcl::ByteRect rect;
    rect.left = random() % stride;
    rect.right = rect.left + random() % (stride - rect.left);
    rect.top = random() % height;
    rect.bottom = rect.top + random() % (height - rect.top);
    Bytes encoded;
    dcl::EncodePcxImage(page, rect, encoded);
    encoded.push_back(0x42);  // what follows the image is not taken

    ImagePage image;
    size_t used = 0;
    std::string error;
    ASSERT_TRUE(DecodePcx(encoded, &image, &used, &error)) << error;
    EXPECT_EQ(used, encoded.size() - 1);
    ASSERT_EQ(image.width, 8 * (rect.right - rect.left + 1));
    ASSERT_EQ(image.height, rect.bottom - rect.top + 1);
    for (DWORD y = 0; y < image.height; ++y)
      for (DWORD x = 0; x < image.width; ++x) {
        const DWORD px = 8 * rect.left + x, py = rect.top + y;
        const bool expected =
            px / 8 < stride && (rows[size_t{py} * stride + px / 8] & (0x80u >> (px % 8))) == 0;
        ASSERT_EQ(Black(image, x, y), expected) << round << ": dot " << px << "," << py;
      }
  }
}

// Two labels with a font download and a utility command between them: each label's
// images at their places (where they overlap, black wins, as on paper), its other
// commands passed over.
TEST(CpclLabels, ImagesAreLaidOnTheirLabels) {
  // 8 dots wide, 2 rows: row 0 has dots 0 and 7, row 1 dot 3.
  const Bytes first = Pcx(8, 2, 4, {0x7E, 0xC3, 0xFF, 0xC1, 0xEF, 0xC3, 0xFF});
  // 16 dots wide, 1 row, all black.
  const Bytes second = Pcx(16, 1, 4, {0xC2, 0x00, 0xC2, 0xFF});
  Bytes job = Text("! 0 203 203 30 2\r\nPW 32\r\nT 4 0 1 1 PCX 0 0\r\nPCX 8 5\r\n");
  job.insert(job.end(), first.begin(), first.end());
  // The same image again, overlapping: its white leaves the first image's black.
  const Bytes again = Text("PCX 12 5\r\n");
  job.insert(job.end(), again.begin(), again.end());
  job.insert(job.end(), first.begin(), first.end());
  // The font's four bytes would read as a PCX command outside a label if they were not
  // passed over.
  const std::string font = "! CISDF\r\n00000009.CPF\r\n00000004\r\nFFFF\r\nPCX\n";
  const std::string between = "L 0 0 5 5 1\r\nPRINT\r\n! U1 SETVAR \"a\" \"b\"\r\n" + font +
                              "! 5 203 203 10 1\r\nPCX 16 9\r\n";
  job.insert(job.end(), between.begin(), between.end());
  job.insert(job.end(), second.begin(), second.end());
  const Bytes end = Text("FORM\r\nPRINT\r\n");
  job.insert(job.end(), end.begin(), end.end());

  std::vector<Label> labels;
  std::string error;
  ASSERT_TRUE(DecodeLabels(job, &labels, &error)) << error;
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0].copies, 2u);
  EXPECT_EQ(labels[0].width, 32u);
  EXPECT_EQ(labels[0].images, 2u);
  EXPECT_EQ(labels[0].dots.width, 32u);
  EXPECT_EQ(labels[0].dots.height, 30u);
  Bytes expected(32 * 30, 0);
  expected[5 * 32 + 8] = expected[5 * 32 + 15] = expected[6 * 32 + 11] = 1;
  expected[5 * 32 + 12] = expected[5 * 32 + 19] = expected[6 * 32 + 15] = 1;
  EXPECT_EQ(Dots(labels[0].dots), expected);

  EXPECT_EQ(labels[1].offset, 5u);
  EXPECT_EQ(labels[1].images, 1u);
  // No "PW": as wide as its image reaches, as high as the label.
  EXPECT_EQ(labels[1].dots.width, 32u);
  EXPECT_EQ(labels[1].dots.height, 10u);
  expected.assign(32 * 10, 0);
  for (int x = 16; x < 32; ++x) expected[9 * 32 + x] = 1;
  EXPECT_EQ(Dots(labels[1].dots), expected);
}

TEST(CpclLabels, JobsThatCannotBeShownAreRefused) {
  const Bytes image = Pcx(8, 1, 4, {0xC4, 0x00});
  const auto with = [&](const std::string& before, const std::string& after) {
    Bytes job = Text(before);
    job.insert(job.end(), image.begin(), image.end());
    const Bytes tail = Text(after);
    job.insert(job.end(), tail.begin(), tail.end());
    return job;
  };
  const struct {
    const char* what;
    Bytes job;
  } cases[] = {
      {"label not printed", with("! 0 203 203 10 1\r\nPCX 0 0\r\n", "")},
      {"PCX outside a label", with("PCX 0 0\r\n", "")},
      {"label inside a label", Text("! 0 203 203 10 1\r\n! 0 203 203 10 1\r\nPRINT\r\n")},
      {"PCX without place", with("! 0 203 203 10 1\r\nPCX 0\r\n", "PRINT\r\n")},
      {"PCX with a negative place", with("! 0 203 203 10 1\r\nPCX -8 0\r\n", "PRINT\r\n")},
      {"image cut short", Text("! 0 203 203 10 1\r\nPCX 0 0\r\n\x0A\x05")},
      {"image beyond 65535 dots", with("! 0 203 203 10 1\r\nPCX 65535 0\r\n", "PRINT\r\n")},
      {"compressed graphics", Text("! 0 203 203 10 1\r\nCG 1 1 0 0 \xFF\r\nPRINT\r\n")},
      {"expanded graphics", Text("! 0 203 203 10 1\r\nEG 1 1 0 0 FF\r\nPRINT\r\n")},
      {"font bigger than the job", Text("! CISDF\r\nF.CPF\r\n00000100\r\n0000\r\nab")},
  };
  for (const auto& c : cases) {
    std::vector<Label> labels;
    std::string error;
    EXPECT_FALSE(DecodeLabels(c.job, &labels, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

// One dot changed anywhere, inside both pages or where only the wider one reaches, is
// found at its place; the same dots on pages of other padding or size differ in
// nothing.
TEST(CompareDots, FindsASingleDot) {
  ImagePage a{20, 3, 4, Bytes(12, 0xFF)};
  a.rows[4] = 0x0F;  // dots 0 to 3 of row 1
  ImagePage padded = a;
  padded.rows[3] = 0x00;  // dots 24 to 31 of row 0: past the width
  ImagePage wide{40, 4, 8, Bytes(32, 0xFF)};
  wide.rows[8] = 0x0F;
  EXPECT_EQ(CompareDots(a, padded).dots, 0u);
  EXPECT_EQ(CompareDots(wide, a).dots, 0u);
  const struct {
    DWORD x, y;
    bool inWide;  // the dot changes on the wide page, else on the narrow one
  } cases[] = {{0, 0, false}, {19, 2, false}, {2, 1, false}, {30, 0, true}, {5, 3, true}};
  for (const auto& c : cases) {
    ImagePage changed = c.inWide ? wide : a;
    changed.rows[size_t{c.y} * changed.stride + c.x / 8] ^= static_cast<BYTE>(0x80u >> (c.x % 8));
    const Difference d = c.inWide ? CompareDots(changed, a) : CompareDots(wide, changed);
    EXPECT_EQ(d.dots, 1u) << c.x << "," << c.y;
    EXPECT_EQ(d.firstX, c.x);
    EXPECT_EQ(d.firstY, c.y);
  }
  EXPECT_TRUE(HasBlack(a));
  EXPECT_FALSE(HasBlack(ImagePage{40, 4, 8, Bytes(32, 0xFF)}));
}

}  // namespace
}  // namespace trv::cpclpages
