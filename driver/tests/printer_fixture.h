// A fresh machine with one printer of the sample model, whose printer data tests set
// value by value, as the host stores them.
#pragma once

#include <string>

#include "driver/tests/printer_values.h"
#include "platform/testing/fixtures.h"
#include "platform/windef.h"

namespace trv::driver::testing {

class PrinterFixture : public trv::testing::FreshMachine {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Stores a REG_BINARY value (possibly empty).
  void SetValue(const std::u16string& name, const Bytes& value);
  // Every value of the sample printer.
  void StoreSample();
  HANDLE printer() const { return printer_; }

  // A host path of a real driver module to install as trv.dll (set before SetUp);
  // empty installs a stand-in file.
  std::string driverModule_;

 private:
  HANDLE printer_ = nullptr;
};

}  // namespace trv::driver::testing
