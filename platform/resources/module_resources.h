// The resources of a module file: its trv_rsrc section read once per file and
// kept for the life of the process, so that pointers handed out by LoadResource,
// LockResource and LoadStringW stay valid as they do on Windows while the module
// is loaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/resources/directory.h"

namespace trv::resources {

struct ModuleResources {
  std::vector<BYTE> section;
  std::vector<DirectoryEntry> entries;  // pointing into section
};

// A module's resources, or the Windows error that explains why there are none:
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND / ERROR_ACCESS_DENIED for a file that
// cannot be opened, ERROR_RESOURCE_DATA_NOT_FOUND for a file without resources,
// ERROR_BAD_FORMAT for a corrupt module or directory, ERROR_READ_FAULT when it
// cannot be read.
struct ResourcesOrError {
  std::shared_ptr<const ModuleResources> resources;
  DWORD error = ERROR_SUCCESS;
};

ResourcesOrError ResourcesOfFile(const std::string& hostPath);
// A null module is the process's main program.
ResourcesOrError ResourcesOfModule(HMODULE module);

// The entry of this type and name, in the language the user would see: the
// user's default language, then language-neutral, then the same primary language,
// then US English, then any. Null with ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND as last error when there is none.
const DirectoryEntry* FindEntry(const ModuleResources& module, const ResourceId& type,
                                const ResourceId& name);

// An ANSI resource name or type as FindResourceA takes it: a number from
// MAKEINTRESOURCE, "#123" for a number, or a text.
ResourceId IdFromAnsi(LPCSTR id);

}  // namespace trv::resources
