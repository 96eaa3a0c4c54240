// .reg import as trvreg does it. Properties: a file that is refused, or fails
// half-way, changes nothing; a file that is applied exports to a text that, once
// imported over an empty registry, exports to the same text again.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "platform/winreg.h"
#include "tools/trvreg/regfile.h"
#include "tools/trvreg/registry.h"

namespace {

using trvreg::KeyPath;

const KeyPath kRoots[] = {*trvreg::ParseKeyPath(u"HKEY_LOCAL_MACHINE"),
                          *trvreg::ParseKeyPath(u"HKEY_CURRENT_USER")};

void Clear() {
  for (const KeyPath& root : kRoots) {
    std::vector<std::u16string> names;
    FUZZ_CHECK(trvreg::ReadSubKeys(root.root, names) == ERROR_SUCCESS);
    for (const std::u16string& name : names)
      FUZZ_CHECK(RegDeleteTreeW(root.root, name.c_str()) == ERROR_SUCCESS);
  }
}

// One file per root; false when a name or text cannot be written.
bool Export(std::vector<std::string>& files) {
  files.clear();
  for (const KeyPath& root : kRoots) {
    std::string text, problem;
    if (trvreg::ExportKey(root, text, problem) != ERROR_SUCCESS) return false;
    files.push_back(std::move(text));
  }
  return true;
}

LONG Import(std::string_view text, std::string& problem) {
  std::vector<trvreg::RegOperation> operations;
  if (!trvreg::ParseRegFile(text, operations, problem)) return ERROR_BAD_FORMAT;
  return trvreg::ApplyRegFile(operations, problem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  trv::fuzz::UseFreshMachine();
  Clear();
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> empty, first, second;
  std::string problem;
  FUZZ_CHECK(Export(empty));
  if (Import(file, problem) != ERROR_SUCCESS) {
    std::vector<std::string> after;
    FUZZ_CHECK(Export(after));
    FUZZ_CHECK(after == empty);
    return 0;
  }
  if (!Export(first)) return 0;  // a name outside the ANSI code page has no file form
  Clear();
  for (const std::string& part : first) FUZZ_CHECK(Import(part, problem) == ERROR_SUCCESS);
  FUZZ_CHECK(Export(second));
  FUZZ_CHECK(second == first);
  return 0;
}
