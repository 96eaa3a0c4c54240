// trvconv: shows what a printer receives for a job.
//
//   trvconv --language cpcl|epl --model MODEL.DAT [--printer NAME] [--set NAME=VALUE ...]
//           [-o OUT] JOB
//
// The job (a record stream, or raw printer data) goes the real way: on a scratch
// machine root a driver whose language monitor is TRVCPL.DLL or TRVEPL.DLL is
// installed with the model's files, a printer on a file port, and the job is spooled
// and despooled through the monitor; the port's file is the printer's bytes. With
// --printer and TRV_ROOT the job goes to that installed printer instead, with OUT as
// the document's output file. --set changes an option value in the job's option
// blobs first (by name or by identifier), adding the value when the job has none.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/stand_in.h"
#include "tools/trvspool/commands.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "trvconv: %s\n", problem.c_str());
  std::fprintf(stderr,
               "usage: trvconv --language cpcl|epl --model MODEL.DAT [--printer NAME]\n"
               "               [--set NAME=VALUE ...] [-o OUT] JOB\n"
               "options for --set: darkness, speed, prefeed, rotate, copies, regions,\n"
               "status, or an identifier such as 0x3012\n");
  return kExitUsage;
}

int Fail(const std::string& problem) {
  std::fprintf(stderr, "trvconv: %s\n", problem.c_str());
  return kExitFailure;
}

// Options --set knows by name, with the blob that holds them.
struct NamedOption {
  const char* name;
  unsigned id;
  bool device;
};
constexpr NamedOption kNamedOptions[] = {
    {"rotate", 0x1004, false},  {"copies", 0x1005, false},   {"prefeed", 0x1008, false},
    {"speed", 0x3008, false},   {"darkness", 0x3012, false}, {"status", 0x3018, true},
    {"regions", 0x3021, false},
};

struct Setting {
  unsigned id = 0;
  bool device = false;
  long value = 0;
};

bool ParseSetting(const std::string& text, Setting& out) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
  const std::string name = text.substr(0, eq), value = text.substr(eq + 1);
  char* end = nullptr;
  out.value = std::strtol(value.c_str(), &end, 0);
  if (*end != '\0') return false;
  for (const NamedOption& o : kNamedOptions)
    if (name == o.name) {
      out.id = o.id;
      out.device = o.device;
      return true;
    }
  const unsigned long id = std::strtoul(name.c_str(), &end, 0);
  if (*end != '\0' || id == 0 || id > 0xFFFF) return false;
  out.id = static_cast<unsigned>(id);
  // The device options of a label printer are those of the tools group.
  out.device = id == 0x3018 || id == 0x3014 || id == 0x3015;
  return true;
}

