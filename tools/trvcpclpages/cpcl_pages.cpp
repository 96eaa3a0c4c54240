#include "tools/trvcpclpages/cpcl_pages.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace trv::cpclpages {

namespace {

constexpr BYTE kRunMark = 0xC0;
constexpr DWORD kMaxDots = 0xFFFF;

WORD U16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

DWORD StrideOf(DWORD width) { return (width + 31) / 32 * 4; }

bool Dot(const ImagePage& page, DWORD x, DWORD y) {  // true: black
  if (x >= page.width || y >= page.height) return false;
  return (page.rows[size_t{y} * page.stride + x / 8] & (0x80u >> (x % 8))) == 0;
}

ImagePage WhitePage(DWORD width, DWORD height) {
  ImagePage page{width, height, StrideOf(width), {}};
  page.rows.assign(size_t{page.stride} * height, 0xFF);
  return page;
}

// The page grown to at least width x height, its dots kept.
void Grow(ImagePage& page, DWORD width, DWORD height) {
  if (width <= page.width && height <= page.height) return;
  ImagePage bigger = WhitePage(std::max(width, page.width), std::max(height, page.height));
  for (DWORD y = 0; y < page.height; ++y)
    std::copy_n(page.rows.data() + size_t{y} * page.stride, page.stride,
                bigger.rows.data() + size_t{y} * bigger.stride);
  // The old rows' padding bits were white and so are the new columns.
  page = std::move(bigger);
}

// Numbers of a command line after its name; nullopt when one is not a number.
std::optional<std::vector<unsigned long>> Numbers(std::istringstream& in) {
  std::vector<unsigned long> out;
  std::string word;
  while (in >> word) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(word.c_str(), &end, 10);
    if (word.empty() || *end != 0 || word[0] == '-') return std::nullopt;
    out.push_back(n);
  }
  return out;
}

class JobReader {
 public:
  explicit JobReader(std::span<const BYTE> job) : job_(job) {}
  bool AtEnd() const { return at_ >= job_.size(); }
  size_t At() const { return at_; }
  // The next line without its CR LF (or LF); the last line may lack its end.
  std::string Line() {
    const size_t start = at_;
    while (at_ < job_.size() && job_[at_] != '\n') ++at_;
    size_t end = at_;
    if (at_ < job_.size()) ++at_;
    if (end > start && job_[end - 1] == '\r') --end;
    return std::string(reinterpret_cast<const char*>(job_.data()) + start, end - start);
  }
  std::span<const BYTE> Rest() const { return job_.subspan(at_); }
  void Skip(size_t n) { at_ += n; }

 private:
  std::span<const BYTE> job_;
  size_t at_ = 0;
};

std::string Where(size_t at) { return " (at byte " + std::to_string(at) + " of the job)"; }

// Lays the black dots of `image` on the page with its top-left dot at (x, y).
void Place(const ImagePage& image, DWORD x, DWORD y, ImagePage& page) {
  Grow(page, x + image.width, y + image.height);
  for (DWORD j = 0; j < image.height; ++j)
    for (DWORD i = 0; i < image.width; ++i)
      if (Dot(image, i, j))
        page.rows[size_t{y + j} * page.stride + (x + i) / 8] &=
            static_cast<BYTE>(~(0x80u >> ((x + i) % 8)));
}

}  // namespace

bool DecodePcx(std::span<const BYTE> bytes, ImagePage* image, size_t* consumed,
               std::string* error) {
  if (bytes.size() < kPcxHeaderSize) {
    *error = "the PCX header is cut short";
    return false;
  }
  const BYTE* h = bytes.data();
  if (h[0] != 0x0A || h[2] != 1 || h[3] != 1 || h[65] != 1) {
    *error = "not a run-length encoded PCX image of 1 bit per pixel and one plane";
    return false;
  }
  const WORD xMin = U16(h + 4), yMin = U16(h + 6), xMax = U16(h + 8), yMax = U16(h + 10);
  const WORD lineBytes = U16(h + 66);
  if (xMax < xMin || yMax < yMin || lineBytes < (xMax - xMin + 1 + 7) / 8) {
    *error = "the PCX header describes no image";
    return false;
  }
  // Most images say 0 is black and 1 white; a palette that says otherwise is obeyed.
  const bool inverted = h[16] + h[17] + h[18] > 3 * 127 && h[19] + h[20] + h[21] <= 3 * 127;
  const DWORD width = DWORD{xMax} - xMin + 1, height = DWORD{yMax} - yMin + 1;
  *image = WhitePage(width, height);
  std::vector<BYTE> line(lineBytes);
  size_t at = kPcxHeaderSize;
  for (DWORD y = 0; y < height; ++y) {
    for (size_t filled = 0; filled < lineBytes;) {
      if (at >= bytes.size()) {
        *error = "the PCX image ends in line " + std::to_string(y);
        return false;
      }
      BYTE v = bytes[at++];
      size_t count = 1;
      if ((v & kRunMark) == kRunMark) {
        count = v & ~kRunMark;
        if (at >= bytes.size()) {
          *error = "the PCX image ends in line " + std::to_string(y);
          return false;
        }
        v = bytes[at++];
      }
      if (count == 0 || filled + count > lineBytes) {
        *error = "a PCX run " + std::string(count == 0 ? "of no bytes" : "crosses the line's end") +
                 " in line " + std::to_string(y);
        return false;
      }
      std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), count, v);
      filled += count;
    }
    BYTE* row = image->rows.data() + size_t{y} * image->stride;
    const DWORD used = (width + 7) / 8;
    for (DWORD i = 0; i < used; ++i) row[i] = inverted ? static_cast<BYTE>(~line[i]) : line[i];
    if (width % 8 != 0) row[used - 1] |= static_cast<BYTE>(0xFF >> (width % 8));
  }
  *consumed = at;
  return true;
}

