#include "dcl/cpcl/testing/cpcl_fixture.h"

#include <cstring>
#include <utility>

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

}  // namespace

PortScript& Script() {
  static PortScript script;
  return script;
}

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

void InstallSamples(TestCpcl& layer) {
  layer.AddFont(1, "40");
  layer.AddFont(2, "00000009", 0, 0x02);
  TextFontEntry& magnified = layer.AddFont(3, "70", 0x300);
  magnified.info.defaultMultiplierX = 2;
  magnified.info.defaultMultiplierY = 3;
  layer.AddFont(4, "40", 0x4000);
  layer.AddFont(5, "4000");  // neither resident nor downloaded
  // The same Code 128 twice, its human-readable text off (2) and on (3).
  for (const auto& [id, readable] : {std::pair<WORD, const char*>{2, "BT OFF"}, {3, "BT"}}) {
    layer.AddBarcode(id, "%(4) 128 %(1) %(2) %(3) %x %y %d%r%n");
    layer.AddProperty(id, 4, 0x800, "B");
    layer.AddProperty(id, 1, 0, "1");
    layer.AddProperty(id, 2, 0, "1");
    layer.AddProperty(id, 3, 0x100, "50");
    layer.AddProperty(id, 5, 0x200, readable);
  }
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
