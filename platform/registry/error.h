// The one way a registry failure travels inside the platform library: thrown as a
// Windows error code and turned into the call's result at the API edge.
// Internal to the platform library.
#pragma once

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::registry {

struct RegistryError {
  LONG code;
  explicit RegistryError(LONG c) : code(c) {}
};

}  // namespace trv::registry

#include <new>

namespace trv::registry {

// The API edge: runs a registry call's body and returns its Windows result.
template <typename Body>
LONG Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const RegistryError& e) {
    return e.code;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

}  // namespace trv::registry
