// The language monitor end to end: the platform spooler loads the framework's test
// module as the language monitor of a printer, hands it a job's bytes in buffers of
// any size, and the monitor writes them to a real port through the DCL object.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dcl/object/host_interface.h"
#include "dcl/object/tests/test_layer.h"
#include "platform/spooler/tests/spooler_fixture.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/testing/virtual_printer.h"
#include "platform/winreg.h"
#include "platform/winsplp.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace trv::dcl::testing {
namespace {

using trv::spool::EncodeRecord;

std::string Bytes(const std::vector<BYTE>& v) { return std::string(v.begin(), v.end()); }

std::string RecordOf(DWORD type, std::vector<BYTE> payload) {
  return Bytes(EncodeRecord(type, payload.data(), static_cast<DWORD>(payload.size())));
}

std::vector<BYTE> Words(std::initializer_list<DWORD> values) {
  std::vector<BYTE> out;
  for (DWORD v : values)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
  return out;
}

// Minimal well-formed blobs: headers without option values.
std::string Blobs() {
  std::vector<BYTE> dev(20, 0), doc(32, 0);
  dev[0] = 20;
  doc[0] = 32;
  return RecordOf(trv::spool::DCLD_DEVPROPS, dev) + RecordOf(trv::spool::DCLD_DOCPROPS, doc);
}

class Monitor : public trv::testing::SpoolerTest {
 protected:
  void SetUp() override {
    SpoolerTest::SetUp();
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::filesystem::copy_file(TRV_TEST_MODULE, host(std::string(system) + "\\trvtest.dll"),
                               std::filesystem::copy_options::overwrite_existing);
    std::string name = "Test Language Monitor", env = "Windows NT x86", file = "trvtest.dll";
    MONITOR_INFO_2A info{name.data(), env.data(), file.data()};
    if (!AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
      ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
    }
    InstallDriverWithMonitor("Test Label Driver", name);
    AddPrinter("Label", "FILE:", "Test Label Driver");
  }

  void InstallDriverWithMonitor(const std::string& driver, const std::string& monitor) {
    char dir[MAX_PATH];
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                           sizeof dir, &needed));
    for (const char* f : {"TRV.DLL", "TRVUI.DLL", "TEST.DAT"})
      writeFile(std::string(dir) + "\\" + f, f);
    std::string d = driver, m = monitor, type = "RAW";
    char driverFile[] = "TRV.DLL", dataFile[] = "TEST.DAT", configFile[] = "TRVUI.DLL", help[] = "";
    char dependents[] = "\0\0";
    DRIVER_INFO_3A info{3,          d.data(), nullptr,    driverFile, dataFile,
                        configFile, help,     dependents, m.data(),   type.data()};
    ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
  }

  // The objects of the monitor the spooler loaded.
  TestControl* Control() {
    HMODULE m = GetModuleHandleA("trvtest.dll");
    if (m == nullptr) return nullptr;
    auto f = reinterpret_cast<TestControl* (*)()>(GetProcAddress(m, "TestLayerControl"));
    return f != nullptr ? f() : nullptr;
  }
};

TEST_F(Monitor, PrinterCommandsReachTheFilePortUnchangedWhateverTheBufferSize) {
  std::string commands = "! 0 200 200 210 1\r\nTEXT 4 0 30 40 Hello\r\nPRINT\r\n";
  for (int i = 0; i < 200; ++i) commands += "; padding line " + std::to_string(i) + "\r\n";
  for (DWORD buffer : {1u, 7u, 4096u, 65536u}) {
    SCOPED_TRACE(buffer);
    trv::SetDespoolBufferSize(buffer);
    std::string out = "C:\\out-" + std::to_string(buffer) + ".prn";
    Submit("Label", commands, out);
    EXPECT_EQ(readFile(out), commands);
    EXPECT_TRUE(KeptJobs("Label").empty());
  }
}

