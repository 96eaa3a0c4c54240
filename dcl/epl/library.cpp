// TRVEPL.DLL is the DCL framework with the EPL back-end; everything it exports
// comes from the framework, which creates its DCL objects through CreateDclObject.
#include "dcl/epl/dcl_epl.h"
