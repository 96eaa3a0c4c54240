// trvfont: downloads a TrueType face to a label printer as a printer font, or deletes
// one, from the command line.
//
//   trvfont download --printer NAME [--size POINTS] [--width POINTS] [--style STYLE]
//           [--characters SET] [--number N | --letter L] [--orientation 0|90|both] FACE
//   trvfont delete --printer NAME FONT
//
// The printer is one installed on the machine of TRV_ROOT. Its language library
// (TRVCPL.DLL or TRVEPL.DLL) is loaded and its DCL object made for the printer as the
// driver makes it; the object's own font-download and font-deletion operations build
// the bytes, which then go to the printer as a job through the spooler and the
// printer's language monitor. CPCL printers take font numbers 9 to 20 (FONT is the
// eight-digit name, e.g. 00000012), EPL printers letters a to z.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dcl/fonts/font_download.h"
#include "dcl/object/dcl_label_printer.h"
#include "dcl/object/device_port.h"
#include "dcl/object/host_interface.h"
#include "host/printer_data.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"
#include "tools/trvspool/commands.h"

namespace {

namespace fs = std::filesystem;
using trv::dcl::CDCLBase;
using trv::dcl::CDCLLabelPrinter;
namespace fonts = trv::dcl::fonts;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "trvfont: %s\n", problem.c_str());
  std::fprintf(stderr,
               "usage: trvfont download --printer NAME [--size POINTS] [--width POINTS]\n"
               "               [--style regular|bold|italic|bold-italic]\n"
               "               [--characters standard|extended|lower|upper|numeric]\n"
               "               [--number 9..20 | --letter a..z] [--orientation 0|90|both] FACE\n"
               "       trvfont delete --printer NAME FONT\n"
               "TRV_ROOT names the machine the printer is installed on.\n");
  return kExitUsage;
}

int Fail(const std::string& problem) {
  std::fprintf(stderr, "trvfont: %s\n", problem.c_str());
  return kExitFailure;
}

std::string SystemText(DWORD error) {
  char text[512] = "";
  if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                     text, sizeof text, nullptr) == 0)
    return "error " + std::to_string(error);
  std::string s = text;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s + " (error " + std::to_string(error) + ")";
}

// The port the object writes to: every byte is kept for the job that carries them.
BOOL WINAPI KeepBytes(HANDLE handle, LPBYTE bytes, DWORD size, LPDWORD written) {
  static_cast<std::string*>(static_cast<void*>(handle))
      ->append(reinterpret_cast<const char*>(bytes), size);
  *written = size;
  return TRUE;
}

// The installed printer's language library and data file.
struct PrinterDriver {
  std::string library;  // TRVCPL.DLL or TRVEPL.DLL in the system folder
  std::string dataFile;
  bool cpcl = false;
};

