// trvjob --image reads its page bitmaps from PBM, PGM and PNG files and reduces grey
// with the graphics driver's reductions: by threshold a dot is white only above half
// grey (128).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#include "driver/page_pixels.h"
#include "tools/trvjob/image_page.h"

namespace trv::samples {
namespace {

namespace fs = std::filesystem;

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("trvjob-images-" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Black dots of a page, row by row, as '#' and '.'.
  static std::string Dots(const ImagePage& page) {
    std::string out;
    for (DWORD y = 0; y < page.height; ++y) {
      for (DWORD x = 0; x < page.width; ++x)
        out += (page.rows[size_t{y} * page.stride + x / 8] & (0x80u >> (x % 8))) ? '.' : '#';
      out += '\n';
    }
    return out;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  fs::path dir_;
};

TEST_F(ImageFiles, EachFormatGivesTheSamePage) {
  // The PBM files hold the same dots as the grey ones reduce to: 127 and 128 are
  // black, 144 (the first value above 128) white.
  const std::string expected = "#.###\n.#.#.\n";
  const std::string grey =
      std::string("\x00\xFF\x7F\x80\x10", 5) + std::string("\xF0\x00\xC0\x01\x90", 5);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 5;
  image.height = 2;
  image.format = PNG_FORMAT_GRAY;
  const std::string png = (dir_ / "page.png").string();
  ASSERT_TRUE(png_image_write_to_file(&image, png.c_str(), 0, grey.data(), 0, nullptr));
  const std::string files[] = {
      Write("plain.pbm", "P1\n# a comment\n5 2\n1 0 1 1 1\n0 1 0 1 0\n"),
      Write("raw.pbm", std::string("P4\n5 2\n") + "\xB8" + "\x50"),
      Write("plain.pgm", "P2 5 2 255\n0 255 127 128 16\n240 0 192 1 144\n"),
      Write("raw.pgm", "P5\n5 2\n255\n" + grey),
      png,
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ImagePage page = ReadImagePage(file);
    EXPECT_EQ(page.stride, 4u);
    EXPECT_EQ(Dots(page), expected);
    // Bits past the width stay white.
    EXPECT_EQ(page.rows[0] & 0x07, 0x07);
  }
}

// Each reduction is the driver's: a page of the image's greys reduced as the driver
// reduces it. An even grey of 128 in ordered dither is half the dots of every 8 x 8
// block; black and white come through every reduction unchanged.
TEST_F(ImageFiles, GreyIsReducedAsTheDriverReducesIt) {
  const DWORD w = 21, h = 11;  // rows of three bytes, the last one partly past the width
  std::string ramp;
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) ramp += static_cast<char>((x * 12 + y * 5) % 256);
  const std::string file = Write("ramp.pgm", "P5\n21 11\n255\n" + ramp);
  const std::pair<Reduction, driver::PageBitmap (*)(const driver::SurfaceView&, driver::ByteOrder)>
      methods[] = {{Reduction::kThreshold, driver::ReduceThreshold},
                   {Reduction::kOrderedDither, driver::ReduceOrderedDither},
                   {Reduction::kErrorDiffusion, driver::ReduceErrorDiffusion}};
  const DWORD stride = (w * 3 + 3) / 4 * 4;
  std::vector<BYTE> surface(size_t{stride} * h);
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x)
      for (DWORD c = 0; c < 3; ++c)
        surface[size_t{y} * stride + 3 * x + c] = static_cast<BYTE>(ramp[y * w + x]);
  driver::SurfaceView view;
  view.width = w;
  view.height = h;
  view.stride = stride;
  view.bitsPerPixel = 24;
  view.bits = surface.data();
  for (const auto& [reduction, reduce] : methods) {
    SCOPED_TRACE(static_cast<int>(reduction));
    driver::PageBitmap expected = reduce(view, driver::ByteOrder::kBgr);
    driver::WhitenRowEnds(expected);
    const ImagePage page = ReadImagePage(file, reduction);
    EXPECT_EQ(page.width, w);
    EXPECT_EQ(page.height, h);
    EXPECT_EQ(page.stride, 4u);
    EXPECT_EQ(page.rows, expected.bits);
  }

