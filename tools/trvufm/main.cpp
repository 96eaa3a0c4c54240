// trvufm: shows a UFM font metrics file, makes one from a TrueType face, and makes
// the metrics of the printer-resident fonts from their description.
//   trvufm show FILE.ufm
//   trvufm make FONT.ttf[:FACE] OUT.ufm
//   trvufm resident DESCRIPTION.txt OUTPUT_FOLDER
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/ufm.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "tools/trvufm/resident.h"
#include "tools/trvufm/show.h"

namespace {

int Usage() {
  std::cerr << "usage: trvufm show FILE.ufm\n"
               "       trvufm make FONT.ttf[:FACE] OUT.ufm\n"
               "       trvufm resident DESCRIPTION.txt OUTPUT_FOLDER\n";
  return 2;
}

bool ReadHostFile(const std::string& path, std::vector<BYTE>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteHostFile(const std::string& path, const std::vector<BYTE>& bytes) {
  std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

int Show(const std::string& path) {
  std::vector<BYTE> bytes;
  if (!ReadHostFile(path, bytes)) {
    std::cerr << "trvufm: cannot read " << path << "\n";
    return 1;
  }
  std::string text, error;
  if (!trv::tools::DescribeUfm(bytes, text, error)) {
    std::cerr << "trvufm: " << path << ": " << error << "\n";
    return 1;
  }
  std::cout << text;
  return 0;
}

int Make(const std::string& source, const std::string& output) {
  std::string path = source;
  long face = 0;
  size_t colon = source.rfind(':');
  if (colon != std::string::npos && colon + 1 < source.size() &&
      source.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    path = source.substr(0, colon);
    face = std::strtol(source.c_str() + colon + 1, nullptr, 10);
  }
  std::vector<BYTE> image;
  DWORD rc = trv::dcl::fonts::BuildMetricsImage(trv::WindowsPath(path), face, image);
  if (rc != ERROR_SUCCESS) {
    std::cerr << "trvufm: " << source << ": cannot make metrics (error " << rc << ")\n";
    return 1;
  }
  if (!WriteHostFile(output, image)) {
    std::cerr << "trvufm: cannot write " << output << "\n";
    return 1;
  }
  return 0;
}

int Resident(const std::string& description, const std::string& folder) {
  std::vector<BYTE> bytes;
  if (!ReadHostFile(description, bytes)) {
    std::cerr << "trvufm: cannot read " << description << "\n";
    return 1;
  }
  std::vector<trv::tools::ResidentFont> fonts;
  std::string error;
  if (!trv::tools::ParseResidentFonts(std::string(bytes.begin(), bytes.end()), fonts, error)) {
    std::cerr << "trvufm: " << description << ": " << error << "\n";
    return 1;
  }
  for (const auto& font : fonts) {
    std::vector<BYTE> image = trv::dcl::fonts::BuildUfmImage(trv::tools::ResidentFaceMetrics(font));
    if (!WriteHostFile(folder + "/" + font.metricsFile, image)) {
      std::cerr << "trvufm: cannot write " << folder << "/" << font.metricsFile << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) return Usage();
  std::string command = argv[1];
  if (command == "show" && argc == 3) return Show(argv[2]);
  if (command == "make" && argc == 4) return Make(argv[2], argv[3]);
  if (command == "resident" && argc == 4) return Resident(argv[2], argv[3]);
  return Usage();
}
