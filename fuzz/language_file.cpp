// The language file (.lng) as the UI string library reads it. Properties: a file
// that decodes encodes back to exactly the bytes it was read from (every byte up
// to its last entry, nothing else), and the string table built from it answers
// every number with the first text stored under it, cut at a zero byte, line
// breaks expanded.
#include <set>
#include <span>
#include <string>

#include "fuzz/harness.h"
#include "language/lng_format.h"
#include "language/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const BYTE> bytes(data, size);
  const std::optional<trv::lng::File> file = trv::lng::Decode(bytes);
  if (!file) return 0;
  FUZZ_CHECK(trv::lng::DecodeKind(bytes) == file->kind);
  const std::vector<BYTE> again = trv::lng::Encode(*file);
  FUZZ_CHECK(again.size() <= size);
  FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin()));
  const trv::lng::StringTable table(file->entries);
  std::set<DWORD> seen;
  for (const trv::lng::Entry& e : file->entries) {
    if (!seen.insert(e.number).second) continue;  // the first of a number counts
    const trv::lng::StringTable::Text* text = table.Find(e.number);
    FUZZ_CHECK(text != nullptr);
    // Handed out as a C string: a zero byte ends the text.
    std::string expanded = e.text.substr(0, e.text.find('\0'));
    trv::lng::ExpandLineBreaks(expanded);
    FUZZ_CHECK(text->text == expanded);
    FUZZ_CHECK(text->storedSize == e.text.size() + 1);
  }
  return 0;
}