bool FindDriver(const std::string& printer, PrinterDriver& out, std::string& problem) {
  HANDLE h = nullptr;
  std::string name = printer;
  if (!OpenPrinterA(name.data(), &h, nullptr)) {
    problem = "unknown printer \"" + printer + "\"";
    return false;
  }
  DWORD needed = 0;
  GetPrinterDriverA(h, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 16);
  const BOOL ok =
      GetPrinterDriverA(h, nullptr, 3, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
  const DWORD error = GetLastError();
  ClosePrinter(h);
  if (!ok) {
    problem = "cannot read the driver of \"" + printer + "\": " + SystemText(error);
    return false;
  }
  const auto* info = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
  out.dataFile = fs::path(trv::HostPath(info->pDataFile)).filename().string();
  // The driver's language file names its language.
  for (const char* f = info->pDependentFiles; f != nullptr && *f != '\0'; f += std::strlen(f) + 1) {
    const std::string file = fs::path(trv::HostPath(f)).filename().string();
    if (file == "TRVCPL.DEF" || file == "TRVEPL.DEF") {
      out.cpcl = file == "TRVCPL.DEF";
      char system[MAX_PATH] = "";
      GetSystemDirectoryA(system, sizeof system);
      out.library = std::string(system) + (out.cpcl ? "\\TRVCPL.DLL" : "\\TRVEPL.DLL");
      return true;
    }
  }
  problem = "\"" + printer + "\" is not a CPCL or EPL label printer of this suite";
  return false;
}

bool ParseCharacters(const std::string& s, DWORD& out) {
  const std::pair<const char*, DWORD> names[] = {{"standard", fonts::kCharactersStandard},
                                                 {"extended", fonts::kCharactersExtended},
                                                 {"lower", fonts::kCharactersLowerCase},
                                                 {"upper", fonts::kCharactersUpperCase},
                                                 {"numeric", fonts::kCharactersNumeric}};
  for (const auto& [name, value] : names)
    if (s == name) return out = value, true;
  return false;
}

bool ParseStyle(const std::string& s, DWORD& out) {
  const std::pair<const char*, DWORD> names[] = {
      {"regular", fonts::kStyleRegular},
      {"bold", fonts::kStyleBold},
      {"italic", fonts::kStyleItalic},
      {"bold-italic", fonts::kStyleBold | fonts::kStyleItalic}};
  for (const auto& [name, value] : names)
    if (s == name) return out = value, true;
  return false;
}

bool ParseInt(const std::string& s, int& out) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < 0 || v > 10000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("download or delete?");
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    Usage("");
    return 0;
  }
  if (command != "download" && command != "delete") return Usage("unknown command " + command);
  std::string printer, target, orientation = "0";
  fonts::FontDownloadRequest request;
  request.points = 12;
  bool haveNumber = false, haveLetter = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    const bool download = command == "download";
    if (arg == "--printer" && hasValue) {
      printer = argv[++i];
    } else if (download && arg == "--size" && hasValue) {
      if (!ParseInt(argv[++i], request.points) || request.points < 1)
        return Usage("--size is a number of points");
    } else if (download && arg == "--width" && hasValue) {
      if (!ParseInt(argv[++i], request.widthPoints)) return Usage("--width is a number of points");
    } else if (download && arg == "--style" && hasValue) {
      if (!ParseStyle(argv[++i], request.style))
        return Usage("unknown style " + std::string(argv[i]));
    } else if (download && arg == "--characters" && hasValue) {
      if (!ParseCharacters(argv[++i], request.characters))
        return Usage("unknown character set " + std::string(argv[i]));
    } else if (download && arg == "--number" && hasValue) {
      if (!ParseInt(argv[++i], request.number) || request.number < 9 || request.number > 20)
        return Usage("--number is 9 to 20");
      haveNumber = true;
    } else if (download && arg == "--letter" && hasValue) {
      const std::string l = argv[++i];
      if (l.size() != 1 || l[0] < 'a' || l[0] > 'z') return Usage("--letter is a to z");
      request.letter = l[0];
      haveLetter = true;
    } else if (download && arg == "--orientation" && hasValue) {
      orientation = argv[++i];
      if (orientation != "0" && orientation != "90" && orientation != "both")
        return Usage("--orientation is 0, 90 or both");
    } else if (arg.starts_with("-")) {
      return Usage("unknown argument " + arg);
    } else if (target.empty()) {
      target = arg;
    } else {
      return Usage("one face or font at a time");
    }
  }
  if (printer.empty()) return Usage("--printer is needed");
  if (target.empty()) return Usage(command == "download" ? "no face" : "no font");
  if (std::getenv("TRV_ROOT") == nullptr) return Usage("TRV_ROOT names the printer's machine");
  request.faceName = target;
  request.orientation = orientation == "0"    ? fonts::kOrientationUpright
                        : orientation == "90" ? fonts::kOrientationTurned
                                              : fonts::kOrientationBoth;

  PrinterDriver driver;
  std::string problem;
  if (!FindDriver(printer, driver, problem)) return Fail(problem);
  if (command == "download") {
    if (driver.cpcl && haveLetter) return Usage("a CPCL printer takes --number, not --letter");
    if (!driver.cpcl && haveNumber) return Usage("an EPL printer takes --letter, not --number");
    if (driver.cpcl && !haveNumber) request.number = 9;
    if (!driver.cpcl && !haveLetter) request.letter = 'a';
  }

  HMODULE module = LoadLibraryA(driver.library.c_str());
  if (module == nullptr)
    return Fail("cannot load " + driver.library + ": " + SystemText(GetLastError()));
  auto initialize =
      reinterpret_cast<decltype(&DCLInitializeV2)>(GetProcAddress(module, "DCLInitializeV2"));
  auto terminate =
      reinterpret_cast<decltype(&DCLTerminateV2)>(GetProcAddress(module, "DCLTerminateV2"));
  if (initialize == nullptr || terminate == nullptr)
    return Fail(driver.library + " is not a language library");
  trv::dcl::DCLInterface table{};
  table.size = trv::dcl::kDclInterfaceSize;
  CDCLBase* object =
      initialize(printer.c_str(), nullptr, driver.dataFile.c_str(), "trv_uk.lng", 0, &table);
  if (object == nullptr)
    return Fail("cannot load the configuration of \"" + printer +
                "\": " + SystemText(GetLastError()));

  auto* label = static_cast<CDCLLabelPrinter*>(object);
  // The installed text fonts as stored: the download adds to or replaces in them, the
  // deletion takes the font out, and the list is saved once the printer has the job.
  if (!label->EditInstalledTextFonts()) {
    const DWORD error = GetLastError();
    terminate(object);
    return Fail("cannot read the installed fonts of \"" + printer + "\": " + SystemText(error));
  }
  std::string bytes;
  trv::dcl::DevicePort port;
  port.handle = static_cast<HANDLE>(static_cast<void*>(&bytes));
  port.writePort = KeepBytes;
  BOOL done = FALSE;
  std::string what;
  if (command == "download") {
    int first = 0, last = 0;
    fonts::CharacterRange(request.characters, first, last);
    const int forms = request.orientation == fonts::kOrientationBoth ? 2 : 1;
    what = driver.cpcl ? [&] {
      char name[16];
      std::snprintf(name, sizeof name, "%08d", request.number);
      return std::string(name);
    }()
                       : std::string(1, request.letter);
    // One line per glyph range as each is drawn.
    const int perForm = last - first + 1;
    request.progress = [&](int step, int total) {
      if (step % perForm == 0 && step / perForm <= forms)
        std::fprintf(stderr, "trvfont: %s: characters %d-%d drawn (%d of %d steps)\n", what.c_str(),
                     first, last, step, total);
    };
    label->SetFontDownloadRequest(request);
    WORD id = 0;
    done = object->AddDownloadFont(label->EditedTextFonts(), nullptr, &id, nullptr, &port);
  } else {
    what = target;
    done = object->DeleteDownloadFont(target.c_str(), &port);
    label->ForgetDownloadedFont(target.c_str());
  }
  if (!done || bytes.empty()) {
    const DWORD error = GetLastError();
    terminate(object);
    if (done) return Fail("\"" + target + "\" is not a font name this printer takes");
    if (error == ERROR_FILE_NOT_FOUND) return Fail("face \"" + target + "\" not found");
    return Fail("cannot " + command + " " + what + ": " + SystemText(error));
  }

  // The bytes go to the printer as one job through the spooler.
  std::error_code ec;
  const fs::path file =
      fs::temp_directory_path() / ("trvfont-" + std::to_string(std::random_device()()) + ".prn");
  {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      terminate(object);
      return Fail("cannot write " + file.string());
    }
  }
  trvspool::SetQuiet(true);
  const int rc = trvspool::Submit({printer, file.string()});
  fs::remove(file, ec);
  if (rc != 0) {
    terminate(object);
    return Fail("the printer refused the " + command + " of " + what);
  }
  // The printer has it: the installed list follows, then the printer data the graphics
  // driver reads, so that jobs can use the font from now on.
  const BOOL saved = label->SaveEditedTextFonts();
  const DWORD saveError = GetLastError();
  terminate(object);
  if (!saved)
    return Fail(command + " of " + what + " done, but the installed fonts of \"" + printer +
                "\" could not be saved: " + SystemText(saveError));
  if (!trv::host::RefreshPrinterData(printer.c_str()))
    return Fail(command + " of " + what + " done, but the printer data of \"" + printer +
                "\" could not be refreshed: " + SystemText(GetLastError()));
  std::printf("%s %s on %s (%zu bytes)\n", command == "download" ? "downloaded" : "deleted",
              what.c_str(), printer.c_str(), bytes.size());
  return 0;
}
