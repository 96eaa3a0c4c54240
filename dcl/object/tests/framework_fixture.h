// Loads the framework's test module (TRVTEST.DLL) the way a host does and offers
// its exports, a fake port monitor and record builders to the tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dcl/object/device_port.h"
#include "dcl/object/host_interface.h"
#include "dcl/object/tests/test_layer.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl::testing {

// A port monitor whose port keeps what is written and answers status reads with a
// state the test sets.
struct FakePort {
  std::string written;
  int failWrites = 0;       // WritePort fails this many times (last error 21)
  bool busy = false;        // status reads answer "busy"
  int busyUntilPolls = -1;  // after this many status polls the printer is ready again
  int polls = 0;
  int opens = 0, closes = 0, startDocs = 0, endDocs = 0;
  PortAccessTable Table() const;
};
FakePort& Port();

class Framework : public trv::testing::FreshMachine {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new object through DCLInitializeV2 with a table of the right size.
  CDCLBase* Create(DCLInterface& table);
  BOOL OpenFakePort(DCLInterface& table, CDCLBase* o);
  static std::vector<BYTE> Record(DWORD type, const std::vector<BYTE>& payload,
                                  DWORD headerSize = 48);

  HMODULE module_ = nullptr;
  decltype(&DCLInitializeV2) initialize_ = nullptr;
  decltype(&DCLTerminateV2) terminate_ = nullptr;
  decltype(&DCLCallHelp) callHelp_ = nullptr;
  TestControl* control_ = nullptr;
};

}  // namespace trv::dcl::testing
