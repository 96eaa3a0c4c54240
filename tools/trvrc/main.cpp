// trvrc: compiles a module's resource script into a C++ source that embeds the
// module's resources.
//
//   trvrc SCRIPT.rc -o OUTPUT.cpp
//
// Faults in the script are reported as "SCRIPT.rc:LINE: error: ..." and the
// program ends with a non-zero status without writing the output.
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tools/trvrc/emit.h"
#include "tools/trvrc/script.h"

namespace {

int Usage() {
  std::cerr << "usage: trvrc SCRIPT.rc -o OUTPUT.cpp\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input, output;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-o" && i + 1 < argc)
      output = argv[++i];
    else if (input.empty() && !arg.empty() && arg[0] != '-')
      input = arg;
    else
      return Usage();
  }
  if (input.empty() || output.empty()) return Usage();

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::cerr << input << ": error: cannot open the script\n";
    return 1;
  }
  std::ostringstream script;
  script << in.rdbuf();
  std::string source;
  try {
    source = trvrc::EmitSource(trvrc::ParseScript(script.str()), input);
  } catch (const trvrc::ScriptError& e) {
    std::cerr << input << ":" << e.line() << ": error: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << input << ": error: " << e.what() << "\n";
    return 1;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out << source;
  out.close();
  if (!out) {
    std::cerr << output << ": error: cannot write the output\n";
    return 1;
  }
  return 0;
}
