// Layer 4 of the DCL object: what both printer languages share — the printer's
// configuration, job and page framing, texts from the language file, option sizes,
// help by property page and the direct-output and port hooks. The two back-ends
// (CDCLCpcl, CDCLEpl) derive from it.
#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "dcl/fonts/font_download.h"
#include "dcl/model/backend_profiles.h"
#include "dcl/model/printer_config.h"
#include "dcl/object/dcl_model_file.h"
#include "dcl/object/installed_lists.h"
#include "dcl/object/label_options.h"
#include "dcl/object/name_table.h"
#include "dcl/object/option_table.h"
#include "dcl/object/orientation.h"
#include "dcl/object/printer_registry.h"

namespace trv {
class LanguageBinding;
}

namespace trv::dcl {

class CDCLLabelPrinter : public CDCLModelFile {
 public:
  CDCLLabelPrinter();
  ~CDCLLabelPrinter() override;

  BOOL ShowHelp(HWND parent, DWORD helpId, HWND control, DWORD controlHelpId) override;  // 5
  BOOL Terminate() override;                                                             // 7
  DWORD GetOptionValueSize(WORD optionId) override;                                      // 10
  const BYTE* GetOptionDefault(WORD optionId) override;                                  // 11
  LONG GetConfigLimit() override;                                                        // 12
  const ModelEntry* GetModel(DWORD index) override;                                      // 14
  // The printer's installed lists replace the model table's papers, fonts and bar codes.
  DWORD GetPaperCount(DWORD key) override;                              // 22
  const PaperEntry* GetPaper(DWORD key, DWORD n) override;              // 23
  DWORD GetTextFontCount(DWORD key) override;                           // 30
  const TextFontEntry* GetTextFont(DWORD key, DWORD n) override;        // 31
  DWORD GetBarcodeFontCount(DWORD key) override;                        // 32
  const BarcodeFontEntry* GetBarcodeFont(DWORD key, DWORD n) override;  // 33
  LONG_PTR Configure(void* a, void* b, void* c, WORD kind, void* d, void* e,
                     void* f) override;  // 34
  BOOL OpenDirect(void* portBlock, DWORD a, DWORD b, HWND window, WORD optionId,
                  DWORD flag) override;  // 35
  // The option dialogs come with the dialogs; the value is checked before one opens.
  LONG_PTR OptionDialog(BYTE* value, HWND window, WORD optionId, void* portBlock) override;  // 38
  BOOL NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode) override;                 // 40
  BOOL OnPortOpened(DevicePort* port) override;                                              // 41
  BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) override;                      // 42
  BOOL EndDoc() override;                                                                    // 43
  BOOL AbortDoc() override;                                                                  // 44
  BOOL StartPage(WORD valueA, WORD valueB, WORD copies) override;                            // 45
  BOOL EndPage(WORD copies) override;                                                        // 46
  // Turns an item of the page onto the label (orientation and label offsets).
  void TransformItem(DWORD type, BYTE* payload, spool::ItemKind kind) override;  // 62
  BOOL PrintText(WORD fontId, LONG x, LONG y, LONG direction, LONG charWidth, LONG charHeight,
                 LONG value20, LONG value24, const BYTE* text, DWORD textLength,
                 BYTE* payload) override;  // 63
  BOOL PrintBarcode(WORD barcodeId, LONG x, LONG y, LONG direction, LONG charWidth, LONG charHeight,
                    LONG value20, LONG value24, const BYTE* text, DWORD textLength,
                    BYTE* payload) override;                                 // 64
  BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length) override;    // 67
  int LoadString(HMODULE module, UINT id, char* buffer, int size) override;  // 83
  // Binds the language file, loads the model tables once, opens the printer's registry
  // key, reads the model data file and, on a set-up machine, populates the printer's
  // empty lists. FALSE with the last error set.
  BOOL LoadConfiguration(ModelTables* tables) override;                  // 84
  BOOL IsOptionSupported(WORD optionId) override;                        // 85
  BOOL IsOptionEnabled(WORD optionId) override;                          // 86
  BOOL HasOptionRange(WORD optionId) override;                           // 87
  LONG GetOptionMinimum(WORD optionId) override;                         // 88
  LONG GetOptionMaximum(WORD optionId) override;                         // 89
  BOOL HasOptionChoices(WORD optionId) override;                         // 90
  DWORD GetOptionChoiceCount(WORD optionId) override;                    // 91
  LONG GetOptionChoiceValue(WORD optionId, DWORD index) override;        // 92
  const char* GetOptionChoiceText(WORD optionId, DWORD index) override;  // 93
  LONG_PTR ReservedOptionQuery94(WORD optionId, DWORD index) override;   // 94
  LONG_PTR ReservedOptionQuery95(WORD optionId, DWORD index) override;   // 95
  BOOL IsOptionFreeText(WORD optionId) override;                         // 96
  BOOL LookUpResourceName(const char* name, LONG* value) override;       // 99
  LONG_PTR MapOptionValue(WORD optionId, LONG_PTR value) override;       // 104
  LONG ClassifyDirectCommand(const char* text) override;                 // 107
  BOOL WriteCommand(const void* bytes, DWORD count) override;            // 112

  // The printer's configuration the options follow; the configuration load sets it.
  const PrinterConfig& Config() const { return config_; }
  void SetConfig(const PrinterConfig& config) { config_ = config; }

  // Back-end operations every printer language must give.
  const char* GetDefFileName() override = 0;  // 98
  BOOL AddDownloadFont(void* installedList, ModelTables* tables, WORD* id, HWND window,
                       void* portBlock) override = 0;                           // 102
  BOOL DeleteDownloadFont(const char* fontName, void* portBlock) override = 0;  // 103
  // The answers of the font-download dialog, given ahead by a caller that downloads
  // without it; AddDownloadFont uses them once, in place of showing the dialog.
  void SetFontDownloadRequest(fonts::FontDownloadRequest request) {
    fontDownloadRequest_ = std::move(request);
  }
  // Font changes made without the dialog (a tool that downloads or deletes fonts):
  // EditInstalledTextFonts reads the installed text fonts as stored into the object;
  // AddDownloadFont adds to EditedTextFonts(), ForgetDownloadedFont takes a downloaded
  // font out; SaveEditedTextFonts writes the list back, as the text-fonts dialog saves
  // it, once the printer has the change. Virtual so that a tool holding the object of
  // a loaded library reaches the library's code.
  virtual BOOL EditInstalledTextFonts();
  std::vector<TextFontEntry>* EditedTextFonts() { return &editedFonts_.fonts; }
  virtual void ForgetDownloadedFont(const char* commandMacro);
  virtual BOOL SaveEditedTextFonts();
  BOOL WriteTextCommand(LONG x, LONG y, LONG charWidth, LONG charHeight, LONG multX, LONG multY,
                        LONG direction, DWORD placement, const TextFontEntry* font,
                        const BYTE* text, DWORD textLength, BYTE* payload) override = 0;  // 106
  const NameTableEntry* GetNameTable(spool::ItemKind kind) override = 0;                  // 108
  DWORD GetNameTableCount(spool::ItemKind kind) override = 0;                             // 109

 protected:
  // ---- the job, shared by both printer languages (label_job.cpp) ------------------------
  // The label layer's part of job start: keeps the page and orientation, decides the
  // status queries, sends the job-start user command and loads the installed fonts,
  // bar codes and bar-code parameters.
  BOOL BeginLabelJob(DWORD width, DWORD height, DWORD orientation);
  // Job end: the job-end user command, then the lists go.
  BOOL EndLabelJob();
  void ReleaseJobLists();
  // Writes the text of a user-command option unchanged when it is enabled and set.
  BOOL SendUserCommand(WORD optionId);
  // Waits while the printer answers busy (before a page and after it is printed).
  // FALSE with last error 0 when the user cancelled in the status dialog.
  BOOL WaitForReadiness();
  // The status dialog's text: the language's lead-in text (`introMessage`) followed by
  // "Printer not Ready" or the reply's own text, written into `buffer`.
  BOOL DescribeStatusText(DeviceStatus* status, UINT introMessage, char* buffer, size_t size);
  // The job's value of an option (DocProps or DevProps as the option's scope says).
  OptionValueView JobOption(WORD optionId);
  // The job's paper (the DocProps paper of its tray) and model, copied; false when
  // the printer has none. Virtual so that tests can stand in for the registry.
  virtual bool FindJobPaper(PaperEntry& paper);
  virtual bool FindJobModel(ModelEntry& model);
  // The installed fonts, bar codes and parameters for a job.
  virtual BOOL LoadJobLists(StoredLists& lists);
  // Status queries are made on this port (not on files, nor on LPT under NT 4.0).
  bool PortAllowsStatusQueries();
  void SetStatusQueries(bool on) { statusQueries_ = on; }
  const ItemFrame& Frame() const { return frame_; }
  void SetFrame(const ItemFrame& frame) { frame_ = frame; }
  const StoredLists& JobLists() const { return jobLists_; }
  DWORD JobWidth() const { return jobWidth_; }
  DWORD JobHeight() const { return jobHeight_; }
  DWORD JobOrientation() const { return frame_.orientation; }

  // The language file's texts, once a configuration bound it; null before.
  LanguageBinding* Language() const { return language_.get(); }
  void SetLanguage(std::unique_ptr<LanguageBinding> binding);
  bool StatusQueries() const { return statusQueries_; }
  // The pending font-download answers, taken (they serve one download).
  std::optional<fonts::FontDownloadRequest> TakeFontDownloadRequest() {
    std::optional<fonts::FontDownloadRequest> r = std::move(fontDownloadRequest_);
    fontDownloadRequest_.reset();
    return r;
  }
  // The back-ends' load: the language's presets, the label layer's load, then what the
  // language does not offer taken away.
  BOOL LoadForLanguage(ModelTables* tables, const BackEndProfile& profile);
  PrinterRegistry& Registry() { return registry_; }

 private:
  // The option rules over this printer's configuration, texts and attached values.
  LabelOptions Options();
  void ReleaseConfigTexts();
  // Where the top-left corner of text the application turned itself (to `direction` on
  // its page) lies on the label.
  BOOL TextCornerOnLabel(const BYTE* payload, DWORD direction, LONG* x, LONG* y);

  PrinterConfig config_;
  PrinterRegistry registry_;
  InstalledLists installed_;
  ModelEntry model_{};  // the record GetModel answers
  std::unique_ptr<LanguageBinding> language_;
  bool statusQueries_ = true;
  // The job.
  ItemFrame frame_;
  DWORD jobWidth_ = 0;
  DWORD jobHeight_ = 0;
  StoredLists jobLists_;
  StoredLists editedFonts_;  // the installed text fonts a tool is changing
  // The pair OpenDirect remembers for the font and tools dialogs.
  DWORD directA_ = 0;
  DWORD directB_ = 0;
  std::optional<fonts::FontDownloadRequest> fontDownloadRequest_;
};

}  // namespace trv::dcl
