#include "tools/trvspool/commands.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "host/printer_data.h"
#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"
#include "tools/text/wide_text.h"

namespace trvspool {

namespace {

using trv::tools::SystemText;
bool g_quiet = false;

// A line that says what was done; left out when the caller asked for quiet.
__attribute__((format(printf, 1, 2))) void Note(const char* format, ...) {
  if (g_quiet) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
}
}  // namespace

void SetQuiet(bool quiet) { g_quiet = quiet; }
namespace {

namespace fs = std::filesystem;

struct Parsed {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
};

// Splits "--name value" options from positional arguments; false (after a usage
// message) for an unknown option, a missing value or a wrong count.
bool Parse(const Args& args, std::size_t positional, const std::set<std::string>& known,
           Parsed* out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) == 0) {
      if (known.count(args[i]) == 0) return Usage("unknown option " + args[i]), false;
      if (i + 1 >= args.size()) return Usage("missing value after " + args[i]), false;
      out->options[args[i]] = args[i + 1];
      ++i;
    } else {
      out->positional.push_back(args[i]);
    }
  }
  if (out->positional.size() != positional) return Usage("wrong number of arguments"), false;
  return true;
}

bool ParseNumber(const std::string& text, unsigned long* value) {
  char* end = nullptr;
  *value = std::strtoul(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && text[0] != '-';
}

// "Ask for the size, then fill" for the enumeration calls.
template <typename Call>
bool Fetch(Call call, std::vector<BYTE>* buffer, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  if (call(nullptr, 0, &needed, count)) return true;
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  buffer->assign(needed, 0);
  return call(buffer->data(), needed, &needed, count) != 0;
}

const char* StatusWord(DWORD status) {
  if (status & JOB_STATUS_ERROR) return "error";
  if (status & JOB_STATUS_PRINTING) return "printing";
  if (status & JOB_STATUS_SPOOLING) return "spooling";
  if (status & JOB_STATUS_PAUSED) return "paused";
  return "waiting";
}

int ListPrinters() {
  std::vector<BYTE> b;
  DWORD n = 0;
  if (!Fetch([](LPBYTE p, DWORD s, LPDWORD need,
                LPDWORD r) { return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, p, s, need, r); },
             &b, &n))
    return Report("cannot list printers", GetLastError());
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(b.data());
  for (DWORD i = 0; i < n; ++i)
    std::printf("%s\tport %s\tdriver %s\tjobs %lu\n", info[i].pPrinterName, info[i].pPortName,
                info[i].pDriverName, static_cast<unsigned long>(info[i].cJobs));
  return 0;
}

int ListDrivers() {
  std::vector<BYTE> b;
  DWORD n = 0;
  if (!Fetch([](LPBYTE p, DWORD s, LPDWORD need,
                LPDWORD r) { return EnumPrinterDriversA(nullptr, nullptr, 3, p, s, need, r); },
             &b, &n))
    return Report("cannot list drivers", GetLastError());
  auto* info = reinterpret_cast<DRIVER_INFO_3A*>(b.data());
  for (DWORD i = 0; i < n; ++i)
    std::printf("%s\tmonitor %s\t%s\n", info[i].pName,
                info[i].pMonitorName[0] ? info[i].pMonitorName : "(none)", info[i].pDriverPath);
  return 0;
}

int ListPorts() {
  std::vector<BYTE> b;
  DWORD n = 0;
  if (!Fetch([](LPBYTE p, DWORD s, LPDWORD need,
                LPDWORD r) { return EnumPortsA(nullptr, 2, p, s, need, r); },
             &b, &n))
    return Report("cannot list ports", GetLastError());
  auto* info = reinterpret_cast<PORT_INFO_2A*>(b.data());
  for (DWORD i = 0; i < n; ++i) std::printf("%s\t%s\n", info[i].pPortName, info[i].pDescription);
  return 0;
}

int ListJobs() {
  for (const trv::SpoolJob& j : trv::SpoolJobs()) {
    std::printf("%lu\t%s\t%s\t%s\t%s", static_cast<unsigned long>(j.id), j.printer.c_str(),
                j.document.c_str(), StatusWord(j.status), j.submitted.c_str());
    if (j.error != 0)
      std::printf("\terror %lu: %s", static_cast<unsigned long>(j.error),
                  SystemText(j.error).c_str());
    std::printf("\n");
  }
  return 0;
}

