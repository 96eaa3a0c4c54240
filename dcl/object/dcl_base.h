// The DCL object: one polymorphic object per printer job or per host session that
// knows the models of its printer language, the configuration of one installed
// printer and how to turn spool records into printer commands.
//
// Five class layers (CDCLBase, CDCLModelTable, CDCLModelFile, CDCLLabelPrinter, and
// CDCLCpcl or CDCLEpl) share one table of 113 virtual operations. The operations are
// declared here in slot order (slot numbers in the comments); every later layer
// overrides what it gives a body to. The host reaches them through the interface
// table (host_interface.h), the language monitor through ProcessRecord and the port
// operations.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dcl/model/entries.h"
#include "dcl/object/device_port.h"
#include "platform/windef.h"
#include "spool/record_handler.h"

namespace trv::spool {
class RecordDispatcher;
}

namespace trv::dcl {

struct ModelTables;
struct NameTableEntry;

inline constexpr WORD DCL_OBJECT_MARKER = 500;

// The answer of an operation a layer does not offer yet: failure with
// ERROR_INVALID_FUNCTION.
BOOL NotYetOffered();

// Modes of NotifyOptionChanged.
inline constexpr DWORD OPTION_WRITTEN_AS_DEFAULT = 0x01;
inline constexpr DWORD OPTION_ATTACHED = 0x02;
inline constexpr DWORD OPTION_SET_BY_COMMAND = 0x08;

// The commands of OptionCommand (operation 37) and of the host's OptionCommand entry.
// `c` is the command's argument; the other operations named are asked for the option.
enum OptionCommandCode : WORD {
  kCommandSetSwitchedOn = 1,   // c non-zero sets the value's switched-on flag, 0 clears it
  kCommandIsSwitchedOn = 2,    // the switched-on flag, 0 for an option not supported
  kCommandGetSetting = 17,     // the value's setting
  kCommandSetSetting = 18,     // stores c as the setting, then NotifyOptionChanged
  kCommandHasRange = 33,       // HasOptionRange
  kCommandMinimum = 34,        // GetOptionMinimum
  kCommandMaximum = 35,        // GetOptionMaximum
  kCommandHasChoices = 49,     // HasOptionChoices
  kCommandChoiceCount = 50,    // GetOptionChoiceCount
  kCommandChoiceValue = 51,    // GetOptionChoiceValue of choice c
  kCommandChoiceText = 52,     // GetOptionChoiceText of choice c (its address)
  kCommandReservedQuery = 53,  // ReservedOptionQuery94 with c
  kCommandIsSupported = 54,    // IsOptionSupported
  kCommandIsEnabled = 55,      // IsOptionEnabled
  kCommandValueAddress = 56,   // the host entry's own: the address of the option's value
  kCommandIsFreeText = 65,     // IsOptionFreeText
  kCommandConfigLimit = 81,    // GetConfigLimit
  kCommandShowHelp = 254,      // the option's help topic for window c
};

class CDCLBase {
 public:
  CDCLBase();
  virtual ~CDCLBase();  // slot 0
  CDCLBase(const CDCLBase&) = delete;
  CDCLBase& operator=(const CDCLBase&) = delete;

  // ---- identity (1-5) -----------------------------------------------------------
  virtual const char* GetProductName();                                                 // 1
  virtual const char* GetComments();                                                    // 2
  virtual const char* GetHelpFileName();                                                // 3
  virtual DWORD GetVersionNumber();                                                     // 4
  virtual BOOL ShowHelp(HWND parent, DWORD helpId, HWND control, DWORD controlHelpId);  // 5

  // ---- life and option blobs (6-12) ------------------------------------------------
  virtual BOOL Initialize();                                // 6
  virtual BOOL Terminate();                                 // 7
  virtual BOOL AttachDocProps(BYTE* blob);                  // 8
  virtual BOOL AttachDevProps(BYTE* blob);                  // 9
  virtual DWORD GetOptionValueSize(WORD optionId) = 0;      // 10
  virtual const BYTE* GetOptionDefault(WORD optionId) = 0;  // 11
  virtual LONG GetConfigLimit();                            // 12

