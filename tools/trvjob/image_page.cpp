#include "tools/trvjob/image_page.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "driver/page_pixels.h"
#include "tools/trvjob/sample_job.h"

namespace trv::samples {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& problem) {
  throw std::runtime_error(path + ": " + problem);
}

GreyImage BlankImage(const std::string& path, DWORD width, DWORD height) {
  if (width == 0 || height == 0 || width > kMaxPageDots || height > kMaxPageDots)
    Fail(path, "image size out of range (1 to 65535 dots)");
  GreyImage image;
  image.width = width;
  image.height = height;
  image.grey.assign(size_t{width} * height, 0xFF);
  return image;
}

// The netpbm header: magic, then numbers separated by white space and comments.
class PnmReader {
 public:
  PnmReader(const std::string& path, std::string bytes) : path_(path), bytes_(std::move(bytes)) {}
  unsigned Number() {
    SkipSpace();
    if (at_ >= bytes_.size() || !std::isdigit(static_cast<unsigned char>(bytes_[at_])))
      Fail(path_, "bad header");
    unsigned long long n = 0;
    while (at_ < bytes_.size() && std::isdigit(static_cast<unsigned char>(bytes_[at_]))) {
      n = n * 10 + static_cast<unsigned>(bytes_[at_++] - '0');
      if (n > 0xFFFFFFFFull) Fail(path_, "number too large");
    }
    return static_cast<unsigned>(n);
  }
  // Plain format: the next value; binary: one byte (after the header's single blank).
  BYTE Byte() {
    if (at_ >= bytes_.size()) Fail(path_, "image data cut short");
    return static_cast<BYTE>(bytes_[at_++]);
  }
  unsigned PlainBit() {
    SkipSpace();
    if (at_ >= bytes_.size()) Fail(path_, "image data cut short");
    char c = bytes_[at_++];
    if (c != '0' && c != '1') Fail(path_, "bad pixel");
    return c == '1';
  }
  void EndOfHeader() { ++at_; }

 private:
  void SkipSpace() {
    while (at_ < bytes_.size()) {
      if (bytes_[at_] == '#') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n') ++at_;
      } else if (std::isspace(static_cast<unsigned char>(bytes_[at_]))) {
        ++at_;
      } else {
        break;
      }
    }
  }
  const std::string& path_;
  std::string bytes_;
  size_t at_ = 2;
};

GreyImage ReadPnm(const std::string& path, const std::string& bytes) {
  const char kind = bytes[1];
  PnmReader r(path, bytes);
  const unsigned width = r.Number(), height = r.Number();
  unsigned maxval = 1;
  if (kind == '2' || kind == '5') {
    maxval = r.Number();
    if (maxval == 0 || maxval > 65535) Fail(path, "bad grey maximum");
  }
  GreyImage image = BlankImage(path, width, height);
  if (kind == '4' || kind == '5') r.EndOfHeader();
  for (DWORD y = 0; y < height; ++y) {
    BYTE* row = image.grey.data() + size_t{y} * width;
    if (kind == '4') {
      // 1 is black, rows padded to a byte.
      for (DWORD i = 0; i < (width + 7) / 8; ++i) {
        const BYTE b = r.Byte();
        for (DWORD bit = 0; bit < 8 && i * 8 + bit < width; ++bit)
          if (b & (0x80u >> bit)) row[i * 8 + bit] = 0;
      }
      continue;
    }
    for (DWORD x = 0; x < width; ++x) {
      if (kind == '1') {
        row[x] = r.PlainBit() ? 0 : 0xFF;
        continue;
      }
      unsigned grey;
      if (kind == '2')
        grey = r.Number();
      else
        grey = maxval > 255 ? (r.Byte() << 8) | r.Byte() : r.Byte();
      if (grey > maxval) Fail(path, "grey value above the maximum");
      // Scaled to 0..255 so that half grey stays half grey.
      row[x] = static_cast<BYTE>((grey * 255u + maxval / 2) / maxval);
    }
  }
  return image;
}

GreyImage ReadPng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) Fail(path, png.message);
  png.format = PNG_FORMAT_GRAY;
  if (png.width == 0 || png.height == 0 || png.width > kMaxPageDots || png.height > kMaxPageDots) {
    png_image_free(&png);
    Fail(path, "image size out of range (1 to 65535 dots)");
  }
  GreyImage image = BlankImage(path, png.width, png.height);
  if (!png_image_finish_read(&png, nullptr, image.grey.data(), 0, nullptr)) {
    std::string message = png.message;
    png_image_free(&png);
    Fail(path, message);
  }
  return image;
}

