#include "dcl/epl/dcl_epl.h"

#include <new>

#include "dcl/object/host_interface.h"
#include "platform/kernel.h"

namespace trv::dcl {
const char* CDCLEpl::GetHelpFileName() { return "TRVEPL.HLP"; }
BOOL CDCLEpl::LoadConfiguration(ModelTables* tables) {
  return LoadForLanguage(tables, kEplProfile);
}
const char* CDCLEpl::GetDefFileName() { return "TRVEPL.DEF"; }

// Font download, text commands and the bar-code names are the EPL commands the
// back-end writes; they come with the EPL job commands.
BOOL CDCLEpl::AddDownloadFont(void*, ModelTables*, WORD*, HWND, void*) { return NotYetOffered(); }
BOOL CDCLEpl::DeleteDownloadFont(const char*, void*) { return NotYetOffered(); }
BOOL CDCLEpl::WriteTextCommand(LONG, LONG, LONG, LONG, LONG, LONG, LONG, DWORD,
                               const TextFontEntry*, const BYTE*, DWORD, BYTE*) {
  return NotYetOffered();
}
const NameTableEntry* CDCLEpl::GetNameTable(spool::ItemKind) { return nullptr; }
DWORD CDCLEpl::GetNameTableCount(spool::ItemKind) { return 0; }

CDCLBase* CreateDclObject() { return new (std::nothrow) CDCLEpl(); }

}  // namespace trv::dcl