// Opens the printer that holds a kept job and runs a job command on it.
int JobCommand(const Args& args, DWORD command, const char* done) {
  Parsed p;
  if (!Parse(args, 1, {}, &p)) return 2;
  unsigned long id = 0;
  if (!ParseNumber(p.positional[0], &id) || id == 0) return Usage("JOB is a job number");
  for (const trv::SpoolJob& j : trv::SpoolJobs()) {
    if (j.id != id) continue;
    HANDLE h = nullptr;
    std::string name = j.printer;
    if (!OpenPrinterA(name.data(), &h, nullptr))
      return Report("cannot open printer \"" + name + "\"", GetLastError());
    BOOL ok = SetJobW(h, j.id, 0, nullptr, command);
    DWORD error = GetLastError();
    ClosePrinter(h);
    if (!ok) return Report("job " + std::to_string(id) + " on \"" + name + "\"", error);
    std::printf("job %lu %s\n", id, done);
    return 0;
  }
  std::fprintf(stderr, "trvspool: no job %lu\n", id);
  return 1;
}

}  // namespace

int Usage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "trvspool: %s\n", message.c_str());
  std::fputs(
      "usage: trvspool list printers|drivers|ports|jobs\n"
      "       trvspool add-port NAME [--device PATH | --tcp HOST[:PORT] | --file PATH]\n"
      "       trvspool add-printer NAME --driver DRIVER --port PORT\n"
      "       trvspool add-driver NAME --driver-file F --data-file F --config-file F\n"
      "                [--dependent-files F,F,...] [--monitor NAME --monitor-file F]\n"
      "       trvspool submit PRINTER FILE [--buffer N] [--output WINDOWS-PATH]\n"
      "       trvspool resubmit JOB\n"
      "       trvspool delete JOB\n",
      stderr);
  return 2;
}

int Report(const std::string& what, unsigned long error) {
  std::fprintf(stderr, "trvspool: %s: %s (error %lu)\n", what.c_str(), SystemText(error).c_str(),
               error);
  return 1;
}

int List(const Args& args) {
  Parsed p;
  if (!Parse(args, 1, {}, &p)) return 2;
  const std::string& what = p.positional[0];
  if (what == "printers") return ListPrinters();
  if (what == "drivers") return ListDrivers();
  if (what == "ports") return ListPorts();
  if (what == "jobs") return ListJobs();
  return Usage("list printers, drivers, ports or jobs");
}

int AddPort(const Args& args) {
  Parsed p;
  if (!Parse(args, 1, {"--device", "--tcp", "--file"}, &p)) return 2;
  if (p.options.size() > 1) return Usage("give at most one of --device, --tcp, --file");
  std::string settings;
  if (p.options.count("--device")) settings = "device:" + p.options["--device"];
  if (p.options.count("--tcp")) settings = "tcp:" + p.options["--tcp"];
  if (p.options.count("--file")) settings = "file:" + p.options["--file"];
  if (DWORD e = trv::AddLocalPort(p.positional[0], settings))
    return Report("cannot add port \"" + p.positional[0] + "\"", e);
  Note("port %s added\n", p.positional[0].c_str());
  return 0;
}

int AddPrinter(const Args& args) {
  Parsed p;
  if (!Parse(args, 1, {"--driver", "--port"}, &p)) return 2;
  if (!p.options.count("--driver") || !p.options.count("--port"))
    return Usage("add-printer needs --driver and --port");
  std::string name = p.positional[0], port = p.options["--port"], driver = p.options["--driver"];
  std::string processor = "WINPRINT", type = "RAW", empty;
  PRINTER_INFO_2A info{};
  info.pPrinterName = name.data();
  info.pPortName = port.data();
  info.pDriverName = driver.data();
  info.pPrintProcessor = processor.data();
  info.pDatatype = type.data();
  info.pShareName = info.pComment = info.pLocation = info.pSepFile = info.pParameters =
      empty.data();
  info.Attributes = PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST | PRINTER_ATTRIBUTE_ENABLE_BIDI;
  HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (h == nullptr) return Report("cannot add printer \"" + name + "\"", GetLastError());
  ClosePrinter(h);
  Note("printer %s added\n", name.c_str());
  // As the driver's host does on installation: the printer data the graphics driver
  // reads, from the printer's language library. A printer whose monitor is not one
  // of the suite's has none to store.
  if (!trv::host::RefreshPrinterData(name.c_str()) && GetLastError() != ERROR_NOT_SUPPORTED)
    return Report("cannot store the printer data of \"" + name + "\"", GetLastError());
  return 0;
}