bool DecodeLabels(std::span<const BYTE> job, std::vector<Label>* labels, std::string* error) {
  labels->clear();
  JobReader in(job);
  std::optional<Label> label;
  while (!in.AtEnd()) {
    const size_t lineAt = in.At();
    const std::string line = in.Line();
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "!") {
      const std::streampos rest = words.tellg();
      std::string next;
      words >> next;
      if (next == "CISDF") {  // a font: name, size, check value, then its bytes
        in.Line();
        const std::string size = in.Line();
        in.Line();
        char* end = nullptr;
        const unsigned long bytes = std::strtoul(size.c_str(), &end, 16);
        if (size.size() != 8 || *end != 0 || bytes > in.Rest().size()) {
          *error = "a font download of a bad size" + Where(lineAt);
          return false;
        }
        in.Skip(bytes);
        continue;
      }
      words.clear();
      words.seekg(rest);
      const auto n = Numbers(words);
      if (!n || n->size() != 5) continue;  // a utility command, not a label
      if (label) {
        *error = "a label starts before the last one printed" + Where(lineAt);
        return false;
      }
      if ((*n)[3] > kMaxDots) {
        *error = "a label higher than 65535 dots" + Where(lineAt);
        return false;
      }
      label.emplace();
      label->offset = static_cast<DWORD>((*n)[0]);
      label->height = static_cast<DWORD>((*n)[3]);
      label->copies = static_cast<DWORD>((*n)[4]);
      label->dots = WhitePage(1, std::max<DWORD>(label->height, 1));
      continue;
    }
    if (command == "CG" || command == "COMPRESSED-GRAPHICS" || command == "EG" ||
        command == "EXPANDED-GRAPHICS") {
      *error = "\"" + command + "\" graphics are not read here" + Where(lineAt);
      return false;
    }
    if (!label) {
      // Between labels only set-up and utility lines: an image there would be read
      // as lines.
      if (command == "PCX") {
        *error = "a PCX image outside a label" + Where(lineAt);
        return false;
      }
      continue;
    }
    if (command == "PRINT") {
      labels->push_back(std::move(*label));
      label.reset();
    } else if (command == "PW" || command == "PAGE-WIDTH") {
      const auto n = Numbers(words);
      if (!n || n->size() != 1 || (*n)[0] > kMaxDots) {
        *error = "a bad page width" + Where(lineAt);
        return false;
      }
      label->width = static_cast<DWORD>((*n)[0]);
      Grow(label->dots, label->width, label->dots.height);
    } else if (command == "PCX") {
      const auto n = Numbers(words);
      if (!n || n->size() != 2 || (*n)[0] > kMaxDots || (*n)[1] > kMaxDots) {
        *error = "a PCX command without its place" + Where(lineAt);
        return false;
      }
      ImagePage image;
      size_t used = 0;
      std::string problem;
      if (!DecodePcx(in.Rest(), &image, &used, &problem)) {
        *error = problem + Where(in.At());
        return false;
      }
      in.Skip(used);
      if ((*n)[0] + image.width > kMaxDots || (*n)[1] + image.height > kMaxDots) {
        *error = "a PCX image reaches beyond 65535 dots" + Where(lineAt);
        return false;
      }
      Place(image, static_cast<DWORD>((*n)[0]), static_cast<DWORD>((*n)[1]), label->dots);
      ++label->images;
    }
  }
  if (label) {
    *error = "the job ends inside a label";
    return false;
  }
  return true;
}

Difference CompareDots(const ImagePage& a, const ImagePage& b) {
  Difference d;
  const DWORD width = std::max(a.width, b.width), height = std::max(a.height, b.height);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x)
      if (Dot(a, x, y) != Dot(b, x, y)) {
        if (d.dots++ == 0) {
          d.firstX = x;
          d.firstY = y;
        }
      }
  return d;
}

bool HasBlack(const ImagePage& page) {
  for (DWORD y = 0; y < page.height; ++y)
    for (DWORD x = 0; x < page.width; ++x)
      if (Dot(page, x, y)) return true;
  return false;
}

}  // namespace trv::cpclpages
