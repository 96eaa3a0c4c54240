#include "dcl/object/tests/framework_fixture.h"

#include <cstring>

#include "platform/stand_in.h"
#include "spool/writer.h"

namespace trv::dcl::testing {
namespace {

FakePort port;
const HANDLE kPortHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5150));

BOOL WINAPI FakeOpen(LPWSTR, HANDLE* h) {
  ++port.opens;
  *h = kPortHandle;
  return TRUE;
}
BOOL WINAPI FakeWrite(HANDLE, LPBYTE bytes, DWORD n, LPDWORD written) {
  *written = 0;
  if (port.failWrites > 0) {
    --port.failWrites;
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  port.written.append(reinterpret_cast<const char*>(bytes), n);
  *written = n;
  return TRUE;
}
BOOL WINAPI FakeRead(HANDLE, LPBYTE block, DWORD n, LPDWORD read) {
  *read = 0;
  if (n != kDeviceStatusWireSize) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  ++port.polls;
  bool busy = port.busy && (port.busyUntilPolls < 0 || port.polls < port.busyUntilPolls);
  DWORD words[7] = {kDeviceStatusWireSize, busy ? STATUS_BUSY : STATUS_READY, 0, 0, 0, 0, 0};
  std::memcpy(block, words, sizeof words);
  *read = n;
  return TRUE;
}
BOOL WINAPI FakeClose(HANDLE) {
  ++port.closes;
  return TRUE;
}
BOOL WINAPI FakeStartDoc(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) {
  ++port.startDocs;
  return TRUE;
}
BOOL WINAPI FakeEndDoc(HANDLE) {
  ++port.endDocs;
  return TRUE;
}

}  // namespace

FakePort& Port() { return port; }

PortAccessTable FakePort::Table() const {
  PortAccessTable t{};
  t.size = kPortAccessTableSize;
  t.marker = 0xFFFF;
  t.name = "SPOOLER Internal Monitor";
  t.openPort = FakeOpen;
  t.writePort = FakeWrite;
  t.readPort = FakeRead;
  t.closePort = FakeClose;
  t.startDocPort = FakeStartDoc;
  t.endDocPort = FakeEndDoc;
  return t;
}

void Framework::SetUp() {
  FreshMachine::SetUp();
  port = FakePort{};
  std::string path = trv::WindowsPath(TRV_TEST_MODULE);
  module_ = LoadLibraryA(path.c_str());
  ASSERT_NE(module_, nullptr) << path;
  initialize_ = reinterpret_cast<decltype(initialize_)>(GetProcAddress(module_, "DCLInitializeV2"));
  terminate_ = reinterpret_cast<decltype(terminate_)>(GetProcAddress(module_, "DCLTerminateV2"));
  callHelp_ = reinterpret_cast<decltype(callHelp_)>(GetProcAddress(module_, "DCLCallHelp"));
  auto controlOf =
      reinterpret_cast<TestControl* (*)()>(GetProcAddress(module_, "TestLayerControl"));
  ASSERT_TRUE(initialize_ && terminate_ && callHelp_ && controlOf);
  control_ = controlOf();
  *control_ = TestControl{};
}

void Framework::TearDown() {
  EXPECT_EQ(control_ != nullptr ? control_->live : 0, 0) << "an object outlived its test";
  trv::SetMessageBoxAnswerer(nullptr);
  if (module_ != nullptr) FreeLibrary(module_);
  FreshMachine::TearDown();
}

CDCLBase* Framework::Create(DCLInterface& table) {
  std::memset(&table, 0xCC, sizeof table);
  table.size = kDclInterfaceSize;
  return initialize_("Test printer", nullptr, "TEST.DAT", "C:\\lang\\trv_uk.lng", 3, &table);
}

BOOL Framework::OpenFakePort(DCLInterface& table, CDCLBase* o) {
  PortAccessTable t = port.Table();
  WCHAR name[] = u"FILE:";
  WCHAR printer[] = u"Test printer";
  return table.OpenPrinter(o, name, &t, nullptr, printer, 7, 1, nullptr, nullptr);
}

std::vector<BYTE> Framework::Record(DWORD type, const std::vector<BYTE>& payload,
                                    DWORD headerSize) {
  std::vector<BYTE> r =
      trv::spool::EncodeRecord(type, payload.data(), static_cast<DWORD>(payload.size()));
  std::memcpy(r.data(), &headerSize, 4);
  return r;
}

}  // namespace trv::dcl::testing
