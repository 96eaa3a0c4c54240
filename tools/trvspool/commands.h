// The commands of trvspool, each a small function over the spooler's calls.
// Each returns the process exit code: 0 done, 1 the spooler refused or the job
// failed, 2 a usage error.
#pragma once

#include <string>
#include <vector>

namespace trvspool {

using Args = std::vector<std::string>;

int List(const Args& args);
int AddPort(const Args& args);
int AddPrinter(const Args& args);
int AddDriver(const Args& args);
int Submit(const Args& args);
int Resubmit(const Args& args);
int Delete(const Args& args);

// Prints "trvspool: <what>: <system text> (error N)" to stderr and returns 1.
int Report(const std::string& what, unsigned long error);
int Usage(const std::string& message);
// Leaves out the lines that say what was done (for callers whose output is data).
void SetQuiet(bool quiet);

}  // namespace trvspool
