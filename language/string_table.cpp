#include "language/string_table.h"

#include <algorithm>

namespace trv::lng {

StringTable::StringTable(std::vector<Entry> entries) {
  texts_.reserve(entries.size());
  for (Entry& entry : entries) {
    const std::size_t storedSize = entry.text.size() + 1;
    // Texts are handed out as C strings: a zero byte inside one ends it.
    entry.text.resize(std::min(entry.text.size(), entry.text.find('\0')));
    ExpandLineBreaks(entry.text);
    texts_.push_back(Text{entry.number, storedSize, std::move(entry.text)});
  }
}

const StringTable::Text* StringTable::Find(DWORD number) const {
  auto it = std::find_if(texts_.begin(), texts_.end(),
                         [number](const Text& t) { return t.number == number; });
  return it == texts_.end() ? nullptr : &*it;
}

void ExpandLineBreaks(std::string& text) {
  std::string::size_type out = 0;
  for (std::string::size_type in = 0; in < text.size(); ++in) {
    if (text[in] == '\\' && in + 1 < text.size() && text[in + 1] == 'n') {
      text[out++] = '\n';
      ++in;
    } else {
      text[out++] = text[in];
    }
  }
  text.resize(out);
}

}  // namespace trv::lng
