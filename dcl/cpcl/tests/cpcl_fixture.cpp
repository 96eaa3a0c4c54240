#include "dcl/cpcl/tests/cpcl_fixture.h"

#include <cstring>

#include "platform/kernel.h"

namespace trv::dcl::testing {

namespace {

BOOL WINAPI ScriptWrite(HANDLE, LPBYTE bytes, DWORD size, LPDWORD written) {
  PortScript& s = Script();
  *written = 0;
  if (s.failWrites > 0 || s.writesBeforeFail == 0) {
    if (s.failWrites > 0) --s.failWrites;
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  if (s.writesBeforeFail > 0) --s.writesBeforeFail;
  s.written.append(reinterpret_cast<const char*>(bytes), size);
  *written = size;
  return TRUE;
}

BOOL WINAPI ScriptRead(HANDLE, LPBYTE buffer, DWORD size, LPDWORD read) {
  PortScript& s = Script();
  *read = 0;
  if (size == 0 || s.answers.empty()) return TRUE;
  int answer = s.answers.front();
  if (s.answers.size() > 1) s.answers.pop_front();  // the last answer stays
  if (answer < 0) return TRUE;
  buffer[0] = static_cast<BYTE>(answer);
  *read = 1;
  return TRUE;
}

void PutValue(std::vector<BYTE>& blob, WORD id, std::vector<LONG> words,
              const std::string& text = {}, DWORD size = 0) {
  std::vector<BYTE> v(8 + words.size() * 4, 0);
  for (size_t i = 0; i < words.size(); ++i) std::memcpy(v.data() + 8 + 4 * i, &words[i], 4);
  v.insert(v.end(), text.begin(), text.end());
  if (size > v.size()) v.resize(size, 0);
  DWORD total = static_cast<DWORD>(v.size());
  std::memcpy(v.data(), &total, 4);
  std::memcpy(v.data() + 4, &id, 2);
  WORD flags = 0x1000;
  std::memcpy(v.data() + 6, &flags, 2);
  blob.insert(blob.end(), v.begin(), v.end());
}

std::vector<BYTE> WithHeader(const std::vector<BYTE>& values, DWORD headerSize) {
  std::vector<BYTE> blob(headerSize + values.size(), 0);
  std::memcpy(blob.data(), &headerSize, 4);
  DWORD count = static_cast<DWORD>(values.size());
  std::memcpy(blob.data() + 8, &count, 4);
  WORD model = 1;
  std::memcpy(blob.data() + 12, &model, 2);
  if (!values.empty()) std::memcpy(blob.data() + headerSize, values.data(), values.size());
  return blob;
}

}  // namespace

PortScript& Script() {
  static PortScript script;
  return script;
}

OptionBlobs& OptionBlobs::Setting(WORD id, LONG setting) {
  PutValue(id == 0x3018 ? dev_ : doc_, id, {setting});
  return *this;
}
OptionBlobs& OptionBlobs::Dispense(LONG mode, LONG delay, LONG distance, DWORD switches) {
  PutValue(doc_, 0x2001, {mode, 0, delay, distance, 0, static_cast<LONG>(switches)});
  return *this;
}
OptionBlobs& OptionBlobs::Tracking(LONG mode, LONG sensor) {
  PutValue(doc_, 0x3005, {mode, 0, sensor});
  return *this;
}
OptionBlobs& OptionBlobs::UserCommand(WORD id, const std::string& text, DWORD enabled) {
  PutValue(doc_, id, {static_cast<LONG>(enabled)}, text, 80);
  return *this;
}
std::vector<BYTE> OptionBlobs::Doc() const { return WithHeader(doc_, 32); }
std::vector<BYTE> OptionBlobs::Dev() const { return WithHeader(dev_, 20); }

TestCpcl::TestCpcl() {
  SetConfig(FullConfig());
  paper.id = 1;
  model.id = 1;
  model.resolutionX = model.resolutionY = 203;
  Script() = PortScript{};
  DevicePort& port = Port();
  port.handle = reinterpret_cast<HANDLE>(1);
  port.kind = PORT_KIND_NONE;
  port.writePort = ScriptWrite;
  port.readPort = ScriptRead;
  Attach(OptionBlobs());
}

TestCpcl::~TestCpcl() { Port().handle = INVALID_HANDLE_VALUE; }

TextFontEntry& TestCpcl::AddFont(WORD id, const std::string& macro, DWORD infoFlags, WORD flags) {
  TextFontEntry f{};
  f.id = id;
  texts_.emplace_back(macro);
  f.commandMacro = texts_.back().get();
  f.info.flags = infoFlags;
  f.flags = flags;
  fonts.push_back(f);
  return fonts.back();
}

BarcodeFontEntry& TestCpcl::AddBarcode(WORD id, const std::string& macro) {
  BarcodeFontEntry b{};
  b.id = id;
  texts_.emplace_back(macro);
  b.commandMacro = texts_.back().get();
  barcodes.push_back(b);
  return barcodes.back();
}

void TestCpcl::AddProperty(WORD barcodeId, WORD optionId, WORD flags, const std::string& text) {
  BarcodeOptionEntry p{};
  p.key = barcodeId;
  p.optionId = optionId;
  p.flags = flags;
  texts_.emplace_back(text);
  p.value = texts_.back().get();
  properties.push_back(p);
}

void TestCpcl::Attach(const OptionBlobs& options) {
  docBlob = options.Doc();
  devBlob = options.Dev();
  AttachDocProps(docBlob.data());
  AttachDevProps(devBlob.data());
}

bool TestCpcl::FindJobPaper(PaperEntry& p) {
  if (havePaper) p = paper;
  return havePaper;
}
bool TestCpcl::FindJobModel(ModelEntry& m) {
  if (haveModel) m = model;
  return haveModel;
}
BOOL TestCpcl::LoadJobLists(StoredLists& lists) {
  ++listLoads;
  lists.fonts = fonts;
  lists.barcodes = barcodes;
  lists.properties = properties;
  return TRUE;
}

PrinterConfig FullConfig() {
  PrinterConfig c;
  c.family = kFamilyCpcl;
  c.resolutionX = c.resolutionY = 203;
  c.capabilities = 0x0001 | 0x0004 | 0x0020 | 0x2000 | 0x100000 | 0x200 | 0x80 | 0x1000;
  c.printModes = 0x02 | 0x04 | 0x08 | 0x10;
  c.mediaTracking = 0x01 | 0x04 | 0x08;
  c.internalFont = 1;
  return c;
}

}  // namespace trv::dcl::testing
