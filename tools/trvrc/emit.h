// The C++ source that gives a module its resources: the resource directory as a
// byte array in the module's trv_rsrc section, where the platform looks for it.
#pragma once

#include <string>
#include <vector>

#include "platform/resources.h"

namespace trvrc {

std::string EmitSource(const std::vector<trv::Resource>& resources, const std::string& scriptName);

}  // namespace trvrc
