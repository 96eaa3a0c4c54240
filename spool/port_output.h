// Where bytes that are not records go: straight to the printer's port, unchanged
// (the DCL object's port output loop, a dump, a test).
#pragma once

#include <span>

#include "platform/windef.h"

namespace trv::spool {

class PortOutput {
 public:
  virtual ~PortOutput() = default;
  // Writes every byte. Non-zero for success; zero with the last error set for
  // failure, where a zero last error means the user chose to cancel the job.
  virtual BOOL WriteRaw(std::span<const BYTE> bytes) = 0;
};

}  // namespace trv::spool
