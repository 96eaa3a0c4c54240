// Test support of the EPL layer: a port in memory, the DocProps blob of a job, and the
// EPL layer with a model and a paper in place of a printer's configuration.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "dcl/epl/dcl_epl.h"

namespace trv::dcl::epl::testing {

// A port in memory: keeps what is written, answers status requests from a queue of
// replies (or stays silent), and can refuse a chosen write.
struct MemoryPort {
  std::string bytes;
  int writes = 0;
  int failWrite = -1;  // the number of the write that fails (0 first), -1 none
  std::string reply = "00\r\n";
  size_t replyAt = 0;
  int queries = 0;
  bool keep = true;  // false: only count the bytes
  size_t count = 0;
};

BOOL WINAPI MemoryWrite(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD written);
BOOL WINAPI MemoryRead(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD read);
// Points the object's device port at a memory port.
void UseMemoryPort(CDCLBase& object, MemoryPort* port);

// The option values of a job, as a DocProps blob of the model 7, tray 1, paper 2.
class DocProps {
 public:
  DocProps& Add(WORD id, std::vector<DWORD> words) {
    DWORD size = 8 + 4 * static_cast<DWORD>(words.size());
    size_t at = values_.size();
    values_.resize(at + size);
    std::memcpy(values_.data() + at, &size, 4);
    std::memcpy(values_.data() + at + 4, &id, 2);
    for (size_t i = 0; i < words.size(); ++i)
      std::memcpy(values_.data() + at + 8 + 4 * i, &words[i], 4);
    return *this;
  }
  DocProps& AddText(WORD id, const std::string& text) {
    DWORD size = 12 + static_cast<DWORD>(text.size()) + 1;
    size_t at = values_.size();
    values_.resize(at + size, 0);
    DWORD enabled = 1;
    std::memcpy(values_.data() + at, &size, 4);
    std::memcpy(values_.data() + at + 4, &id, 2);
    std::memcpy(values_.data() + at + 8, &enabled, 4);
    std::memcpy(values_.data() + at + 12, text.data(), text.size());
    return *this;
  }
  BYTE* Build() {
    blob_.assign(32, 0);
    DWORD header = 32, count = static_cast<DWORD>(values_.size());
    WORD model = 7, tray = 1, paper = 2;
    std::memcpy(blob_.data(), &header, 4);
    std::memcpy(blob_.data() + 8, &count, 4);
    std::memcpy(blob_.data() + 12, &model, 2);
    std::memcpy(blob_.data() + 14, &tray, 2);
    std::memcpy(blob_.data() + 16, &paper, 2);
    blob_.insert(blob_.end(), values_.begin(), values_.end());
    return blob_.data();
  }

 private:
  std::vector<BYTE> values_;
  std::vector<BYTE> blob_;
};

// The EPL layer with the model and the paper of a test job in place of a configuration.
class TestEpl : public CDCLEpl {
 public:
  ModelEntry model{};
  PaperEntry paper{};
  bool havePaper = true;
  DWORD GetModelCount() override { return 1; }
  const ModelEntry* GetModel(DWORD) override { return &model; }
  DWORD GetPaperCount(DWORD) override { return havePaper ? 1 : 0; }
  const PaperEntry* GetPaper(DWORD, DWORD) override { return havePaper ? &paper : nullptr; }
};

}  // namespace trv::dcl::epl::testing
