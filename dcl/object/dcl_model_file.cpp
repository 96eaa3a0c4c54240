#include "dcl/object/dcl_model_file.h"

#include <string>
#include <vector>

#include "dcl/model/symbols.h"
#include "dcl/object/option_table.h"
#include "dcl/windows_version.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/winspool.h"

namespace trv::dcl {

std::string DriverDirectory() {
  char folder[1024] = "";
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder),
                                  sizeof folder, &needed))
    return "";
  std::string directory = folder;
  directory += '\\';
  // Drivers of Windows 2000 and later live in the version-3 folder, those of NT 4.0
  // in the version-2 folder; Windows 95/98/Me use the environment folder itself.
  if (IsWindowsNT()) directory += WindowsMajorVersion() >= 5 ? "3\\" : "2\\";
  return directory;
}

CDCLModelFile::~CDCLModelFile() { FreeConfiguration(&Tables()); }

BOOL CDCLModelFile::Terminate() {
  CDCLModelTable::Terminate();
  FreeConfiguration(&Tables());
  return TRUE;
}

BOOL CDCLModelFile::LoadConfiguration(ModelTables* tables) {
  return LoadDefFile(tables, GetDefFileName());
}

BOOL CDCLModelFile::LookUpResourceName(const char* name, LONG* value) {
  if (name == nullptr || value == nullptr) return FALSE;
  return LookUpFileSymbol(name, *value) ? TRUE : FALSE;
}

BOOL CDCLModelFile::FreeConfiguration(ModelTables* tables) {
  if (tables != nullptr) dcl::FreeConfiguration(*tables);
  return TRUE;
}

BOOL CDCLModelFile::LoadDefFile(ModelTables* tables, const char* fileName) {
  if (tables == nullptr || fileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string directory = DriverDirectory();
  return LoadModelDefinition(*tables, directory.c_str(), fileName, &Callbacks(), OptionTable());
}

}  // namespace trv::dcl