  const std::string grey = Write("grey.pgm", "P5\n8 8\n255\n" + std::string(64, '\x80'));
  const std::string dots = Dots(ReadImagePage(grey, Reduction::kOrderedDither));
  EXPECT_EQ(std::count(dots.begin(), dots.end(), '.'), 32);
  EXPECT_EQ(std::count(dots.begin(), dots.end(), '#'), 32);
  const std::string logo = Write("logo.pbm", "P1\n5 2\n1 0 1 1 1\n0 1 0 1 0\n");
  for (Reduction reduction :
       {Reduction::kThreshold, Reduction::kOrderedDither, Reduction::kErrorDiffusion})
    EXPECT_EQ(Dots(ReadImagePage(logo, reduction)), "#.###\n.#.#.\n");
}

TEST_F(ImageFiles, BadFilesAreRefusedByName) {
  const std::string files[] = {
      Write("text.txt", "hello"),
      Write("short.pbm", std::string("P4\n16 2\n") + '\0'),
      Write("empty.pgm", "P5\n0 3\n255\n"),
      (dir_ / "missing.png").string(),
  };
  for (const std::string& file : files) {
    try {
      ReadImagePage(file);
      ADD_FAILURE() << file << " was read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
}

// A page written as PNG reads back dot for dot at every width, whatever its padding
// bits held; the same dots make the same file, one dot more makes another.
TEST_F(ImageFiles, PagesWrittenAsPngReadBackDotForDot) {
  std::mt19937 random(7);
  for (DWORD width : {1u, 8u, 33u, 203u}) {
    for (DWORD height : {1u, 5u}) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
      ImagePage page{width, height, (width + 31) / 32 * 4, {}};
      page.rows.resize(size_t{page.stride} * height);
      for (BYTE& b : page.rows) b = static_cast<BYTE>(random());
      const std::string path = (dir_ / "page.png").string();
      WritePagePng(path, page);
      const ImagePage back = ReadImagePage(path);
      ASSERT_EQ(back.width, width);
      ASSERT_EQ(back.height, height);
      EXPECT_EQ(Dots(back), Dots(page));
      // Only the padding differs: the same file.
      ImagePage padded = page;
      for (DWORD y = 0; y < height; ++y)
        for (DWORD x = width; x < page.stride * 8; ++x)
          padded.rows[size_t{y} * page.stride + x / 8] ^= static_cast<BYTE>(0x80u >> (x % 8));
      const std::string again = (dir_ / "again.png").string();
      WritePagePng(again, padded);
      EXPECT_EQ(ReadFile(again), ReadFile(path));
      // One dot more: another file.
      padded.rows[size_t{height - 1} * page.stride + (width - 1) / 8] ^=
          static_cast<BYTE>(0x80u >> ((width - 1) % 8));
      WritePagePng(again, padded);
      EXPECT_NE(ReadFile(again), ReadFile(path));
    }
  }
}

TEST_F(ImageFiles, PageFilesAreNumberedBeforeTheirEnding) {
  const struct {
    const char* path;
    size_t number;
    const char* expected;
  } cases[] = {
      {"out.png", 1, "out.png"},
      {"out.png", 2, "out-2.png"},
      {"dir/a.b.PNG", 12, "dir/a.b-12.PNG"},
      {"out", 3, "out-3"},
      {"dir.png/out", 2, "dir.png/out-2"},
      {".png", 2, "-2.png"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NumberedPagePath(c.path, c.number), c.expected) << c.path << " " << c.number;
}

TEST_F(ImageFiles, AnUnwritablePngIsRefusedByName) {
  const std::string path = (dir_ / "no such folder" / "page.png").string();
  ImagePage page{8, 1, 4, std::vector<BYTE>(4, 0)};
  try {
    WritePagePng(path, page);
    ADD_FAILURE() << path << " was written";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace trv::samples
