// TRVCPL.DLL is the DCL framework with the CPCL back-end; everything it exports
// comes from the framework, which creates its DCL objects through CreateDclObject.
#include "dcl/cpcl/dcl_cpcl.h"
