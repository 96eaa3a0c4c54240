// What every fuzz harness shares: the libFuzzer entry point it defines, a check
// that stops the run with a message when a property fails, and a machine root of
// its own for the harnesses that need files or a registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>

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

// FNV-1a of an input: a harness draws its choices (piece sizes, faults) from it, so
// that any file is a seed and every run of an input does the same.
inline std::uint32_t HashOf(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

// The size of the next piece of a stream fed in pieces, `left` bytes still to go:
// mostly small, now and then a large one, as the spooler's buffers go.
inline std::size_t NextPiece(std::minstd_rand& pieces, std::size_t left) {
  const std::size_t piece = pieces() % 8 == 0 ? pieces() % 4096 + 1 : pieces() % 64 + 1;
  return piece < left ? piece : left;
}

// Makes the process's machine root a fresh temporary folder on first use (removed
// at exit), so that a harness never touches the user's machine root.
void UseFreshMachine();

}  // namespace trv::fuzz
