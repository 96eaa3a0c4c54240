// The device structure GDI holds for the driver (DHPDEV): the device itself and the
// GDI objects made for it, marked "TRV0" at both ends so that every entry point can
// tell a live device from anything else.
#pragma once

#include <memory>

#include "driver/device.h"
#include "platform/winddi.h"

namespace trv::driver {

inline constexpr DWORD kPdevMagic = 0x30565254;  // "TRV0"

struct PDEV {
  DWORD magic = kPdevMagic;
  std::unique_ptr<Device> device;
  HDEV gdiDevice = nullptr;
  HPALETTE palette = nullptr;
  HSURF surface = nullptr;
  DWORD magicEnd = kPdevMagic;
};

// The live device behind a handle, or null with ERROR_INVALID_PARAMETER.
PDEV* PdevOf(DHPDEV handle);
// The live device of a surface GDI hands a drawing or page call.
PDEV* PdevOf(SURFOBJ* surface);

// The surface's bits as the page work sees them; bits null when the surface is not
// a top-down 1-bpp or 24-bpp bitmap.
SurfaceView ViewOf(const SURFOBJ* surface);

// The capabilities the device reports to GDI; each copies at most `size` bytes.
void FillGdiInfo(const Device& device, ULONG size, ULONG* out);
// False with the engine's error when the default palette cannot be made.
bool FillDevInfo(const Device& device, PDEV& pdev, ULONG size, DEVINFO* out);

}  // namespace trv::driver
