// What a language library does when it is attached to a process and detached from
// it: keep its module's version block for its whole life. The version texts of
// every object (product name, comments, help file, version number) come from it.
#include "dcl/library_version.h"

namespace trv::dcl {
namespace {

struct LibraryAttachment {
  LibraryAttachment() { LoadLibraryVersionBlock(); }
  ~LibraryAttachment() { FreeLibraryVersionBlock(); }
};

const LibraryAttachment attachment;

}  // namespace
}  // namespace trv::dcl
