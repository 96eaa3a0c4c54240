#include "platform/spooler/port_store.h"

namespace trv::spooler {

// Ports without registered settings are resolved by name until the registry part
// of the platform is available.
bool LookupPortSettings(const std::string&, std::string* settings) {
  settings->clear();
  return false;
}

}  // namespace trv::spooler