TEST_F(Monitor, PrinterCommandsReachTheVirtualPrinterUnchanged) {
  trv::VirtualPrinter printer(host("C:\\printer-jobs"), trv::PrinterLanguage::Cpcl);
  std::filesystem::create_directories(host("C:\\printer-jobs"));
  std::string error;
  ASSERT_TRUE(printer.Start(0, &error)) << error;
  AddPort("LABEL_NET:", "tcp:127.0.0.1:" + std::to_string(printer.Port()));
  AddPrinter("Net label", "LABEL_NET:", "Test Label Driver");
  std::string commands = "! 0 200 200 210 1\r\nBOX 10 10 300 200 2\r\nPRINT\r\n";
  for (DWORD buffer : {1u, 65536u}) {
    SCOPED_TRACE(buffer);
    trv::SetDespoolBufferSize(buffer);
    Submit("Net label", commands);
    EXPECT_TRUE(KeptJobs("Net label").empty());
  }
  // The printer stores a job when its connection ends, on its own thread.
  for (int i = 0; i < 500 && printer.Jobs().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  printer.Stop();
  std::vector<std::string> jobs = printer.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  for (const std::string& job : jobs) {
    std::ifstream in(job, std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, commands);
  }
}

TEST_F(Monitor, ARecordStreamReachesTheDclObjectRecordByRecord) {
  std::string job = Blobs() + RecordOf(trv::spool::DCLD_DOC_BEGIN, Words({812, 1218, 1})) +
                    RecordOf(trv::spool::DCLD_PAGE_BEGIN, {0, 0, 0, 0, 1, 0}) +
                    RecordOf(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'X', 'Y', '\n'}) +
                    RecordOf(trv::spool::DCLD_PAGE_END, {1, 0}) +
                    RecordOf(trv::spool::DCLD_DOC_END, {});
  for (DWORD buffer : {1u, 50u, 65536u}) {
    SCOPED_TRACE(buffer);
    trv::SetDespoolBufferSize(buffer);
    std::string out = "C:\\records-" + std::to_string(buffer) + ".prn";
    Submit("Label", job, out);
    EXPECT_EQ(readFile(out), "StartDoc(812,1218,1)\nStartPage(0,0,1)\nXY\nEndPage(1)\nEndDoc\n");
    ASSERT_NE(Control(), nullptr);
    EXPECT_EQ(Control()->live, 0);  // the job's object is gone after EndDocPort
    EXPECT_TRUE(KeptJobs("Label").empty());
  }
}

TEST_F(Monitor, ADocumentBeginBeforeBothBlobsFailsTheJobWith87) {
  trv::SetDespoolBufferSize(4096);
  std::vector<BYTE> doc(32, 0);
  doc[0] = 32;
  std::string job = RecordOf(trv::spool::DCLD_DOCPROPS, doc) +
                    RecordOf(trv::spool::DCLD_DOC_BEGIN, Words({8, 8, 1}));
  Submit("Label", job, "C:\\early.prn");
  auto kept = KeptJobs("Label");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- faults a printer site sees, through the spooler and the monitor ------------------------

// A printer on the network behind the monitor, and a second printer on a file
// whose jobs must go on whatever happens to the first.
class PrinterFaults : public Monitor {
 protected:
  void SetUp() override {
    Monitor::SetUp();
    std::filesystem::create_directories(host(kJobs));
    StartPrinter(0);
    AddPort("LABEL_NET:", "tcp:127.0.0.1:" + std::to_string(port_));
    AddPrinter("Net label", "LABEL_NET:", "Test Label Driver");
    trv::SetDespoolBufferSize(4096);
    trv::SetMessageBoxAnswerer([this](const trv::MessageBoxRequest& r) {
      asked_.push_back(r.text);
      return IDCANCEL;
    });
  }
  void TearDown() override {
    trv::SetMessageBoxAnswerer(nullptr);
    if (printer_) printer_->Stop();
    Monitor::TearDown();
  }
  void StartPrinter(unsigned short port) {
    printer_ = std::make_unique<trv::VirtualPrinter>(host(kJobs), trv::PrinterLanguage::Cpcl);
    std::string error;
    ASSERT_TRUE(printer_->Start(port, &error)) << error;
    port_ = printer_->Port();
  }
  // A label job of some 20 KB, told apart from others by its number.
  static std::string Label(int number) {
    std::string job = "! 0 200 200 210 1\r\nTEXT 4 0 30 40 Job " + std::to_string(number) + "\r\n";
    for (int i = 0; job.size() < 20000; ++i)
      job += "; line " + std::to_string(number) + "." + std::to_string(i) + "\r\n";
    return job + "PRINT\r\n";
  }
  // What the printer received, one entry per connection, once `count` are in.
  std::vector<std::string> Received(size_t count) {
    for (int i = 0; i < 500 && printer_->Jobs().size() < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<std::string> jobs;
    for (const std::string& path : printer_->Jobs())
      jobs.push_back(trv::testing::ReadHostFile(path));
    return jobs;
  }
  BOOL Restart(const std::string& printer, DWORD id) {
    HANDLE h = nullptr;
    std::string name = printer;
    EXPECT_TRUE(OpenPrinterA(name.data(), &h, nullptr));
    BOOL ok = SetJobW(h, id, 0, nullptr, JOB_CONTROL_RESTART);
    DWORD error = GetLastError();
    ClosePrinter(h);
    SetLastError(error);
    return ok;
  }
  // The job printed whole exactly once among what the printer received.
  static size_t WholeCopies(const std::vector<std::string>& received, const std::string& job) {
    return static_cast<size_t>(std::count(received.begin(), received.end(), job));
  }

  static constexpr const char* kJobs = "C:\\printer-jobs";
  std::unique_ptr<trv::VirtualPrinter> printer_;
  unsigned short port_ = 0;
  std::vector<std::string> asked_;
};

TEST_F(PrinterFaults, ARefusedConnectionKeepsTheJobUntilItIsResubmitted) {
  printer_->Stop();  // switched off
  const std::string job = Label(1), other = Label(2);
  DWORD id = Submit("Net label", job);
  Submit("Label", other, "C:\\other.prn");  // another printer goes on
  auto kept = KeptJobs("Net label");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].id, id);
  EXPECT_NE(kept[0].status & JOB_STATUS_ERROR, 0u);
  EXPECT_NE(kept[0].error, 0u);
  EXPECT_EQ(readFile("C:\\other.prn"), other);
  EXPECT_TRUE(KeptJobs("Label").empty());

  StartPrinter(port_);  // switched on again
  EXPECT_TRUE(Restart("Net label", id)) << GetLastError();
  EXPECT_TRUE(KeptJobs("Net label").empty());
  std::vector<std::string> received = Received(1);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], job);
}

