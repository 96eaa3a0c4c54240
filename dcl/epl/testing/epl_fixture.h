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

// The option values of a job as the graphics driver writes them: each value in the
// DocProps or DevProps blob of the model 7, tray 1, paper 2, as the option's scope says.
class DocProps {
 public:
  DocProps& Add(WORD id, std::vector<DWORD> words);
  DocProps& AddText(WORD id, const std::string& text);
  // Builds both blobs and attaches them to the object; they live here meanwhile.
  void AttachTo(CDCLBase& object);

 private:
  std::vector<BYTE>& For(WORD id);
  std::vector<BYTE> doc_, dev_;
  std::vector<BYTE> docBlob_, devBlob_;
};

// The EPL layer with the model and the paper of a test job in place of a printer's
// configuration, and the installed fonts and bar codes the test gives (none unless
// it does; their texts are the test's to keep).
class TestEpl : public CDCLEpl {
 public:
  ModelEntry model{};
  PaperEntry paper{};
  bool havePaper = true;
  std::vector<TextFontEntry> fonts;
  std::vector<BarcodeFontEntry> barcodes;
  std::vector<BarcodeOptionEntry> properties;
  using CDCLEpl::StatusQueries;

 protected:
  bool FindJobPaper(PaperEntry& p) override;
  bool FindJobModel(ModelEntry& m) override;
  BOOL LoadJobLists(StoredLists& lists) override;
};

// A 203-dpi EPL printer that can take every option.
PrinterConfig FullConfig();

}  // namespace trv::dcl::epl::testing
