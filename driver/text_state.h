// What a device remembers of its text between text calls: a raw printer command that
// one call opened and a later one closes, and bar-code data collected across calls
// between its delimiters.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::driver {

struct BarcodePiece {
  std::string text;   // in the printer's code page
  LONG x = 0, y = 0;  // where the piece began
};

struct TextState {
  bool rawOpen = false;
  // The page object queue's entry of the open raw command, once it holds text. The
  // queue is cleared at each page start, so the entry is forgotten with it.
  std::optional<std::size_t> rawEntry;
  bool collecting = false;
  std::vector<BarcodePiece> pieces;

  // A raw command still open at a page or document end ends there: its record
  // already holds all of its text.
  void CloseRaw() {
    rawOpen = false;
    rawEntry.reset();
  }
  void Reset() {
    CloseRaw();
    collecting = false;
    pieces.clear();
  }
};

}  // namespace trv::driver
