#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "fuzz/harness.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace trv::fuzz {
namespace {

std::filesystem::path& Root() {
  static std::filesystem::path root;
  return root;
}

void RemoveRoot() {
  std::error_code ec;
  if (!Root().empty()) std::filesystem::remove_all(Root(), ec);
}

}  // namespace

void UseFreshMachine() {
  if (!Root().empty()) return;
  std::random_device random;
  Root() = std::filesystem::temp_directory_path() /
           ("trv-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(Root());
  std::atexit(RemoveRoot);
  trv::SetMachineRoot(Root().string());
  trv::SetPlatform(trv::Platform::Win2000OrLater);
  trv::SetUserDefaultLangID(0x0409);
}

}  // namespace trv::fuzz
