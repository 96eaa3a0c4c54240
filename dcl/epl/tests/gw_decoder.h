// A decoder of EPL streams for the tests, written apart from the encoder: it paints
// every "GW" block of a stream on a white canvas and keeps the other lines.
#pragma once

#include <string>
#include <vector>

namespace trv::dcl::epl::testing {

struct DecodedStream {
  int width = 0;
  int height = 0;
  std::vector<bool> black;         // width x height, row by row
  std::vector<std::string> lines;  // every text line without its LF; a GW block is its line
  bool ok = true;                  // false when a GW block runs past the end or the canvas
  bool at(int x, int y) const { return black[static_cast<size_t>(y) * width + x]; }
};

DecodedStream DecodeEpl(const std::string& stream, int width, int height);

}  // namespace trv::dcl::epl::testing
