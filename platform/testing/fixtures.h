// Test support: a fresh machine root per test, and the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace trv::testing {

// Gives each test its own empty machine root (under the system's temporary
// folder), the default platform identity and the virtual clock; removes the root
// afterwards unless TRV_KEEP_ROOT is set.
class FreshMachine : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& root() const { return root_; }
  // Host path of a Windows path on this machine.
  std::string host(const std::string& windowsPath) const;
  // Writes bytes to a Windows path, creating its folders.
  void writeFile(const std::string& windowsPath, const std::string& bytes) const;
  std::string readFile(const std::string& windowsPath) const;

 private:
  std::string root_;
};

// The bytes of a host file ("" when it cannot be read).
std::string ReadHostFile(const std::string& hostPath);

// The build's output folder (where language.dll and friends live), as a host path.
std::string OutDir();
// The source tree, as a host path.
std::string SourceDir();

}  // namespace trv::testing
