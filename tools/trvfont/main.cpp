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

// What the command line asks for.
struct Arguments {
  std::string command;  // download or delete
  std::string printer, target, orientation = "0";
  fonts::FontDownloadRequest request;
  bool haveNumber = false, haveLetter = false;
};

// 0 when the arguments are sound, else the exit code (after the usage text).
int ParseArguments(int argc, char** argv, Arguments& a) {
  a.request.points = 12;
  const bool download = a.command == "download";
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--printer" && hasValue) {
      a.printer = argv[++i];
    } else if (download && arg == "--size" && hasValue) {
      if (!ParseInt(argv[++i], a.request.points) || a.request.points < 1)
        return Usage("--size is a number of points");
    } else if (download && arg == "--width" && hasValue) {
      if (!ParseInt(argv[++i], a.request.widthPoints))
        return Usage("--width is a number of points");
    } else if (download && arg == "--style" && hasValue) {
      if (!ParseStyle(argv[++i], a.request.style))
        return Usage("unknown style " + std::string(argv[i]));
    } else if (download && arg == "--characters" && hasValue) {
      if (!ParseCharacters(argv[++i], a.request.characters))
        return Usage("unknown character set " + std::string(argv[i]));
    } else if (download && arg == "--number" && hasValue) {
      if (!ParseInt(argv[++i], a.request.number) || a.request.number < 9 || a.request.number > 20)
        return Usage("--number is 9 to 20");
      a.haveNumber = true;
    } else if (download && arg == "--letter" && hasValue) {
      const std::string l = argv[++i];
      if (l.size() != 1 || l[0] < 'a' || l[0] > 'z') return Usage("--letter is a to z");
      a.request.letter = l[0];
      a.haveLetter = true;
    } else if (download && arg == "--orientation" && hasValue) {
      a.orientation = argv[++i];
      if (a.orientation != "0" && a.orientation != "90" && a.orientation != "both")
        return Usage("--orientation is 0, 90 or both");
    } else if (arg.starts_with("-")) {
      return Usage("unknown argument " + arg);
    } else if (a.target.empty()) {
      a.target = arg;
    } else {
      return Usage("one face or font at a time");
    }
  }
  if (a.printer.empty()) return Usage("--printer is needed");
  if (a.target.empty()) return Usage(download ? "no face" : "no font");
  if (std::getenv("TRV_ROOT") == nullptr) return Usage("TRV_ROOT names the printer's machine");
  a.request.faceName = a.target;
  a.request.orientation = a.orientation == "0"    ? fonts::kOrientationUpright
                          : a.orientation == "90" ? fonts::kOrientationTurned
                                                  : fonts::kOrientationBoth;
  return 0;
}

// The printer's object, made by its loaded language library and ended with it.
struct PrinterObject {
  decltype(&DCLTerminateV2) terminate = nullptr;
  CDCLBase* object = nullptr;
  PrinterObject() = default;
  PrinterObject(const PrinterObject&) = delete;
  PrinterObject& operator=(const PrinterObject&) = delete;
  ~PrinterObject() {
    if (object != nullptr) terminate(object);
  }
  CDCLLabelPrinter* label() const { return static_cast<CDCLLabelPrinter*>(object); }
};

bool MakeObject(const std::string& printer, const PrinterDriver& driver, PrinterObject& out,
                std::string& problem) {
  HMODULE module = LoadLibraryA(driver.library.c_str());
  if (module == nullptr) {
    problem = "cannot load " + driver.library + ": " + SystemText(GetLastError());
    return false;
  }
  auto initialize =
      reinterpret_cast<decltype(&DCLInitializeV2)>(GetProcAddress(module, "DCLInitializeV2"));
  out.terminate =
      reinterpret_cast<decltype(&DCLTerminateV2)>(GetProcAddress(module, "DCLTerminateV2"));
  if (initialize == nullptr || out.terminate == nullptr) {
    problem = driver.library + " is not a language library";
    return false;
  }
  trv::dcl::DCLInterface table{};
  table.size = trv::dcl::kDclInterfaceSize;
  out.object =
      initialize(printer.c_str(), nullptr, driver.dataFile.c_str(), "trv_uk.lng", 0, &table);
  if (out.object == nullptr) {
    problem = "cannot load the configuration of \"" + printer + "\": " + SystemText(GetLastError());
    return false;
  }
  return true;
}

// The font's name on the printer: its eight-digit number (CPCL) or its letter (EPL).
std::string FontName(const Arguments& a, bool cpcl) {
  if (a.command != "download") return a.target;
  if (!cpcl) return std::string(1, a.request.letter);
  char name[16];
  std::snprintf(name, sizeof name, "%08d", a.request.number);
  return name;
}

