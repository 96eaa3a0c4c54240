// The record dispatcher: checks one complete record, decodes its fields and calls
// the matching operation of a RecordHandler, and keeps what a job's records must
// remember between each other (the option blobs received, the page and section
// state). This is the DCL object's ProcessRecord.
#pragma once

#include <span>

#include "platform/windef.h"
#include "spool/allocation.h"
#include "spool/record_handler.h"
#include "spool/record_sink.h"

namespace trv::spool {

inline constexpr DWORD PAGE_STATE_NONE = 0;
inline constexpr DWORD PAGE_STATE_FIRST = 256;
inline constexpr DWORD PAGE_STATE_SECOND = 512;

class RecordDispatcher : public RecordSink {
 public:
  explicit RecordDispatcher(RecordHandler& handler, AllocationGate gate = {});

  // Result and last error:
  //  - null record, or fewer bytes than its header and payload length claim: 0, 87;
  //  - header size other than 48, or a type with no operation: ignored, 1, last error 0;
  //  - payload shorter than its type's minimum, or DCLD_DOC_BEGIN before both
  //    option blobs: 0, 87;
  //  - an option blob that cannot be copied: 0, 8;
  //  - otherwise the operation's result, with the last error it left.
  BOOL ProcessRecord(std::span<BYTE> record) override;

  bool HasDocProps() const { return haveDocProps_; }
  bool HasDevProps() const { return haveDevProps_; }
  DWORD PageState() const { return pageState_; }
  WORD PageValueA() const { return pageValueA_; }
  WORD PageValueB() const { return pageValueB_; }
  WORD SectionValue1() const { return sectionValue1_; }
  WORD SectionValue2() const { return sectionValue2_; }

 private:
  BOOL Route(DWORD type, BYTE* payload, DWORD length, std::span<BYTE> record);
  BOOL StartDoc(const BYTE* p, DWORD n);
  BOOL StartPage(const BYTE* p);
  BOOL NextPage();
  BOOL EndPage(const BYTE* p);
  BOOL BeginSection(const BYTE* p);
  BOOL EndSection();
  BOOL TextObject(DWORD type, BYTE* p, DWORD n);
  BOOL LineObject(DWORD type, BYTE* p);
  BOOL OptionBlobRecord(DWORD type, const BYTE* p, DWORD n);

  RecordHandler& handler_;
  AllocationGate gate_;
  bool haveDocProps_ = false;
  bool haveDevProps_ = false;
  DWORD pageState_ = PAGE_STATE_NONE;
  WORD pageValueA_ = 0;
  WORD pageValueB_ = 0;
  WORD sectionValue1_ = 0;
  WORD sectionValue2_ = 0;
};

}  // namespace trv::spool
