// A fresh machine with the spooler's pieces at hand: drivers installed from small
// stand-in files, printers on given ports, jobs submitted as an application does.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/winspool.h"

namespace trv::testing {

class SpoolerTest : public FreshMachine {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs a driver whose files are small stand-ins; `monitor` names a language
  // monitor (installed from the test monitor library) or is empty.
  void InstallDriver(const std::string& name, const std::string& monitor = "");
  void AddPrinter(const std::string& name, const std::string& port, const std::string& driver);
  void AddPort(const std::string& name, const std::string& settings);
  // Spools `bytes` as one RAW document, as an application does; returns the job id.
  DWORD Submit(const std::string& printer, const std::string& bytes,
               const std::string& outputFile = "");
  // The printer's kept jobs.
  std::vector<SpoolJob> KeptJobs(const std::string& printer) const;
  // What the test monitor reported since the test began.
  const std::vector<std::string>& monitorLog() const { return log_; }

 private:
  int listener_ = 0;
  std::vector<std::string> log_;
};

}  // namespace trv::testing
