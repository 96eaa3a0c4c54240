// trvjob: writes a sample print job in the record stream to a file.
//
//   trvjob [--width DOTS] [--height DOTS] [--pages N] [--objects N]
//          [--raw-prefix TEXT] [--set NAME=VALUE ...] OUTPUT
//   trvjob [--objects N] [--reduce threshold|dither|diffusion] --image FILE [FILE ...] OUTPUT
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "tools/trvjob/image_page.h"
#include "tools/trvjob/job_settings.h"
#include "tools/trvjob/sample_job.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const char* problem) {
  std::fprintf(stderr, "trvjob: %s\n", problem);
  std::fprintf(stderr,
               "usage: trvjob [--width DOTS] [--height DOTS] [--pages N] [--objects N]\n"
               "              [--raw-prefix TEXT] [--set NAME=VALUE ...] OUTPUT\n"
               "       trvjob [--objects N] [--reduce threshold|dither|diffusion]\n"
               "              --image FILE [FILE ...] OUTPUT\n");
  return kExitUsage;
}

// A whole decimal number in [min, max].
bool ParseNumber(const char* text, DWORD min, DWORD max, DWORD& value) {
  char* end = nullptr;
  if (text == nullptr || *text < '0' || *text > '9') return false;
  const unsigned long long n = std::strtoull(text, &end, 10);
  if (*end != '\0' || n < min || n > max) return false;
  value = static_cast<DWORD>(n);
  return true;
}

struct Arguments {
  trv::samples::SampleJobOptions options;
  std::string output;
  std::vector<std::string> images;
  trv::samples::Reduction reduction = trv::samples::Reduction::kThreshold;
  bool objectsGiven = false;
  std::vector<trv::samples::Setting> settings;
};

// Returns 0 when the arguments are good, else the exit code.
int ParseArguments(int argc, char** argv, Arguments& args) {
  struct NumberOption {
    const char* name;
    DWORD min, max;
    DWORD* value;
  };
  trv::samples::SampleJobOptions& o = args.options;
  const NumberOption numbers[] = {
      {"--width", 1, trv::samples::kMaxPageDots, &o.width},
      {"--height", 1, trv::samples::kMaxPageDots, &o.height},
      {"--pages", 0, 10000, &o.pages},
      {"--objects", 0, 100000, &o.objects},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool known = false;
    for (const NumberOption& n : numbers) {
      if (arg != n.name) continue;
      if (!ParseNumber(value, n.min, n.max, *n.value))
        return Usage(("bad value for " + arg).c_str());
      known = true;
      if (n.value == &o.objects) args.objectsGiven = true;
      ++i;
    }
    if (known) continue;
    if (arg == "--raw-prefix") {
      if (value == nullptr) return Usage("--raw-prefix needs a text");
      o.rawPrefix = value;
      ++i;
    } else if (arg == "--set") {
      // An option value in the job's option blobs (e.g. status=1: status queries).
      trv::samples::Setting setting;
      if (value == nullptr || !trv::samples::ParseSetting(value, setting))
        return Usage("--set takes NAME=VALUE with a known name or an identifier");
      args.settings.push_back(setting);
      ++i;
    } else if (arg == "--reduce") {
      // How grey images become black and white: the graphics driver's reductions.
      const std::string method = value != nullptr ? value : "";
      if (method == "threshold")
        args.reduction = trv::samples::Reduction::kThreshold;
      else if (method == "dither")
        args.reduction = trv::samples::Reduction::kOrderedDither;
      else if (method == "diffusion")
        args.reduction = trv::samples::Reduction::kErrorDiffusion;
      else
        return Usage("--reduce takes threshold, dither or diffusion");
      ++i;
    } else if (arg == "--image") {
      // Every following name up to the last is an image; the last is the output.
      for (++i; i + 1 < argc && !std::string(argv[i]).starts_with("--"); ++i)
        args.images.push_back(argv[i]);
      --i;
      if (args.images.empty()) return Usage("--image needs at least one image file");
    } else if (arg.starts_with("-") && arg != "-") {
      return Usage(("unknown option " + arg).c_str());
    } else if (args.output.empty()) {
      args.output = arg;
    } else {
      return Usage("only one output file");
    }
  }
  if (args.output.empty()) return Usage("no output file");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (int code = ParseArguments(argc, argv, args)) return code;
  try {
    for (const std::string& image : args.images)
      args.options.images.push_back(trv::samples::ReadImagePage(image, args.reduction));
    // Image pages carry only their bitmap unless objects were asked for.
    if (!args.images.empty() && !args.objectsGiven) args.options.objects = 0;
    std::vector<BYTE> job = trv::samples::MakeSampleJob(args.options);
    for (const trv::samples::Setting& setting : args.settings)
      if (!trv::samples::ApplySetting(job, setting)) {
        std::fprintf(stderr, "trvjob: the job has no option blob for option 0x%04X\n", setting.id);
        return kExitFailure;
      }
    std::ofstream out(args.output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(job.data()), static_cast<std::streamsize>(job.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "trvjob: cannot write %s\n", args.output.c_str());
      return kExitFailure;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "trvjob: %s\n", e.what());
    return kExitFailure;
  }
  return 0;
}
