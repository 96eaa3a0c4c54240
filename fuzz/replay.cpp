// Runs a harness over saved inputs as an ordinary program: every file named, or
// found in a folder named, is fed to the harness's entry function once. Built
// into the regression tests of every harness, with g++ as well as clang; a
// failing property or a sanitizer report ends the run, and the test fails.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/harness.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path named(argv[i]);
    if (fs::is_directory(named)) {
      for (const fs::directory_entry& e : fs::recursive_directory_iterator(named))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
          inputs.push_back(e.path());
    } else if (fs::is_regular_file(named)) {
      inputs.push_back(named);
    } else {
      std::fprintf(stderr, "replay: no such input: %s\n", argv[i]);
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replay: %zu inputs, every property held\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