// libpng reports errors by a long jump back here, so this frame holds nothing that
// needs destroying; the caller turns a failure into its exception.
const char* WritePng(std::FILE* file, const ImagePage& page, const BYTE* const* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return "out of memory";
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return "out of memory";
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "cannot write the image";
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, page.width, page.height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (DWORD y = 0; y < page.height; ++y) png_write_row(png, rows[y]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return nullptr;
}

}  // namespace

void WritePagePng(const std::string& path, const ImagePage& page) {
  if (page.width == 0 || page.height == 0 || page.width > kMaxPageDots ||
      page.height > kMaxPageDots)
    Fail(path, "image size out of range (1 to 65535 dots)");
  if (page.stride < (page.width + 7) / 8 || page.rows.size() < size_t{page.stride} * page.height)
    Fail(path, "the page is shorter than its size");
  // The rows as PNG takes them: just the bytes of the width, the bits past it white,
  // so that the file depends on the dots alone.
  const size_t bytes = (page.width + 7) / 8;
  const BYTE tail = page.width % 8 == 0 ? 0 : static_cast<BYTE>(0xFF >> (page.width % 8));
  std::vector<BYTE> packed(bytes * page.height);
  std::vector<const BYTE*> rows(page.height);
  for (DWORD y = 0; y < page.height; ++y) {
    BYTE* row = packed.data() + bytes * y;
    std::copy_n(page.rows.data() + size_t{page.stride} * y, bytes, row);
    row[bytes - 1] |= tail;
    rows[y] = row;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) Fail(path, "cannot write the file");
  const char* problem = WritePng(file, page, rows.data());
  if (std::fclose(file) != 0 && problem == nullptr) problem = "cannot write the file";
  if (problem != nullptr) Fail(path, problem);
}

std::string NumberedPagePath(const std::string& path, size_t number) {
  if (number <= 1) return path;
  const std::string suffix = "-" + std::to_string(number);
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.size() >= 4 ? path.size() - 4 : std::string::npos;
  if (dot != std::string::npos && (slash == std::string::npos || slash < dot)) {
    std::string ending = path.substr(dot);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".png") return path.substr(0, dot) + suffix + path.substr(dot);
  }
  return path + suffix;
}

GreyImage ReadGreyImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "cannot read the file");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) return ReadPng(path);
  if (bytes.size() >= 2 && bytes[0] == 'P' &&
      std::string("1245").find(bytes[1]) != std::string::npos)
    return ReadPnm(path, bytes);
  Fail(path, "not a PBM, PGM or PNG image");
}

ImagePage ReduceImage(const GreyImage& image, Reduction reduction) {
  // The page the driver would reduce: 24 bits per pixel, each pixel three equal bytes,
  // rows padded to 4 bytes.
  driver::SurfaceView surface;
  surface.width = image.width;
  surface.height = image.height;
  surface.bitsPerPixel = 24;
  surface.stride = (image.width * 3 + 3) / 4 * 4;
  std::vector<BYTE> bits(surface.byteSize(), 0xFF);
  for (DWORD y = 0; y < image.height; ++y) {
    const BYTE* in = image.grey.data() + size_t{y} * image.width;
    BYTE* out = bits.data() + size_t{y} * surface.stride;
    for (DWORD x = 0; x < image.width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
  }
  surface.bits = bits.data();
  driver::PageBitmap page;
  switch (reduction) {
    case Reduction::kThreshold:
      page = driver::ReduceThreshold(surface, driver::ByteOrder::kBgr);
      break;
    case Reduction::kOrderedDither:
      page = driver::ReduceOrderedDither(surface, driver::ByteOrder::kBgr);
      break;
    case Reduction::kErrorDiffusion:
      page = driver::ReduceErrorDiffusion(surface, driver::ByteOrder::kBgr);
      break;
  }
  driver::WhitenRowEnds(page);
  return {page.width, page.height, page.stride, std::move(page.bits)};
}

ImagePage ReadImagePage(const std::string& path, Reduction reduction) {
  return ReduceImage(ReadGreyImage(path), reduction);
}

}  // namespace trv::samples
