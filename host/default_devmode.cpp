// The printer's default devmode: the one GDI gives the driver when an application asks
// for none. The driver builds it from the printer data just stored; the choices a user
// already made in the printer's current default (copies, orientation, paper, the
// private settings the driver can read) are kept on top of it.
#include <string>
#include <vector>

#include "driver/devmode.h"
#include "host/printer_data.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/winerror.h"
#include "platform/winspool.h"

namespace trv::host {
namespace {

struct OpenPrinterHandle {
  HANDLE h = nullptr;
  ~OpenPrinterHandle() {
    if (h != nullptr) ClosePrinter(h);
  }
};

std::u16string Wide(const char* text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return {};
  std::u16string wide(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(wide.data()), n);
  wide.pop_back();  // the terminator
  return wide;
}

}  // namespace

BOOL StoreDefaultDevmode(const char* printerName) {
  if (printerName == nullptr || *printerName == '\0') return Fail(ERROR_INVALID_PARAMETER);
  std::u16string name = Wide(printerName);
  OpenPrinterHandle printer;
  if (!OpenPrinterW(reinterpret_cast<LPWSTR>(name.data()), &printer.h, nullptr)) return FALSE;
  std::optional<driver::DriverDevmode> devmode = driver::BuildDefaultDevmode(name, printer.h);
  if (!devmode) return Fail(LastErrorOr(ERROR_INVALID_DATA));

  DWORD needed = 0;
  GetPrinterW(printer.h, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  if (needed == 0 || !GetPrinterW(printer.h, 2, info.data(), needed, &needed)) return FALSE;
  auto* current = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
  if (const DEVMODEW* old = current->pDevMode; old != nullptr) {
    // A default the driver cannot read (another driver's, or damaged) is replaced whole.
    driver::DriverDevmode merged = *devmode;
    const std::span<const BYTE> bytes{reinterpret_cast<const BYTE*>(old),
                                      std::size_t{old->dmSize} + old->dmDriverExtra};
    if (driver::MergeDevmode(merged, bytes, printer.h)) devmode = std::move(merged);
  }
  std::vector<BYTE> bytes = devmode->Bytes();
  current->pDevMode = reinterpret_cast<DEVMODEW*>(bytes.data());
  return SetPrinterW(printer.h, 2, info.data(), 0);
}

}  // namespace trv::host
