// The fixed part of a module's version information, as VerQueryValueA answers
// it for "\\", and the values its fields take.
#pragma once

#include "platform/windef.h"

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FFI_FILEFLAGSMASK 0x0000003Fu

#define VS_FF_DEBUG 0x00000001u
#define VS_FF_PRERELEASE 0x00000002u
#define VS_FF_PATCHED 0x00000004u
#define VS_FF_PRIVATEBUILD 0x00000008u
#define VS_FF_INFOINFERRED 0x00000010u
#define VS_FF_SPECIALBUILD 0x00000020u

#define VOS_UNKNOWN 0x00000000u
#define VOS_NT 0x00040000u
#define VOS__WINDOWS32 0x00000004u
#define VOS_NT_WINDOWS32 0x00040004u

#define VFT_UNKNOWN 0x00000000u
#define VFT_APP 0x00000001u
#define VFT_DLL 0x00000002u
#define VFT_DRV 0x00000003u
#define VFT_FONT 0x00000004u
#define VFT2_UNKNOWN 0x00000000u
#define VFT2_DRV_PRINTER 0x00000001u

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "VS_FIXEDFILEINFO is 52 bytes on every platform");
