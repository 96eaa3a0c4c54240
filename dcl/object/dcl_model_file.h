// Layer 3 of the DCL object: fills the model tables from the model definition file
// in the printer-driver folder.
#pragma once

#include <string>

#include "dcl/object/dcl_model_table.h"

namespace trv::dcl {

// The spooler's printer-driver folder with the version subfolder of the platform and
// a closing backslash ("...\w32x86\3\" on Windows 2000 and later, "...\2\" on NT 4.0,
// no subfolder on 95/98/Me); empty when the spooler cannot say.
std::string DriverDirectory();

class CDCLModelFile : public CDCLModelTable {
 public:
  ~CDCLModelFile() override;
  BOOL Terminate() override;                                             // 7
  BOOL LoadConfiguration(ModelTables* tables) override;                  // 84
  const char* GetDefFileName() override = 0;                             // 98
  BOOL LookUpResourceName(const char* name, LONG* value) override;       // 99
  BOOL FreeConfiguration(ModelTables* tables) override;                  // 100
  BOOL LoadDefFile(ModelTables* tables, const char* fileName) override;  // 101
};

}  // namespace trv::dcl