// Runs the object's download or deletion into `bytes` and changes its copy of the
// installed fonts to match. 0, or the exit code after the message.
int MakeBytes(Arguments& a, PrinterObject& printer, const std::string& what, std::string& bytes) {
  if (!printer.label()->EditInstalledTextFonts())
    return Fail("cannot read the installed fonts of \"" + a.printer +
                "\": " + SystemText(GetLastError()));
  trv::dcl::DevicePort port;
  port.handle = static_cast<HANDLE>(static_cast<void*>(&bytes));
  port.writePort = KeepBytes;
  BOOL done = FALSE;
  if (a.command == "download") {
    int first = 0, last = 0;
    fonts::CharacterRange(a.request.characters, first, last);
    const int forms = a.request.orientation == fonts::kOrientationBoth ? 2 : 1;
    // One line per glyph range as each is drawn.
    const int perForm = last - first + 1;
    a.request.progress = [&](int step, int total) {
      if (step % perForm == 0 && step / perForm <= forms)
        std::fprintf(stderr, "trvfont: %s: characters %d-%d drawn (%d of %d steps)\n", what.c_str(),
                     first, last, step, total);
    };
    printer.label()->SetFontDownloadRequest(a.request);
    WORD id = 0;
    done = printer.object->AddDownloadFont(printer.label()->EditedTextFonts(), nullptr, &id,
                                           nullptr, &port);
  } else {
    done = printer.object->DeleteDownloadFont(a.target.c_str(), &port);
    printer.label()->ForgetDownloadedFont(a.target.c_str());
  }
  if (!done) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Fail("face \"" + a.target + "\" not found");
    return Fail("cannot " + a.command + " " + what + ": " + SystemText(error));
  }
  if (bytes.empty()) return Fail("\"" + a.target + "\" is not a font name this printer takes");
  return 0;
}

// The bytes go to the printer as one job through the spooler. 0, or the exit code.
int Submit(const std::string& printer, const std::string& bytes, const std::string& failure) {
  std::error_code ec;
  const fs::path file =
      fs::temp_directory_path() / ("trvfont-" + std::to_string(std::random_device()()) + ".prn");
  {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return Fail("cannot write " + file.string());
  }
  trvspool::SetQuiet(true);
  const int rc = trvspool::Submit({printer, file.string()});
  fs::remove(file, ec);
  return rc == 0 ? 0 : Fail(failure);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("download or delete?");
  Arguments a;
  a.command = argv[1];
  if (a.command == "--help" || a.command == "-h") {
    Usage("");
    return 0;
  }
  if (a.command != "download" && a.command != "delete")
    return Usage("unknown command " + a.command);
  if (int rc = ParseArguments(argc, argv, a)) return rc;

  PrinterDriver driver;
  std::string problem;
  if (!FindDriver(a.printer, driver, problem)) return Fail(problem);
  if (a.command == "download") {
    if (driver.cpcl && a.haveLetter) return Usage("a CPCL printer takes --number, not --letter");
    if (!driver.cpcl && a.haveNumber) return Usage("an EPL printer takes --letter, not --number");
    if (driver.cpcl && !a.haveNumber) a.request.number = 9;
    if (!driver.cpcl && !a.haveLetter) a.request.letter = 'a';
  }
  PrinterObject printer;
  if (!MakeObject(a.printer, driver, printer, problem)) return Fail(problem);
  const std::string what = FontName(a, driver.cpcl);
  std::string bytes;
  if (int rc = MakeBytes(a, printer, what, bytes)) return rc;
  if (int rc = Submit(a.printer, bytes, "the printer refused the " + a.command + " of " + what))
    return rc;
  // The printer has it: the installed list follows, then the printer data the graphics
  // driver reads, so that jobs can use the font from now on.
  if (!printer.label()->SaveEditedTextFonts())
    return Fail(a.command + " of " + what + " done, but the installed fonts of \"" + a.printer +
                "\" could not be saved: " + SystemText(GetLastError()));
  if (!trv::host::RefreshPrinterData(a.printer.c_str()))
    return Fail(a.command + " of " + what + " done, but the printer data of \"" + a.printer +
                "\" could not be refreshed: " + SystemText(GetLastError()));
  std::printf("%s %s on %s (%zu bytes)\n", a.command == "download" ? "downloaded" : "deleted",
              what.c_str(), a.printer.c_str(), bytes.size());
  return 0;
}