// The printer resets the connection after 5000 bytes: of a short job, once the
// monitor has handed it all over (the reset comes as the job ends); of a long one,
// in the middle of the writes.
TEST_F(PrinterFaults, ADroppedConnectionKeepsTheJobAndTheResubmissionPrintsItWhole) {
  std::string longJob;
  for (int i = 0; longJob.size() < 300000; ++i) longJob += Label(200 + i);
  int number = 10;
  for (const std::string& job : {Label(3), longJob}) {
    SCOPED_TRACE(job.size());
    std::string error;
    ASSERT_TRUE(printer_->Control("drop 5000", &error)) << error;
    const size_t earlier = printer_->Jobs().size();
    const std::string before = Label(++number), after = Label(++number);
    Submit("Label", before, "C:\\before.prn");
    DWORD id = Submit("Net label", job);
    auto kept = KeptJobs("Net label");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].id, id);
    EXPECT_NE(kept[0].status & JOB_STATUS_ERROR, 0u);
    EXPECT_NE(kept[0].error, 0u);
    Submit("Label", after, "C:\\after.prn");
    EXPECT_EQ(readFile("C:\\before.prn"), before);
    EXPECT_EQ(readFile("C:\\after.prn"), after);

    ASSERT_TRUE(printer_->Control("drop 0", &error)) << error;
    const size_t cut = Received(earlier + 1).size();
    EXPECT_TRUE(Restart("Net label", id)) << GetLastError();
    EXPECT_TRUE(KeptJobs("Net label").empty());
    std::vector<std::string> received = Received(cut + 1);
    ASSERT_EQ(received.size(), cut + 1);
    EXPECT_EQ(WholeCopies(received, job), 1u);
    EXPECT_EQ(received.back(), job);
    for (size_t i = earlier; i < cut; ++i) EXPECT_LT(received[i].size(), job.size());
  }
}

