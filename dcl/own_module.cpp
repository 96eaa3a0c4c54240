#include "dcl/own_module.h"

#include "platform/kernel.h"

namespace trv::dcl {

namespace {
// Any address inside this module names it.
const char kAnchor = 0;
}  // namespace

HMODULE OwnModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          &kAnchor, &module)) {
    return nullptr;
  }
  return module;
}

}  // namespace trv::dcl
