// The option-value blobs of one printer model: DocProps (document options) and
// DevProps (device options). Each holds the values of all options of its scope, in
// the order of the model's option list, each value taking exactly its size (the value
// layouts are in option_value.h). The headers, little-endian:
//   DocProps (32 bytes)                     DevProps (20 bytes)
//   0  u32  header size, 32                 0  u32  header size, 20
//   4  u32  library version number          4  u32  library version number
//   8  u32  byte count of the values        8  u32  byte count of the values
//   12 u16  model key                       12 u16  model key
//   14 u16  default tray                    14 2 bytes not written
//   16 u16  default paper of that tray      16 u32  address of the first value
//   18 u16  default ribbon for that paper
//   20 u16  paper placement code (1-3)
//   22 u16  default ribbon option
//   24 u16  complementary ribbon option
//   26 2 bytes not written
//   28 u32  address of the first value
#pragma once

#include "platform/windef.h"
#include "spool/record.h"

namespace trv::dcl {

class CDCLBase;

// The record stream carries these blobs too; the sizes and value pointers are its own.
inline constexpr DWORD kDocPropsHeaderSize = spool::DOCPROPS_HEADER_SIZE;
inline constexpr DWORD kDevPropsHeaderSize = spool::DEVPROPS_HEADER_SIZE;
inline constexpr DWORD kBlobOffsetHeaderSize = 0;
inline constexpr DWORD kBlobOffsetVersion = 4;
inline constexpr DWORD kBlobOffsetValueBytes = 8;
inline constexpr DWORD kBlobOffsetModelKey = 12;
inline constexpr DWORD kDocPropsOffsetTray = 14;
inline constexpr DWORD kDocPropsOffsetPaper = 16;
inline constexpr DWORD kDocPropsOffsetRibbon = 18;
inline constexpr DWORD kDocPropsOffsetPlacement = 20;
inline constexpr DWORD kDocPropsOffsetRibbonOption = 22;
inline constexpr DWORD kDocPropsOffsetComplementaryOption = 24;
inline constexpr DWORD kDocPropsOffsetValues = spool::DOCPROPS_OFFSET_VALUES;
inline constexpr DWORD kDevPropsOffsetValues = spool::DEVPROPS_OFFSET_VALUES;
inline constexpr WORD OPTION_SCOPE_DOCUMENT = 0x0001;
inline constexpr WORD OPTION_SCOPE_DEVICE = 0x0002;

// Builds a blob with every option's default value (GetDocProps, GetDevProps).
BOOL GetOptionBlob(CDCLBase* object, bool device, WORD modelKey, BYTE* buffer, DWORD size,
                   DWORD* needed);
// Attaches a host blob after checking its size (SetDocProps, SetDevProps).
BOOL SetOptionBlob(CDCLBase* object, bool device, WORD modelKey, BYTE* buffer, DWORD size);

// Stands for the size of a blob that its holder vouches for through its own
// header (a host's blob handed in with a call): header size plus value bytes.
inline constexpr DWORD kBlobSizeFromHeader = 0xFFFFFFFF;

// The value of an option inside a blob of `blobSize` bytes, or null. The walk
// never leaves the blob, whatever its size fields say.
BYTE* FindOptionValue(BYTE* blob, DWORD blobSize, bool device, WORD optionId);
// The model key a blob was built for; 0 for a null blob.
WORD BlobModelKey(const BYTE* blob);
// The scope bits (OPTION_SCOPE_*) of an option of the model, 0 when it has none.
WORD OptionScope(CDCLBase* object, WORD modelKey, WORD optionId);

}  // namespace trv::dcl
