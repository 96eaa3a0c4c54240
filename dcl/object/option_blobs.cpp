#include "dcl/object/option_blobs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dcl/model/doc_defaults.h"
#include "dcl/object/dcl_base.h"
#include "dcl/object/option_value.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

template <typename T>
void Put(BYTE* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T Get(const BYTE* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

DWORD HeaderSize(bool device) { return device ? kDevPropsHeaderSize : kDocPropsHeaderSize; }
WORD ScopeBit(bool device) { return device ? OPTION_SCOPE_DEVICE : OPTION_SCOPE_DOCUMENT; }

// The options of the model that belong in the blob, in list order.
std::vector<WORD> ScopeOptions(CDCLBase* o, WORD modelKey, bool device) {
  std::vector<WORD> ids;
  DWORD n = o->GetOptionCount(modelKey);
  for (DWORD i = 0; i < n; ++i) {
    const OptionEntry* e = o->GetOption(modelKey, i);
    if (e != nullptr && (e->flags & ScopeBit(device))) ids.push_back(e->optionId);
  }
  return ids;
}

DWORD ValuesSize(CDCLBase* o, const std::vector<WORD>& ids) {
  DWORD total = 0;
  for (WORD id : ids) total += o->GetOptionValueSize(id);
  return total;
}

// The pointer field of a blob header holds the low 32 bits of the first value's
// address: a defined value for a 4-byte field; consumers use their own pointer.
void PutValuePointer(BYTE* blob, bool device) {
  DWORD at = device ? kDevPropsOffsetValues : kDocPropsOffsetValues;
  Put<DWORD>(blob + at, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(blob + HeaderSize(device))));
}

}  // namespace

BOOL GetOptionBlob(CDCLBase* o, bool device, WORD modelKey, BYTE* buffer, DWORD size,
                   DWORD* needed) {
  if (!CDCLBase::IsValid(o)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<WORD> ids = ScopeOptions(o, modelKey, device);
  DWORD values = ValuesSize(o, ids);
  DWORD total = HeaderSize(device) + values;
  if (needed != nullptr) *needed = total;
  if (buffer == nullptr || size < total) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memset(buffer, 0, HeaderSize(device));
  Put<DWORD>(buffer + kBlobOffsetHeaderSize, HeaderSize(device));
  Put<DWORD>(buffer + kBlobOffsetVersion, o->GetVersionNumber());
  Put<DWORD>(buffer + kBlobOffsetValueBytes, values);
  Put<WORD>(buffer + kBlobOffsetModelKey, modelKey);
  if (!device) {
    DocDefaults d = GetDocDefaults(*o, modelKey);
    Put<WORD>(buffer + kDocPropsOffsetTray, d.tray);
    Put<WORD>(buffer + kDocPropsOffsetPaper, d.paper);
    Put<WORD>(buffer + kDocPropsOffsetRibbon, d.ribbon);
    Put<WORD>(buffer + kDocPropsOffsetPlacement, d.placement);
    Put<WORD>(buffer + kDocPropsOffsetRibbonOption, d.ribbonOption);
    Put<WORD>(buffer + kDocPropsOffsetComplementaryOption, d.complementaryRibbonOption);
  }
  PutValuePointer(buffer, device);
  BYTE* at = buffer + HeaderSize(device);
  for (WORD id : ids) {
    DWORD valueSize = o->GetOptionValueSize(id);
    const BYTE* value = o->GetOptionDefault(id);
    if (value != nullptr)
      std::memcpy(at, value, valueSize);
    else
      std::memset(at, 0, valueSize);
    o->NotifyOptionChanged(id, at, OPTION_WRITTEN_AS_DEFAULT);
    at += valueSize;
  }
  return TRUE;
}

BOOL SetOptionBlob(CDCLBase* o, bool device, WORD modelKey, BYTE* buffer, DWORD size) {
  if (!CDCLBase::IsValid(o) || buffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<WORD> ids = ScopeOptions(o, modelKey, device);
  DWORD values = ValuesSize(o, ids);
  if (size != HeaderSize(device) + values) return Fail(ERROR_INVALID_PARAMETER);
  Put<DWORD>(buffer + kBlobOffsetHeaderSize, HeaderSize(device));
  Put<DWORD>(buffer + kBlobOffsetValueBytes, values);
  PutValuePointer(buffer, device);
  BOOL attached = device ? o->AttachDevProps(buffer) : o->AttachDocProps(buffer);
  if (!attached) return FALSE;
  for (WORD id : ids)
    if (BYTE* value = FindOptionValue(buffer, size, device, id))
      o->NotifyOptionChanged(id, value, OPTION_ATTACHED);
  return TRUE;
}

BYTE* FindOptionValue(BYTE* blob, DWORD blobSize, bool device, WORD optionId) {
  if (blob == nullptr || blobSize < HeaderSize(device)) return nullptr;
  DWORD header = Get<DWORD>(blob + kBlobOffsetHeaderSize);
  if (header != HeaderSize(device)) return nullptr;
  DWORD values = Get<DWORD>(blob + kBlobOffsetValueBytes);
  if (blobSize != kBlobSizeFromHeader) values = std::min(values, blobSize - header);
  DWORD at = 0;
  while (at + kValueMinimumSize <= values) {
    BYTE* value = blob + header + at;
    OptionValueView v(value, values - at);
    // A broken size ends the walk.
    if (v.Size() < kValueMinimumSize || v.Size() > values - at) return nullptr;
    if (v.Id() == optionId) return value;
    at += v.Size();
  }
  return nullptr;
}

WORD BlobModelKey(const BYTE* blob) {
  return blob != nullptr ? Get<WORD>(blob + kBlobOffsetModelKey) : WORD{0};
}

WORD OptionScope(CDCLBase* o, WORD modelKey, WORD optionId) {
  DWORD n = o->GetOptionCount(modelKey);
  for (DWORD i = 0; i < n; ++i) {
    const OptionEntry* e = o->GetOption(modelKey, i);
    if (e != nullptr && e->optionId == optionId)
      return e->flags & (OPTION_SCOPE_DOCUMENT | OPTION_SCOPE_DEVICE);
  }
  return 0;
}

}  // namespace trv::dcl
