// Building module resources: the resource directory that a module carries in its
// trv_rsrc section, the version-information block (VS_VERSIONINFO) and string-table
// bundles. The resource compiler trvrc builds modules' resources with these; tests
// use them to make exactly the blocks a case needs.
//
// The builders throw std::invalid_argument for a description that cannot be
// stored (a duplicate resource, a number or text out of range).
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/windef.h"
#include "platform/winver.h"

namespace trv {

using Bytes = std::vector<BYTE>;

// A resource type or name: a number (what MAKEINTRESOURCE carries, 1 to 65535) or
// a text, which FindResourceA matches without regard to case.
using ResourceId = std::variant<WORD, std::u16string>;

struct Resource {
  ResourceId type;
  ResourceId name;
  LANGID language = 0;
  Bytes data;
};

// The directory of a module's resources, as its trv_rsrc section holds it.
TRV_EXPORT Bytes BuildResourceDirectory(const std::vector<Resource>& resources);

// ---- version information --------------------------------------------------------
struct VersionTranslation {
  WORD language;
  WORD codePage;
};

// One block of StringFileInfo: its key names language and code page in hex
// ("040904B0"); the values keep their order.
struct VersionStringTable {
  std::u16string key;
  std::vector<std::pair<std::u16string, std::u16string>> values;
};

struct VersionDescription {
  DWORD fileVersionMS = 0;
  DWORD fileVersionLS = 0;
  DWORD productVersionMS = 0;
  DWORD productVersionLS = 0;
  DWORD fileFlagsMask = VS_FFI_FILEFLAGSMASK;
  DWORD fileFlags = 0;
  DWORD fileOS = VOS_NT_WINDOWS32;
  DWORD fileType = VFT_DLL;
  DWORD fileSubtype = VFT2_UNKNOWN;
  DWORD fileDateMS = 0;
  DWORD fileDateLS = 0;
  // No tables: the block has no StringFileInfo.
  std::vector<VersionStringTable> stringTables;
  // Absent: the block has no VarFileInfo. Present, even empty: a "Translation"
  // value holding these entries.
  std::optional<std::vector<VersionTranslation>> translations;
};

// The id of a module's version resource (type RT_VERSION).
constexpr WORD kVersionResourceId = 1;

// The VS_VERSIONINFO block as a module stores it (the RT_VERSION resource).
TRV_EXPORT Bytes BuildVersionResource(const VersionDescription& description);

// The buffer that GetFileVersionInfoA fills for a module with this version
// resource: the block, a signature and the spare room into which VerQueryValueA
// converts the texts it answers. Its size is what GetFileVersionInfoSizeA answers.
// Empty when the resource is not a well-formed version block.
TRV_EXPORT Bytes FileVersionInfoBuffer(std::span<const BYTE> versionResource);

// ---- string tables --------------------------------------------------------------
// The RT_STRING resources for numbered texts (ids 0 to 65535): one bundle of 16
// counted UTF-16 strings per run of 16 ids that holds any text, named id / 16 + 1.
// An empty text is stored as it is; like a missing one, it loads as nothing.
TRV_EXPORT std::vector<Resource> BuildStringTable(const std::map<UINT, std::u16string>& strings,
                                                  LANGID language);

}  // namespace trv
