// trvdump: shows what the language monitor's reader makes of a job file.
//
//   trvdump [--chunk N] [-v] FILE
//
// The file goes through the real reader in pieces of N bytes (default 4096), as
// the spooler would hand them to WritePort; a record still incomplete at the end
// of the file is flushed to the port as the end of a job does.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "spool/reader.h"
#include "tools/trvdump/dump.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const std::string& problem) {
  std::fprintf(stderr, "trvdump: %s\nusage: trvdump [--chunk N] [-v] FILE\n", problem.c_str());
  return kExitUsage;
}

struct Arguments {
  unsigned long chunk = 4096;
  bool verbose = false;
  std::string file;
};

bool ParseChunk(const char* text, unsigned long& chunk) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  const unsigned long long n = std::strtoull(text, &end, 10);
  // WritePort counts in 32 bits.
  if (*end != '\0' || n == 0 || n > 0xFFFFFFFFull) return false;
  chunk = static_cast<unsigned long>(n);
  return true;
}

int ParseArguments(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--chunk") {
      if (!ParseChunk(i + 1 < argc ? argv[i + 1] : nullptr, args.chunk))
        return Usage("bad value for --chunk");
      ++i;
    } else if (arg == "-v") {
      args.verbose = true;
    } else if (arg.starts_with("-")) {
      return Usage("unknown option " + arg);
    } else if (args.file.empty()) {
      args.file = arg;
    } else {
      return Usage("only one file");
    }
  }
  if (args.file.empty()) return Usage("no file");
  return 0;
}

bool ReadFile(const std::string& path, std::vector<BYTE>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (int code = ParseArguments(argc, argv, args)) return code;
  std::vector<BYTE> job;
  if (!ReadFile(args.file, job)) {
    std::fprintf(stderr, "trvdump: cannot read %s\n", args.file.c_str());
    return kExitFailure;
  }

  trv::dump::StreamDump dump(stdout, args.verbose);
  trv::spool::PortReader port;
  std::size_t at = 0;
  while (at < job.size()) {
    const std::size_t size = std::min<std::size_t>(args.chunk, job.size() - at);
    DWORD written = 0;
    const BOOL ok =
        trv::spool::FeedPort(port, dump, dump, std::span<BYTE>(job).subspan(at, size), written);
    if (!ok || written != size) {
      dump.Finish();
      std::fflush(stdout);
      std::fprintf(stderr, "trvdump: the reader stopped at byte %zu (error %u)\n", at + written,
                   GetLastError());
      return kExitFailure;
    }
    at += size;
  }
  if (!trv::spool::FlushPartialRecord(port, dump)) {
    std::fprintf(stderr, "trvdump: cannot flush the last record (error %u)\n", GetLastError());
    return kExitFailure;
  }
  dump.Finish();
  if (std::fflush(stdout) != 0) return kExitFailure;
  return 0;
}
