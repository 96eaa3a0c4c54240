#include "tools/trvrc/emit.h"

#include <cstdio>

namespace trvrc {

std::string EmitSource(const std::vector<trv::Resource>& resources, const std::string& scriptName) {
  trv::Bytes directory = trv::BuildResourceDirectory(resources);
  std::string out;
  out += "// Made by trvrc from " + scriptName + "; edit the script, not this file.\n";
  out += "// The module's resources: the platform reads this directory from the module\n";
  out += "// file's trv_rsrc section.\n";
  out += "__attribute__((section(\"trv_rsrc\"), used, aligned(16)))\n";
  out += "static const unsigned char trvResourceDirectory[" + std::to_string(directory.size()) +
         "] = {";
  char hex[8];
  for (size_t i = 0; i < directory.size(); ++i) {
    std::snprintf(hex, sizeof hex, "0x%02x,", directory[i]);
    out += (i % 16 == 0 ? "\n    " : " ");
    out += hex;
  }
  out += "\n};\n";
  return out;
}

}  // namespace trvrc
