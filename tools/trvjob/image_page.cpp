#include "tools/trvjob/image_page.h"

#include <png.h>

#include <cctype>
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

}  // namespace

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
