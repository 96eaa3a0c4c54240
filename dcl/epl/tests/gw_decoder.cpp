#include "dcl/epl/tests/gw_decoder.h"

#include <cstdio>

namespace trv::dcl::epl::testing {

DecodedStream DecodeEpl(const std::string& stream, int width, int height) {
  DecodedStream d;
  d.width = width;
  d.height = height;
  d.black.assign(static_cast<size_t>(width) * height, false);
  size_t at = 0;
  while (at < stream.size()) {
    size_t lf = stream.find('\n', at);
    if (lf == std::string::npos) lf = stream.size();
    std::string line = stream.substr(at, lf - at);
    at = lf + 1;
    d.lines.push_back(line);
    unsigned x, y, bytes, rows;
    char tail;
    if (line.rfind("GW", 0) != 0) continue;
    if (std::sscanf(line.c_str(), "GW%u,%u,%u,%u%c", &x, &y, &bytes, &rows, &tail) != 4) {
      d.ok = false;
      continue;
    }
    if (at + static_cast<size_t>(bytes) * rows > stream.size()) {
      d.ok = false;
      return d;
    }
    for (unsigned r = 0; r < rows; ++r) {
      for (unsigned b = 0; b < bytes; ++b) {
        unsigned char v = static_cast<unsigned char>(stream[at + r * bytes + b]);
        for (int bit = 0; bit < 8; ++bit) {
          if (v & (0x80 >> bit)) continue;  // 1 is white
          long px = static_cast<long>(x) + 8 * b + bit;
          long py = static_cast<long>(y) + r;
          if (px >= width || py >= height) {
            d.ok = false;
            continue;
          }
          d.black[static_cast<size_t>(py) * width + px] = true;
        }
      }
    }
    at += static_cast<size_t>(bytes) * rows;
  }
  return d;
}

}  // namespace trv::dcl::epl::testing