  // ---- model database lists (13-33) ----------------------------------------------
  virtual DWORD GetModelCount() = 0;                                                     // 13
  virtual const ModelEntry* GetModel(DWORD index) = 0;                                   // 14
  virtual DWORD GetMonitorCount(DWORD key) = 0;                                          // 15
  virtual const MonitorEntry* GetMonitor(DWORD key, DWORD n) = 0;                        // 16
  virtual DWORD GetOptionCount(DWORD key) = 0;                                           // 17
  virtual const OptionEntry* GetOption(DWORD key, DWORD n) = 0;                          // 18
  virtual const OptionEntryEx* GetOptionEx(DWORD key, DWORD n) = 0;                      // 19
  virtual DWORD GetTrayCount(DWORD key) = 0;                                             // 20
  virtual const TrayEntry* GetTray(DWORD key, DWORD n) = 0;                              // 21
  virtual DWORD GetPaperCount(DWORD key) = 0;                                            // 22
  virtual const PaperEntry* GetPaper(DWORD key, DWORD n) = 0;                            // 23
  virtual DWORD GetRibbonCount(DWORD key) = 0;                                           // 24
  virtual const RibbonEntry* GetRibbon(DWORD key, DWORD n) = 0;                          // 25
  virtual DWORD GetSubRibbonCount(DWORD key) = 0;                                        // 26
  virtual const SubRibbonEntry* GetSubRibbon(DWORD key, DWORD n) = 0;                    // 27
  virtual DWORD GetRibbonOptionCount(DWORD key, DWORD mask) = 0;                         // 28
  virtual const RibbonOptionEntry* GetRibbonOption(DWORD key, DWORD mask, DWORD n) = 0;  // 29
  virtual DWORD GetTextFontCount(DWORD key) = 0;                                         // 30
  virtual const TextFontEntry* GetTextFont(DWORD key, DWORD n) = 0;                      // 31
  virtual DWORD GetBarcodeFontCount(DWORD key) = 0;                                      // 32
  virtual const BarcodeFontEntry* GetBarcodeFont(DWORD key, DWORD n) = 0;                // 33

  // ---- configuration, direct output, option commands (34-41) ------------------------
  virtual LONG_PTR Configure(void* a, void* b, void* c, WORD kind, void* d, void* e,
                             void* f);  // 34
  virtual BOOL OpenDirect(void* portBlock, DWORD a, DWORD b, HWND window, WORD optionId,
                          DWORD flag);  // 35
  virtual BOOL CloseDirect();           // 36
  virtual LONG_PTR OptionCommand(BYTE* value, WORD optionId, WORD command, LONG_PTR c,
                                 LONG_PTR d) = 0;                                           // 37
  virtual LONG_PTR OptionDialog(BYTE* value, HWND window, WORD optionId, void* portBlock);  // 38
  virtual BOOL OnOptionChanged(WORD optionId, BYTE* value, DWORD mode);                     // 39
  virtual BOOL NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode);                 // 40
  virtual BOOL OnPortOpened(DevicePort* port);                                              // 41

