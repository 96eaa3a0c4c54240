// The option-value blobs of one printer model: DocProps (document options, 32-byte
// header) and DevProps (device options, 20-byte header). Each holds the values of
// all options of its scope, in the order of the model's option list; every value
// starts with its 32-bit size and 16-bit option id.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

class CDCLBase;

inline constexpr DWORD kDocPropsHeaderSize = 32;
inline constexpr DWORD kDevPropsHeaderSize = 20;
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
// The scope bits (OPTION_SCOPE_*) of an option of the model, 0 when it has none.
WORD OptionScope(CDCLBase* object, WORD modelKey, WORD optionId);

}  // namespace trv::dcl
