// The machine's ports and their settings, kept where Windows keeps them:
// HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports, one value per port
// (name -> settings text, see port_target.h).
#pragma once

#include <string>

namespace trv::spooler {

// The settings of a registered port; false when the port is not registered.
bool LookupPortSettings(const std::string& name, std::string* settings);

}  // namespace trv::spooler
