// trvreg: inspect, change, back up and restore the registry of a machine, in the
// spirit of reg.exe. TRV_ROOT names the machine.
#include <iostream>
#include <string>
#include <vector>

#include "tools/trvreg/commands.h"
#include "tools/trvreg/text.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(trvreg::FromUtf8(argv[i]));
  trvreg::Console console{std::cout, std::cerr, std::cin};
  return trvreg::RunCommand(args, console);
}
