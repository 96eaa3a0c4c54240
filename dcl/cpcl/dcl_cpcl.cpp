#include "dcl/cpcl/dcl_cpcl.h"

#include <new>

#include "dcl/object/host_interface.h"
#include "platform/kernel.h"

namespace trv::dcl {
const char* CDCLCpcl::GetHelpFileName() { return "TRVCPL.HLP"; }
BOOL CDCLCpcl::LoadConfiguration(ModelTables* tables) {
  return LoadForLanguage(tables, kCpclProfile);
}
const char* CDCLCpcl::GetDefFileName() { return "TRVCPL.DEF"; }

// Font download, text commands and the bar-code names are the CPCL commands the
// back-end writes; they come with the CPCL job commands.
BOOL CDCLCpcl::AddDownloadFont(void*, ModelTables*, WORD*, HWND, void*) { return NotYetOffered(); }
BOOL CDCLCpcl::DeleteDownloadFont(const char*, void*) { return NotYetOffered(); }
BOOL CDCLCpcl::WriteTextCommand(LONG, LONG, LONG, LONG, LONG, LONG, LONG, DWORD,
                                const TextFontEntry*, const BYTE*, DWORD, BYTE*) {
  return NotYetOffered();
}
const char* const* CDCLCpcl::GetNameTable(spool::ItemKind) { return nullptr; }
DWORD CDCLCpcl::GetNameTableCount(spool::ItemKind) { return 0; }

DWORD CDCLCpcl::NextRotation(DWORD* direction) {
  // CPCL turns counter-clockwise: 0 -> 0x4000 -> 0x2000 -> 0x1000 -> 0.
  DWORD old = *direction;
  switch (old) {
    case 0: *direction = 0x4000; break;
    case 0x4000: *direction = 0x2000; break;
    case 0x2000: *direction = 0x1000; break;
    default: *direction = 0; break;
  }
  return old;
}

CDCLBase* CreateDclObject() { return new (std::nothrow) CDCLCpcl(); }

}  // namespace trv::dcl
