// Record streams for the CPCL layer's tests, fed to the layer through its record
// dispatcher.
#pragma once

#include <vector>

#include "dcl/cpcl/testing/cpcl_fixture.h"

namespace trv::dcl::testing {

// Runs records through the layer's dispatcher; stops at the first failure and
// returns the number of records that succeeded.
size_t Feed(TestCpcl& layer, std::vector<Record>& records);

// The records of one page job around `items`.
std::vector<Record> PageJob(const OptionBlobs& options, DWORD width, DWORD height,
                            DWORD orientation, std::vector<Record> items, WORD copies = 1);

}  // namespace trv::dcl::testing
