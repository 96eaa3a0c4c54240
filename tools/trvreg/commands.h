// The trvreg commands, on the console it is given (UTF-8 text):
//   query KEY [/v NAME | /ve] [/s]
//   add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
//   delete KEY [/v NAME | /ve | /va] [/f]
//   export KEY FILE [/y]
//   import FILE
// FILE is a host path, or a Windows path ("C:\...") on the machine.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace trvreg {

struct Console {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;  // answers to "(Yes/No)?" questions
};

// Returns the exit code: 0 on success, 1 with a message on `err` on failure.
int RunCommand(const std::vector<std::u16string>& args, Console& console);

}  // namespace trvreg
