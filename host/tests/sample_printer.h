// A fresh machine with one printer, "Labels" on FILE:, installed from the sample CPCL
// model as a real installation does: the CPCL language monitor, the model files and
// the resident fonts' metrics as the driver's dependent files, the bar-code faces in
// the fonts folder. The printer data is not stored yet; tests refresh it themselves.
#pragma once

#include "platform/spooler/tests/spooler_fixture.h"

namespace trv::testing {

class SampleCpclPrinterTest : public SpoolerTest {
 protected:
  void SetUp() override;
};

}  // namespace trv::testing
