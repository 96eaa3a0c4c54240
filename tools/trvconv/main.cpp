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
#include "tools/trvjob/job_settings.h"
#include "tools/trvspool/commands.h"

namespace {

namespace fs = std::filesystem;
using trv::samples::ApplySetting;
using trv::samples::ParseSetting;
using trv::samples::Setting;
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
