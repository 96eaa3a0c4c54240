// trvjob --image reads its page bitmaps from PBM, PGM and PNG files; grey goes black
// below half grey.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

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
  fs::path dir_;
};

TEST_F(ImageFiles, EachFormatGivesTheSamePage) {
  const std::string expected = "#.#.#\n.#.#.\n";
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
      Write("plain.pbm", "P1\n# a comment\n5 2\n1 0 1 0 1\n0 1 0 1 0\n"),
      Write("raw.pbm", std::string("P4\n5 2\n") + "\xA8" + "\x50"),
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

}  // namespace
}  // namespace trv::samples