// The process that despools is killed half-way through a job: the job stays in
// the queue, and sent again it prints whole; the printer's other jobs are untouched.
TEST_F(PrinterFaults, AJobWhoseSpoolingProcessIsKilledPrintsWholeWhenResubmitted) {
  const std::string first = Label(6);
  Submit("Net label", first);  // printed before anything goes wrong
  ASSERT_EQ(Received(1).size(), 1u);
  std::string job;
  for (int i = 0; job.size() < 4000000; ++i) job += Label(100 + i);
  std::string error;
  // Slow enough that the despooling is under way for seconds.
  ASSERT_TRUE(printer_->Control("slow 20000", &error)) << error;
  pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    Submit("Net label", job);
    ::_exit(0);
  }
  // Killed once the printer has taken part of the job (its spool file is whole
  // by then: the application's writes come before the despooling).
  const std::string arriving = host(std::string(kJobs) + "\\job-0002.prn");
  for (int i = 0; i < 3000; ++i) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(arriving, ec);
    if (!ec && size > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the job was despooled before the kill";

  auto kept = KeptJobs("Net label");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_NE(kept[0].status & JOB_STATUS_PRINTING, 0u);
  ASSERT_TRUE(printer_->Control("slow 0", &error)) << error;
  const size_t before = Received(2).size();  // the first job and the cut one
  EXPECT_TRUE(Restart("Net label", kept[0].id)) << GetLastError();
  EXPECT_TRUE(KeptJobs("Net label").empty());
  std::vector<std::string> received = Received(before + 1);
  ASSERT_EQ(received.size(), before + 1);
  EXPECT_EQ(received.front(), first);
  EXPECT_EQ(received.back(), job);
  EXPECT_EQ(WholeCopies(received, job), 1u);
  EXPECT_EQ(WholeCopies(received, first), 1u);
}

// The printer stops taking data for longer than the machine's transmission retry
// time-out: the port gives the write up, the job is kept with its error while the
// other printer's jobs go on, and once the printer reads again the resubmitted job
// prints whole, once. The job is larger than the socket buffers can hold.
TEST_F(PrinterFaults, AStalledPrinterKeepsTheJobAndTheResubmissionPrintsItWhole) {
  HKEY windows = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, nullptr,
                            0, KEY_ALL_ACCESS, nullptr, &windows, nullptr),
            ERROR_SUCCESS);
  const char seconds[] = "2";
  ASSERT_EQ(RegSetValueExA(windows, "TransmissionRetryTimeout", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(seconds), sizeof seconds),
            ERROR_SUCCESS);
  RegCloseKey(windows);

  std::string job;
  for (int i = 0; job.size() < 6000000; ++i) job += Label(300 + i);
  std::string error;
  ASSERT_TRUE(printer_->Control("stall 600000", &error)) << error;
  const std::string before = Label(7), after = Label(8);
  Submit("Label", before, "C:\\before.prn");
  const DWORD id = Submit("Net label", job);
  auto kept = KeptJobs("Net label");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].id, id);
  EXPECT_NE(kept[0].status & JOB_STATUS_ERROR, 0u);
  EXPECT_NE(kept[0].error, 0u);
  Submit("Label", after, "C:\\after.prn");
  EXPECT_EQ(readFile("C:\\before.prn"), before);
  EXPECT_EQ(readFile("C:\\after.prn"), after);

  ASSERT_TRUE(printer_->Control("stall 0", &error)) << error;
  const size_t cut = Received(1).size();  // what piled up before the port gave up
  ASSERT_EQ(cut, 1u);
  EXPECT_TRUE(Restart("Net label", id)) << GetLastError();
  EXPECT_TRUE(KeptJobs("Net label").empty());
  std::vector<std::string> received = Received(2);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_LT(received[0].size(), job.size());
  EXPECT_EQ(received[1], job);
  EXPECT_EQ(WholeCopies(received, job), 1u);
}

// The monitor's functions called the way the spooler calls them, over a port that
// keeps what it is given.
std::string portBytes;
BOOL WINAPI KeepOpen(LPWSTR, HANDLE* h) {
  *h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x77));
  return TRUE;
}
BOOL WINAPI KeepWrite(HANDLE, LPBYTE b, DWORD n, LPDWORD w) {
  portBytes.append(reinterpret_cast<const char*>(b), n);
  *w = n;
  return TRUE;
}
BOOL WINAPI KeepClose(HANDLE) { return TRUE; }

class MonitorCalls : public Monitor {
 protected:
  void SetUp() override {
    Monitor::SetUp();
    portBytes.clear();
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    module_ = LoadLibraryA((std::string(system) + "\\trvtest.dll").c_str());
    ASSERT_NE(module_, nullptr);
    auto init =
        reinterpret_cast<InitializeMonitorExFn>(GetProcAddress(module_, "InitializeMonitorEx"));
    ASSERT_NE(init, nullptr);
    std::memset(&table_, 0xAB, sizeof table_);
    ASSERT_TRUE(init(nullptr, &table_));
    port_ = MONITOR{};
    port_.pfnOpenPort = KeepOpen;
    port_.pfnWritePort = KeepWrite;
    port_.pfnClosePort = KeepClose;
    WCHAR name[] = u"LPT1:";
    ASSERT_TRUE(table_.pfnOpenPortEx(name, nullptr, &handle_, &port_));
  }
  void TearDown() override {
    if (handle_ != nullptr) {
      EXPECT_TRUE(table_.pfnClosePort(handle_));
    }
    if (module_ != nullptr) FreeLibrary(module_);
    Monitor::TearDown();
  }
  BOOL Start() {
    WCHAR printer[] = u"Label";
    return table_.pfnStartDocPort(handle_, printer, 1, 1, nullptr);
  }
  BOOL Write(const std::string& bytes, DWORD* written) {
    std::string copy = bytes;
    return table_.pfnWritePort(handle_, reinterpret_cast<LPBYTE>(copy.data()),
                               static_cast<DWORD>(copy.size()), written);
  }
  TestControl* Control() {
    auto f = reinterpret_cast<TestControl* (*)()>(GetProcAddress(module_, "TestLayerControl"));
    return f();
  }

