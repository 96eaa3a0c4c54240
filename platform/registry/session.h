// Where a registry call runs: on the process's connection to the current machine's
// database, or inside a grouped transaction. Either way the call's work is one
// atomic unit. Internal to the platform library.
#pragma once

#include <functional>
#include <string>

#include "platform/registry/store.h"

namespace trv::registry {

enum class Access { Read, Write };

using Work = std::function<void(Store&)>;

// Runs `work` on the current machine's registry in one SQLite transaction (an
// immediate one for writes). `path` is the database a handle belongs to; a handle
// of another machine root gets ERROR_INVALID_HANDLE. An empty path fits any root.
void RunOnMachine(Access access, const std::string& path, const Work& work);

// Writes everything committed so far through to the database file, so that it
// survives a crash of the machine.
void FlushMachine(const std::string& path);

// The database file of the current machine root.
std::string CurrentDatabasePath();

}  // namespace trv::registry
