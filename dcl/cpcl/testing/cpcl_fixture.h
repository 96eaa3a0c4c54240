// A CPCL layer under test: the real back-end with its configuration, job paper,
// model and installed lists given by the test instead of a printer's registry, and
// a port that keeps every byte written to it and answers status queries from a
// script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dcl/cpcl/dcl_cpcl.h"
#include "dcl/model/text_heap.h"
#include "dcl/object/testing/job_records.h"

namespace trv::dcl::testing {

// What the test port saw and how it behaves.
struct PortScript {
  std::string written;
  int failWrites = 0;         // the next writes fail (nothing taken)
  int writesBeforeFail = -1;  // after this many good writes every write fails
  std::deque<int> answers;    // status bytes read back; -1 reads nothing
};
PortScript& Script();

class TestCpcl : public CDCLCpcl {
 public:
  TestCpcl();
  ~TestCpcl() override;

  PaperEntry paper{};
  bool havePaper = true;
  ModelEntry model{};
  bool haveModel = true;
  std::vector<TextFontEntry> fonts;
  std::vector<BarcodeFontEntry> barcodes;
  std::vector<BarcodeOptionEntry> properties;
  int listLoads = 0;

  // Installed entries with their texts kept by the test.
  TextFontEntry& AddFont(WORD id, const std::string& macro, DWORD infoFlags = 0, WORD flags = 0);
  BarcodeFontEntry& AddBarcode(WORD id, const std::string& macro);
  void AddProperty(WORD barcodeId, WORD optionId, WORD flags, const std::string& text);

  // Attaches the blobs the way the job's records do.
  void Attach(const OptionBlobs& options);
  // The blob bytes live here while attached.
  std::vector<BYTE> docBlob, devBlob;

  using CDCLCpcl::Frame;
  using CDCLCpcl::StatusQueries;

 protected:
  bool FindJobPaper(PaperEntry& p) override;
  bool FindJobModel(ModelEntry& m) override;
  BOOL LoadJobLists(StoredLists& lists) override;

 private:
  std::vector<TextHandle> texts_;
};

// Installs fonts 1 to 5 (resident, downloaded, magnified 2 x 3, turned, and one
// neither resident nor downloaded) and two Code 128 bar codes, 2 and 3, with their
// parameters (human-readable text off and on).
void InstallSamples(TestCpcl& layer);

// A 4-inch 203-dpi CPCL printer offering everything the layer can send.
PrinterConfig FullConfig();

}  // namespace trv::dcl::testing