int AddDriver(const Args& args) {
  Parsed p;
  if (!Parse(args, 1,
             {"--driver-file", "--data-file", "--config-file", "--dependent-files", "--monitor",
              "--monitor-file"},
             &p))
    return 2;
  for (const char* needed : {"--driver-file", "--data-file", "--config-file"})
    if (!p.options.count(needed)) return Usage(std::string("add-driver needs ") + needed);
  if (p.options.count("--monitor") != p.options.count("--monitor-file"))
    return Usage("--monitor and --monitor-file go together");
  // Driver files are handed to the spooler by their Windows path; it copies them
  // into its own folder.
  auto windowsPathOf = [](const std::string& name, std::string* out) {
    std::error_code ec;
    fs::path file = fs::absolute(name, ec);
    if (name.empty() || ec || !fs::is_regular_file(file, ec)) {
      std::fprintf(stderr, "trvspool: no file %s\n", name.c_str());
      return false;
    }
    *out = trv::WindowsPath(file.string());
    return true;
  };
  std::map<std::string, std::string> windowsPath;
  for (const char* option : {"--driver-file", "--data-file", "--config-file"})
    if (!windowsPathOf(p.options[option], &windowsPath[option])) return 1;
  // Further files the driver needs beside it (definition files, language files), as
  // the spooler's double-zero-terminated list.
  std::string dependents;
  if (p.options.count("--dependent-files")) {
    std::stringstream list(p.options["--dependent-files"]);
    for (std::string one, path; std::getline(list, one, ',');) {
      if (!windowsPathOf(one, &path)) return 1;
      dependents += path;
      dependents += '\0';
    }
  }
  dependents += '\0';
  std::string monitor = p.options.count("--monitor") ? p.options["--monitor"] : "";
  if (!monitor.empty()) {
    fs::path library = p.options["--monitor-file"];
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::error_code ec;
    fs::copy_file(library, fs::path(trv::HostPath(system)) / library.filename(),
                  fs::copy_options::overwrite_existing, ec);
    if (ec) {
      std::fprintf(stderr, "trvspool: cannot copy %s: %s\n", library.string().c_str(),
                   ec.message().c_str());
      return 1;
    }
    std::string env = trv::IsWindowsNT() ? "Windows NT x86" : "Windows 4.0",
                file = library.filename().string();
    MONITOR_INFO_2A info{monitor.data(), env.data(), file.data()};
    if (!AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) &&
        GetLastError() != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
      return Report("cannot add monitor \"" + monitor + "\"", GetLastError());
  }
  std::string name = p.positional[0], type = "RAW";
  DRIVER_INFO_3A info{trv::IsWindowsNT() ? 3u : 0u,
                      name.data(),
                      nullptr,
                      windowsPath["--driver-file"].data(),
                      windowsPath["--data-file"].data(),
                      windowsPath["--config-file"].data(),
                      nullptr,
                      dependents.data(),
                      monitor.data(),
                      type.data()};
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info)))
    return Report("cannot add driver \"" + name + "\"", GetLastError());
  Note("driver %s added\n", name.c_str());
  return 0;
}

int Submit(const Args& args) {
  Parsed p;
  if (!Parse(args, 2, {"--buffer", "--output"}, &p)) return 2;
  if (p.options.count("--buffer")) {
    unsigned long size = 0;
    if (!ParseNumber(p.options["--buffer"], &size) || size == 0 || size > (16ul << 20))
      return Usage("--buffer is a size from 1 to 16777216 bytes");
    trv::SetDespoolBufferSize(static_cast<DWORD>(size));
  }
  std::string printer = p.positional[0];
  std::ifstream in(p.positional[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "trvspool: cannot read %s\n", p.positional[1].c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  HANDLE h = nullptr;
  if (!OpenPrinterA(printer.data(), &h, nullptr))
    return Report("cannot open printer \"" + printer + "\"", GetLastError());
  // --output names the document's output file, where a FILE: port writes it.
  std::string document = fs::path(p.positional[1]).filename().string(), type = "RAW";
  std::string output = p.options.count("--output") ? p.options["--output"] : "";
  DOC_INFO_1A doc{document.data(), output.empty() ? nullptr : output.data(), type.data()};
  DWORD job = StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&doc));
  if (job == 0) {
    DWORD e = GetLastError();
    ClosePrinter(h);
    return Report("cannot start a job on \"" + printer + "\"", e);
  }
  DWORD written = 0;
  if (!bytes.empty() &&
      !WritePrinter(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written)) {
    DWORD e = GetLastError();
    AbortPrinter(h);
    ClosePrinter(h);
    return Report("cannot spool job " + std::to_string(job), e);
  }
  BOOL ended = EndDocPrinter(h);
  DWORD endError = GetLastError();
  ClosePrinter(h);
  if (!ended) return Report("cannot end job " + std::to_string(job), endError);
  // Despooling ran at the end of the document: a job still listed was kept.
  for (const trv::SpoolJob& j : trv::SpoolJobs()) {
    if (j.id == job && (j.status & JOB_STATUS_ERROR)) {
      std::fprintf(stderr, "trvspool: job %lu kept, not printed: %s (error %lu)\n",
                   static_cast<unsigned long>(job), SystemText(j.error).c_str(),
                   static_cast<unsigned long>(j.error));
      return 1;
    }
  }
  Note("job %lu printed on %s (%zu bytes)\n", static_cast<unsigned long>(job), printer.c_str(),
       bytes.size());
  return 0;
}

int Resubmit(const Args& args) { return JobCommand(args, JOB_CONTROL_RESTART, "printed"); }
int Delete(const Args& args) { return JobCommand(args, JOB_CONTROL_DELETE, "deleted"); }

}  // namespace trvspool
