#include "dcl/epl/testing/epl_fixture.h"

#include <cstring>

#include "dcl/object/option_blobs.h"
#include "dcl/object/option_table.h"
#include "platform/kernel.h"

namespace trv::dcl::epl::testing {

BOOL WINAPI MemoryWrite(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD written) {
  auto* port = static_cast<MemoryPort*>(h);
  *written = 0;
  if (port->writes++ == port->failWrite) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  port->count += size;
  if (size == 4 && std::memcmp(buffer, "^ee\n", 4) == 0) {
    ++port->queries;
    port->replyAt = 0;
  }
  if (port->keep) port->bytes.append(reinterpret_cast<char*>(buffer), size);
  *written = size;
  return TRUE;
}

BOOL WINAPI MemoryRead(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD read) {
  auto* port = static_cast<MemoryPort*>(h);
  *read = 0;
  if (size == 0 || port->replyAt >= port->reply.size()) return TRUE;
  buffer[0] = static_cast<BYTE>(port->reply[port->replyAt++]);
  *read = 1;
  return TRUE;
}

void UseMemoryPort(CDCLBase& object, MemoryPort* port) {
  DevicePort& p = object.Port();
  p.handle = port;
  p.writePort = MemoryWrite;
  p.readPort = MemoryRead;
  p.kind = PORT_KIND_NONE;
}

std::vector<BYTE>& DocProps::For(WORD id) {
  for (const OptionEntryEx& e : OptionTable())
    if (e.base.optionId == id && (e.base.flags & OPTION_SCOPE_DEVICE)) return dev_;
  return doc_;
}

DocProps& DocProps::Add(WORD id, std::vector<DWORD> words) {
  std::vector<BYTE>& values = For(id);
  DWORD size = 8 + 4 * static_cast<DWORD>(words.size());
  size_t at = values.size();
  values.resize(at + size);
  std::memcpy(values.data() + at, &size, 4);
  std::memcpy(values.data() + at + 4, &id, 2);
  for (size_t i = 0; i < words.size(); ++i)
    std::memcpy(values.data() + at + 8 + 4 * i, &words[i], 4);
  return *this;
}

DocProps& DocProps::AddText(WORD id, const std::string& text) {
  std::vector<BYTE>& values = For(id);
  DWORD size = 12 + static_cast<DWORD>(text.size()) + 1;
  size_t at = values.size();
  values.resize(at + size, 0);
  DWORD enabled = 1;
  std::memcpy(values.data() + at, &size, 4);
  std::memcpy(values.data() + at + 4, &id, 2);
  std::memcpy(values.data() + at + 8, &enabled, 4);
  std::memcpy(values.data() + at + 12, text.data(), text.size());
  return *this;
}

void DocProps::AttachTo(CDCLBase& object) {
  auto build = [](std::vector<BYTE>& blob, const std::vector<BYTE>& values, DWORD header) {
    blob.assign(header, 0);
    DWORD count = static_cast<DWORD>(values.size());
    WORD model = 7, tray = 1, paper = 2;
    std::memcpy(blob.data(), &header, 4);
    std::memcpy(blob.data() + 8, &count, 4);
    std::memcpy(blob.data() + 12, &model, 2);
    if (header == 32) {
      std::memcpy(blob.data() + 14, &tray, 2);
      std::memcpy(blob.data() + 16, &paper, 2);
    }
    blob.insert(blob.end(), values.begin(), values.end());
  };
  build(docBlob_, doc_, kDocPropsHeaderSize);
  build(devBlob_, dev_, kDevPropsHeaderSize);
  object.AttachDocProps(docBlob_.data());
  object.AttachDevProps(devBlob_.data());
}

bool TestEpl::FindJobPaper(PaperEntry& p) {
  if (havePaper) p = paper;
  return havePaper;
}
bool TestEpl::FindJobModel(ModelEntry& m) {
  m = model;
  return true;
}
BOOL TestEpl::LoadJobLists(StoredLists& lists) {
  lists.fonts = fonts;
  lists.barcodes = barcodes;
  lists.properties = properties;
  return TRUE;
}

PrinterConfig FullConfig() {
  PrinterConfig config;
  config.family = kFamilyEpl;
  config.resolutionX = config.resolutionY = 203;
  config.capabilities = 0xFFFFFFFF;
  config.printModes = 0x1C;
  return config;
}

}  // namespace trv::dcl::epl::testing