  // ---- job records (42-67) ---------------------------------------------------------
  virtual BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) = 0;       // 42
  virtual BOOL EndDoc() = 0;                                                     // 43
  virtual BOOL AbortDoc() = 0;                                                   // 44
  virtual BOOL StartPage(WORD valueA, WORD valueB, WORD copies) = 0;             // 45
  virtual BOOL EndPage(WORD copies) = 0;                                         // 46
  virtual BOOL NextPage() = 0;                                                   // 47
  virtual BOOL Reserved48() = 0;                                                 // 48
  virtual BOOL BeginSection(WORD value1, WORD value2) = 0;                       // 49
  virtual BOOL SectionByte(BYTE value) = 0;                                      // 50
  virtual BOOL SectionCommand() = 0;                                             // 51
  virtual BOOL EndSection() = 0;                                                 // 52
  virtual BOOL BeginBitmap(WORD width, WORD height, WORD stride) = 0;            // 53
  virtual BOOL PlaceBitmap(WORD v1, WORD v2, WORD v3, WORD v4, WORD v5) = 0;     // 54
  virtual BOOL BitmapData(std::span<BYTE> record) = 0;                           // 55
  virtual BOOL EndBitmap() = 0;                                                  // 56
  virtual BOOL ResetBitmap() = 0;                                                // 57
  virtual BOOL BeginTransfer(WORD id, WORD value) = 0;                           // 58
  virtual BOOL TransferData(WORD id, WORD value, BYTE* data, DWORD length) = 0;  // 59
  virtual BOOL EndTransfer(WORD id) = 0;                                         // 60
  virtual BOOL AbortTransfer(WORD id) = 0;                                       // 61
  virtual void TransformItem(DWORD type, BYTE* payload, spool::ItemKind kind);   // 62
  virtual BOOL PrintText(WORD fontId, LONG x, LONG y, LONG direction, LONG charWidth,
                         LONG charHeight, LONG reserved, LONG directionBits, const BYTE* text,
                         DWORD textLength, BYTE* payload);  // 63
  virtual BOOL PrintBarcode(WORD barcodeId, LONG x, LONG y, LONG direction, LONG charWidth,
                            LONG charHeight, LONG reserved, LONG directionBits, const BYTE* text,
                            DWORD textLength, BYTE* payload);  // 64
  virtual BOOL DrawLine(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                        LONG directionBits, LONG width, BYTE* payload);  // 65
  virtual BOOL DrawBox(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                       LONG directionBits, LONG width, BYTE* payload);    // 66
  virtual BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length);  // 67

  // ---- the device port (68-82) --------------------------------------------------------
  virtual BOOL OpenDevicePort(DevicePort* port, LPWSTR portName, const PortAccessTable* table,
                              HWND owner, LPWSTR printerName, DWORD jobId, DWORD level,
                              LPBYTE docInfo);     // 68
  virtual BOOL CloseDevicePort(DevicePort* port);  // 69
  virtual int ShowErrorMessage(DevicePort* port, DeviceStatus* status, DWORD error,
                               BOOL question);  // 70
  virtual int ShowStatusDialog(DevicePort* port, DeviceStatus* status, const char* text,
                               BOOL question);                             // 71
  virtual int HandleDeviceStatus(DevicePort* port, DeviceStatus* status);  // 72
  virtual BOOL ResetDevice(DevicePort* port);                              // 73
  virtual BOOL ReadBlock524(DevicePort* port, BYTE* block);                // 74
  virtual BOOL Reserved75(DevicePort* port);                               // 75
  virtual BOOL ReadBlock268(DevicePort* port, BYTE* block);                // 76
  virtual BOOL Reserved77(DevicePort* port);                               // 77
  virtual BOOL WriteDevicePort(DevicePort* port, const BYTE* bytes, DWORD count, DWORD* written,
                               DWORD flags);                                           // 78
  virtual BOOL BeginDeviceWrite(DevicePort* port, DeviceStatus* status, DWORD flags);  // 79
  virtual BOOL EndDeviceWrite(DevicePort* port, DeviceStatus* status, DWORD flags);    // 80
  virtual BOOL QueryDeviceStatus(DevicePort* port, DeviceStatus* status);              // 81
  virtual BOOL DescribeDeviceStatus(DevicePort* port, DeviceStatus* status);           // 82

  // ---- texts, configuration and option queries (83-101) ---------------------------------
  virtual int LoadString(HMODULE module, UINT id, char* buffer, int size);  // 83
  virtual BOOL LoadConfiguration(ModelTables* tables);                      // 84
  virtual BOOL IsOptionSupported(WORD optionId);                            // 85
  virtual BOOL IsOptionEnabled(WORD optionId);                              // 86
  virtual BOOL HasOptionRange(WORD optionId);                               // 87
  virtual LONG GetOptionMinimum(WORD optionId);                             // 88
  virtual LONG GetOptionMaximum(WORD optionId);                             // 89
  virtual BOOL HasOptionChoices(WORD optionId);                             // 90
  virtual DWORD GetOptionChoiceCount(WORD optionId);                        // 91
  virtual LONG GetOptionChoiceValue(WORD optionId, DWORD index);            // 92
  virtual const char* GetOptionChoiceText(WORD optionId, DWORD index);      // 93
  virtual LONG_PTR ReservedOptionQuery94(WORD optionId, DWORD index);       // 94
  virtual LONG_PTR ReservedOptionQuery95(WORD optionId, DWORD index);       // 95
  virtual BOOL IsOptionFreeText(WORD optionId);                             // 96
  virtual DWORD GetOptionHelpId(WORD optionId);                             // 97
  virtual const char* GetDefFileName();                                     // 98
  virtual BOOL LookUpResourceName(const char* name, LONG* value);           // 99
  virtual BOOL FreeConfiguration(ModelTables* tables);                      // 100
  virtual BOOL LoadDefFile(ModelTables* tables, const char* fileName);      // 101

  // ---- back-end services (102-112) -------------------------------------------------------
  virtual BOOL AddDownloadFont(void* installedList, ModelTables* tables, WORD* id, HWND window,
                               void* portBlock);                                            // 102
  virtual BOOL DeleteDownloadFont(const char* fontName, void* portBlock);                   // 103
  virtual LONG_PTR MapOptionValue(WORD optionId, LONG_PTR value);                           // 104
  virtual BOOL CopyBytes(void* destination, DWORD* size, const void* source, DWORD count);  // 105
  virtual BOOL WriteTextCommand(LONG x, LONG y, LONG charWidth, LONG charHeight, LONG multX,
                                LONG multY, LONG direction, DWORD placement,
                                const TextFontEntry* font, const BYTE* text, DWORD textLength,
                                BYTE* payload);                                               // 106
  virtual LONG ClassifyDirectCommand(const char* text);                                       // 107
  virtual const NameTableEntry* GetNameTable(spool::ItemKind kind);                           // 108
  virtual DWORD GetNameTableCount(spool::ItemKind kind);                                      // 109
  virtual DWORD NextRotation(DWORD* direction);                                               // 110
  virtual void AdjustExtent(LONG* coordinate, LONG amount, DWORD placement, LONG direction);  // 111
  virtual BOOL WriteCommand(const void* bytes, DWORD count);                                  // 112

  // ---- non-virtual services ---------------------------------------------------------------
  // The validity check of every entry point: a live object carries the marker.
  static bool IsValid(const CDCLBase* object);
  // The record dispatcher: one complete record (header and payload).
  BOOL ProcessRecord(std::span<BYTE> record);
  // Writes every byte to the device port with status polling (the port output loop).
  BOOL WriteToPort(DevicePort* port, const BYTE* bytes, DWORD count, DWORD flags);

  // The host's strings (each replaced by a fresh copy when set again).
  void SetHostStrings(const char* printerName, const char* hostString2, const char* configFile,
                      const char* languageFile);
  // The printer name used everywhere: the host's when not empty, else the product name.
  std::string PrinterName();
  const std::string& LanguageFile() const { return languageFile_; }
  const std::string& ConfigFile() const { return configFile_; }
  WORD UnitCode() const { return unitCode_; }
  WORD SetUnitCode(DWORD code);
  void SetHostValues(DWORD a, DWORD b) {
    hostValue1_ = a;
    hostValue2_ = b;
  }
  BYTE* AttachedDocProps() const { return attachedDocProps_; }
  BYTE* AttachedDevProps() const { return attachedDevProps_; }
  // The bytes of an attached blob: to the end of the record copy it lies in, or
  // what its header claims for a blob the host attached (checked when attached).
  DWORD AttachedBlobSize(const BYTE* blob) const;
  DevicePort& Port() { return port_; }

 protected:
  // Releases the record copies no attached pointer points into any more.
  void ReleaseUnusedBlobCopies();
  // Keeps a blob copied from a record and attaches it (operation 8 or 9).
  BOOL AttachRecordBlob(spool::OptionBlob blob, bool device);

 private:
  class RecordAdapter;
  friend class RecordAdapter;

  WORD marker_ = DCL_OBJECT_MARKER;
  DevicePort port_;
  // Copies of the option blobs received in records, kept while an attached pointer
  // points into them.
  std::vector<std::unique_ptr<spool::OptionBlob>> blobCopies_;
  DWORD hostValue1_ = 0;
  DWORD hostValue2_ = 0;
  std::string printerName_;
  std::string languageFile_;
  std::string configFile_;
  std::string hostString2_;
  WORD unitCode_ = 2;
  std::string statusCaption_;
  BYTE* attachedDocProps_ = nullptr;
  BYTE* attachedDevProps_ = nullptr;
  std::unique_ptr<RecordAdapter> records_;
  std::unique_ptr<spool::RecordDispatcher> dispatcher_;
};

}  // namespace trv::dcl
