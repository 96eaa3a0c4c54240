#include "platform/testing/fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace fs = std::filesystem;

namespace trv::testing {

void FreshMachine::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "trv-root-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  ASSERT_NE(made, nullptr);
  root_ = made;
  trv::SetMachineRoot(root_);
  trv::SetPlatform(trv::Platform::Win2000OrLater);
  trv::SetUserDefaultLangID(0x0409);
  trv::UseVirtualClock(true);
  trv::SetSleepHook(nullptr);
  SetLastError(0);
}

void FreshMachine::TearDown() {
  trv::SetSleepHook(nullptr);
  trv::UseVirtualClock(false);
  if (std::getenv("TRV_KEEP_ROOT") == nullptr && !root_.empty()) {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
}

std::string FreshMachine::host(const std::string& windowsPath) const {
  return trv::HostPath(windowsPath);
}

void FreshMachine::writeFile(const std::string& windowsPath, const std::string& bytes) const {
  fs::path p = trv::HostPath(windowsPath);
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string FreshMachine::readFile(const std::string& windowsPath) const {
  return ReadHostFile(trv::HostPath(windowsPath));
}

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

static std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : fallback;
}

std::string OutDir() { return EnvOr("TRV_OUT_DIR", TRV_DEFAULT_OUT_DIR); }
std::string SourceDir() { return EnvOr("TRV_SOURCE_DIR", TRV_DEFAULT_SOURCE_DIR); }

}  // namespace trv::testing