unsigned Get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24;
}
void Put32(Bytes& b, size_t at, unsigned v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

constexpr unsigned kMagic = 0x444C4344;  // "DCLD"
constexpr unsigned kDevProps = 0xF001, kDocProps = 0xF002;

// Sets the option's value in the job's blob of its scope (adding a plain value when
// the blob has none); false when the job carries no such blob.
bool ApplySetting(Bytes& job, const Setting& s) {
  size_t at = 0;
  while (at + 48 <= job.size()) {
    if (Get32(job, at) != 48 || Get32(job, at + 44) != kMagic) {
      ++at;  // raw printer data between records
      continue;
    }
    const unsigned type = Get32(job, at + 4), length = Get32(job, at + 8);
    if (at + 48 + length > job.size()) return false;
    const size_t payload = at + 48, header = s.device ? 20 : 32;
    if (type == (s.device ? kDevProps : kDocProps) && length >= header) {
      const unsigned values = Get32(job, payload + 8);
      for (size_t v = payload + header; v + 12 <= payload + header + values;) {
        const unsigned size = Get32(job, v);
        if (size < 6) break;
        if (static_cast<unsigned>(job[v + 4] | job[v + 5] << 8) == s.id && size >= 12) {
          Put32(job, v + 8, static_cast<unsigned>(s.value));
          return true;
        }
        v += size;
      }
      // Not in the blob: a plain value at its end.
      Bytes value(12, 0);
      Put32(value, 0, 12);
      value[4] = static_cast<unsigned char>(s.id);
      value[5] = static_cast<unsigned char>(s.id >> 8);
      value[7] = 0x10;  // switched on
      Put32(value, 8, static_cast<unsigned>(s.value));
      job.insert(job.begin() + static_cast<long>(payload + header + values), value.begin(),
                 value.end());
      Put32(job, payload + 8, values + 12);
      Put32(job, at + 8, length + 12);
      return true;
    }
    at += 48 + length;
  }
  return false;
}

// A model file by path, or by name in the build output beside this program.
bool FindModel(const std::string& model, const fs::path& programDir, fs::path& out) {
  std::error_code ec;
  for (const fs::path& candidate :
       {fs::path(model), programDir / model, programDir / (model + ".DAT")}) {
    if (fs::is_regular_file(candidate, ec)) {
      out = fs::absolute(candidate, ec);
      return true;
    }
  }
  return false;
}

Bytes ReadFile(const fs::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  std::string language, model, printer, output, jobFile;
  std::vector<Setting> settings;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--language" && hasValue)
      language = argv[++i];
    else if (arg == "--model" && hasValue)
      model = argv[++i];
    else if (arg == "--printer" && hasValue)
      printer = argv[++i];
    else if (arg == "-o" && hasValue)
      output = argv[++i];
    else if (arg == "--set" && hasValue) {
      Setting s;
      if (!ParseSetting(argv[++i], s))
        return Usage(std::string("unknown option in --set ") + argv[i]);
      settings.push_back(s);
    } else if (arg == "--help" || arg == "-h") {
      Usage("");
      return 0;
    } else if (arg.starts_with("-")) {
      return Usage("unknown argument " + arg);
    } else if (jobFile.empty()) {
      jobFile = arg;
    } else {
      return Usage("only one job");
    }
  }
  if (language != "cpcl" && language != "epl") return Usage("--language is cpcl or epl");
  if (jobFile.empty()) return Usage("no job");
  if (printer.empty() && model.empty()) return Usage("--model is needed without --printer");

  const fs::path programDir = fs::absolute(fs::path(argv[0])).parent_path();
  fs::path modelFile;
  if (printer.empty() && !FindModel(model, programDir, modelFile))
    return Fail("unknown model " + model + " (not a file, nor a sample model in " +
                programDir.string() + ")");
  bool readOk = false;
  Bytes job = ReadFile(jobFile, readOk);
  if (!readOk) return Fail("cannot read " + jobFile);
  for (const Setting& s : settings)
    if (!ApplySetting(job, s))
      return Fail("the job carries no option blob for option 0x" + [&] {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", s.id);
        return std::string(hex);
      }());

  trvspool::SetQuiet(true);
  std::error_code ec;
  const fs::path scratch =
      fs::temp_directory_path() / ("trvconv-" + std::to_string(std::random_device()()));
  fs::create_directories(scratch / "files", ec);
  if (ec) return Fail("cannot make a scratch folder: " + ec.message());
  struct Cleanup {
    fs::path dir;
    ~Cleanup() {
      std::error_code e;
      fs::remove_all(dir, e);
    }
  } cleanup{scratch};

  const fs::path printed =
      output.empty() || output == "-" ? scratch / "printed.bin" : fs::absolute(output, ec);
  fs::remove(printed, ec);
  const fs::path jobPath = scratch / "job.bin";
  {
    std::ofstream out(jobPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(job.data()), static_cast<std::streamsize>(job.size()));
    if (!out) return Fail("cannot write the job to " + jobPath.string());
  }

  if (printer.empty()) {
    trv::SetMachineRoot((scratch / "root").string());
    const std::string upper = language == "cpcl" ? "CPL" : "EPL";
    const fs::path& out = programDir;
    // The graphics driver and the user-interface host are named by the driver; the
    // job does not reach them.
    for (const char* f : {"TRV.DLL", "TRVUI.DLL"}) std::ofstream(scratch / "files" / f) << f;
    std::string dependents;
    for (const std::string& f : {"TRV" + upper + ".DEF", std::string("trvprd.cfg"),
                                 std::string("language.dll"), std::string("trv_uk.lng")})
      dependents += (dependents.empty() ? "" : ",") + (out / f).string();
    // The metrics of the model's resident fonts and bar codes, which the first
    // configuration stores, and the suite's bar-code TrueType font in the machine's
    // fonts folder, where setup puts it.
    const std::string metricsPrefix = language == "cpcl" ? "CP" : "EP";
    for (const fs::directory_entry& e : fs::directory_iterator(out, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind(metricsPrefix, 0) == 0 && e.path().extension() == ".UFM")
        dependents += "," + e.path().string();
    }
    const fs::path fonts = scratch / "root" / "drive_c" / "windows" / "Fonts";
    fs::create_directories(fonts, ec);
    for (const char* f : {"TRVBAR.TTF", "TRVBARNT.TTF"})
      fs::copy_file(out / f, fonts / f, fs::copy_options::overwrite_existing, ec);
    printer = "trvconv";
    if (int rc = trvspool::AddPort({"TRVCONV:", "--file", printed.string()}))
      return rc == kExitUsage ? rc : Fail("cannot add the file port");
    if (trvspool::AddDriver({"trvconv " + language, "--driver-file",
                             (scratch / "files" / "TRV.DLL").string(), "--data-file",
                             modelFile.string(), "--config-file",
                             (scratch / "files" / "TRVUI.DLL").string(), "--dependent-files",
                             dependents, "--monitor", "trvconv " + language + " monitor",
                             "--monitor-file", (out / ("TRV" + upper + ".DLL")).string()}))
      return Fail("cannot install the driver");
    if (trvspool::AddPrinter({printer, "--driver", "trvconv " + language, "--port", "TRVCONV:"}))
      return Fail("cannot install the printer");
    if (trvspool::Submit({printer, jobPath.string()})) return Fail("the job was not printed");
  } else {
    if (std::getenv("TRV_ROOT") == nullptr) return Usage("--printer needs TRV_ROOT");
    if (trvspool::Submit({printer, jobPath.string(), "--output", printed.string()}))
      return Fail("the job was not printed");
  }

  if (output.empty() || output == "-") {
    bool ok = false;
    Bytes bytes = ReadFile(printed, ok);
    if (!ok) return Fail("the printer received nothing");
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  }
  return 0;
}
