// trvspool: a user's front end to the spooler of this machine (TRV_ROOT).
#include <cstring>
#include <string>

#include "tools/trvspool/commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const trvspool::Args&);
};

constexpr Command kCommands[] = {
    {"list", trvspool::List},
    {"add-port", trvspool::AddPort},
    {"add-printer", trvspool::AddPrinter},
    {"add-driver", trvspool::AddDriver},
    {"submit", trvspool::Submit},
    {"resubmit", trvspool::Resubmit},
    {"delete", trvspool::Delete},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return trvspool::Usage("");
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    trvspool::Usage("");
    return 0;
  }
  trvspool::Args args(argv + 2, argv + argc);
  for (const Command& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(args);
  return trvspool::Usage(std::string("unknown command ") + argv[1]);
}
