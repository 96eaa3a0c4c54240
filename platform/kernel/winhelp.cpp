// WinHelp: there is no help viewer on this platform; every request is recorded and
// handed to whoever listens (tests, or a front end that shows help).
#include <cstring>

#include "platform/kernel.h"
#include "platform/kernel/listeners.h"
#include "platform/stand_in.h"

namespace {

trv::kernel::Listeners<trv::HelpRequest>& helpListeners() {
  static auto* l = new trv::kernel::Listeners<trv::HelpRequest>;
  return *l;
}

// HELP_WM_HELP and HELP_CONTEXTMENU pass pairs of control id and topic that end
// with a zero control id.
std::vector<DWORD> IdPairs(ULONG_PTR data) {
  std::vector<DWORD> out;
  const auto* ids = reinterpret_cast<const DWORD*>(data);
  if (ids == nullptr) return out;
  for (int pair = 0; pair < 4096; ++pair) {
    DWORD control = ids[2 * pair];
    DWORD topic = ids[2 * pair + 1];
    out.push_back(control);
    out.push_back(topic);
    if (control == 0) break;
  }
  return out;
}

}  // namespace

namespace trv {
int AddHelpListener(HelpListener listener) { return helpListeners().Add(std::move(listener)); }
void RemoveHelpListener(int cookie) { helpListeners().Remove(cookie); }
}  // namespace trv

TRVAPI BOOL WINAPI WinHelpA(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data) {
  trv::HelpRequest request{window, helpFile != nullptr ? helpFile : "", command, data, {}, {}};
  if ((command == HELP_KEY || command == HELP_PARTIALKEY) && data != 0)
    request.keyword = reinterpret_cast<const char*>(data);
  if (command == HELP_WM_HELP || command == HELP_CONTEXTMENU) request.idPairs = IdPairs(data);
  helpListeners().Call(request);
  return TRUE;
}