  HMODULE module_ = nullptr;
  MONITOR table_{};
  MONITOR port_{};
  HANDLE handle_ = nullptr;
};

TEST_F(MonitorCalls, TheTableHoldsOnlyTheSixFunctionsOfALanguageMonitor) {
  EXPECT_EQ(table_.pfnEnumPorts, nullptr);
  EXPECT_EQ(table_.pfnOpenPort, nullptr);
  EXPECT_EQ(table_.pfnAddPort, nullptr);
  EXPECT_EQ(table_.pfnXcvClosePort, nullptr);
  EXPECT_NE(table_.pfnReadPort, nullptr);
  DWORD n = 0;
  BYTE b[4];
  SetLastError(0);
  EXPECT_FALSE(table_.pfnReadPort(handle_, b, 4, &n));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_FALSE(table_.pfnReadPort(reinterpret_cast<HANDLE>(&n), b, 4, &n));  // not a port of ours
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(MonitorCalls, StartingTwiceFailsAndAnEmptyWriteSucceeds) {
  DWORD written = 99;
  std::string none;
  EXPECT_FALSE(table_.pfnWritePort(handle_, reinterpret_cast<LPBYTE>(none.data()), 0, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));  // no document yet
  ASSERT_TRUE(Start());
  SetLastError(0);
  EXPECT_FALSE(Start());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  BYTE nothing = 0;
  EXPECT_TRUE(table_.pfnWritePort(handle_, &nothing, 0, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(portBytes.empty());
  EXPECT_TRUE(table_.pfnEndDocPort(handle_));
}

TEST_F(MonitorCalls, AFailedBitmapIsRetriedBeforeTheNextRecord) {
  ASSERT_TRUE(Start());
  Control()->failBitmapData = 1;
  std::string bitmap = RecordOf(trv::spool::DCLD_BITMAP_DATA, std::vector<BYTE>(100, 0xFF));
  std::string job = Blobs() + RecordOf(trv::spool::DCLD_DOC_BEGIN, Words({8, 8, 1})) + bitmap;
  DWORD written = 0;
  // The bitmap arrives in two calls, so it is collected; the object refuses it once.
  ASSERT_TRUE(Write(job.substr(0, job.size() - 30), &written));
  EXPECT_FALSE(Write(job.substr(job.size() - 30), &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(written, 30u);  // its bytes were taken over
  ASSERT_TRUE(Write(RecordOf(trv::spool::DCLD_DOC_END, {}), &written));
  const auto& calls = Control()->calls;
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 3], "BitmapData failed");
  EXPECT_EQ(calls[calls.size() - 2], "BitmapData(148)");
  EXPECT_EQ(calls[calls.size() - 1], "EndDoc");
  EXPECT_TRUE(table_.pfnEndDocPort(handle_));
}

TEST_F(MonitorCalls, ACancelledWriteDiscardsTheRestOfTheJob) {
  ASSERT_TRUE(Start());
  Control()->cancelAtStartDoc = 1;
  std::string job = Blobs() + RecordOf(trv::spool::DCLD_DOC_BEGIN, Words({8, 8, 1}));
  DWORD written = 0;
  EXPECT_TRUE(Write(job, &written));  // the user's cancel is not an error of the port
  EXPECT_EQ(written, job.size());
  std::string more = "more printer bytes";
  EXPECT_TRUE(Write(more, &written));
  EXPECT_EQ(written, more.size());
  EXPECT_TRUE(portBytes.empty());
  EXPECT_TRUE(table_.pfnEndDocPort(handle_));
  EXPECT_EQ(Control()->live, 0);
}

}  // namespace
}  // namespace trv::dcl::testing
