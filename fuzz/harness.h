// What every fuzz harness shares: the libFuzzer entry point it defines, a check
// that stops the run with a message when a property fails, and a machine root of
// its own for the harnesses that need files or a registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A failed property is a finding like a crash: libFuzzer saves the input.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace trv::fuzz {

// Makes the process's machine root a fresh temporary folder on first use (removed
// at exit), so that a harness never touches the user's machine root.
void UseFreshMachine();

}  // namespace trv::fuzz
