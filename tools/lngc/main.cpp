// lngc: compiles a language source into a language file, or lists one.
//
//   lngc --kind N SOURCE OUTPUT
//   lngc --list FILE
//
// Errors are reported as "FILE:LINE: error: ..." and end with exit code 1; a
// wrong command line ends with 2. OUTPUT is only replaced when the whole source
// compiled.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tools/lngc/compiler.h"

namespace {

int Usage() {
  std::cerr << "usage: lngc --kind N SOURCE OUTPUT\n"
               "       lngc --list FILE\n";
  return 2;
}

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<DWORD> ParseKind(const std::string& text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || text.front() == '-' || value > 0xFFFFFFFFull) {
    return std::nullopt;
  }
  return static_cast<DWORD>(value);
}

// Writes beside the target first, so that a failed write never leaves a
// half-written language file under the real name.
bool WriteAll(const std::string& path, const std::vector<BYTE>& bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  return !ec;
}

int CompileFile(DWORD kind, const std::string& source, const std::string& output) {
  const std::optional<std::string> text = ReadAll(source);
  if (!text) {
    std::cerr << source << ": error: cannot read the file\n";
    return 1;
  }
  const trv::lngc::Compiled compiled = trv::lngc::Compile(*text, kind);
  for (const trv::lngc::Diagnostic& d : compiled.errors) {
    std::cerr << source << ':' << d.line << ": error: " << d.message << '\n';
  }
  if (!compiled.errors.empty()) return 1;
  if (!WriteAll(output, trv::lng::Encode(compiled.file))) {
    std::cerr << output << ": error: cannot write the file\n";
    return 1;
  }
  return 0;
}

int ListFile(const std::string& path) {
  const std::optional<std::string> bytes = ReadAll(path);
  if (!bytes) {
    std::cerr << path << ": error: cannot read the file\n";
    return 1;
  }
  std::string listing;
  const auto* data = reinterpret_cast<const BYTE*>(bytes->data());
  if (!trv::lngc::List(std::span<const BYTE>(data, bytes->size()), listing)) {
    std::cerr << path << ": error: not a complete language file\n";
    return 1;
  }
  std::cout << listing;
  return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--list") return ListFile(args[1]);
  if (args.size() == 4 && args[0] == "--kind") {
    const std::optional<DWORD> kind = ParseKind(args[1]);
    if (!kind) return Usage();
    return CompileFile(*kind, args[2], args[3]);
  }
  return Usage();
}
