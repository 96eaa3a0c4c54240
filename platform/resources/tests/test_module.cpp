// A module whose only purpose is to carry the resources of test_module.rc.
#include "platform/windef.h"

extern "C" TRV_EXPORT int ResTestPresent() { return 1; }
