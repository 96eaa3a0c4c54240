// The object behind a language handle: the texts of one language file, in file
// order, ready to hand out.
#pragma once

#include <string>
#include <vector>

#include "language/lng_format.h"
#include "platform/windef.h"

namespace trv::lng {

class StringTable {
 public:
  struct Text {
    DWORD number;
    std::size_t storedSize;  // length byte + 1; line breaks do not shrink it
    std::string text;        // with each backslash-n pair turned into a line feed
  };

  explicit StringTable(std::vector<Entry> entries);

  // The first entry with the number (a file may repeat a number; the first counts),
  // or null.
  const Text* Find(DWORD number) const;

 private:
  std::vector<Text> texts_;
};

// Replaces every backslash-n pair by a single line feed, in place.
void ExpandLineBreaks(std::string& text);

}  // namespace trv::lng
