// One enabled printer device: the driver's devmode, the lists it read from the
// printer and the document and page state that turns GDI's document and page calls
// into records. The GDI entry points (the Drv* functions) wrap it.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "driver/device_fonts.h"
#include "driver/devmode.h"
#include "driver/page_output.h"
#include "driver/printer_data.h"
#include "driver/text_state.h"
#include "platform/windef.h"

namespace trv::driver {

// A record queued during a page (text, bar code, line, raw command) and written
// after the page's bitmap, so that printer objects land on top of it.
struct QueuedObject {
  DWORD type = 0;
  std::vector<BYTE> payload;
};

class Device {
 public:
  // Builds the device's devmode from the printer's data, merges the application's
  // devmode (dmSize + dmDriverExtra bytes, or empty), puts the printer's current
  // device options in, reads the font and bar-code lists and builds the device fonts
  // from them. Null with the last error set: ERROR_NOT_ENOUGH_MEMORY for memory and
  // for missing or damaged printer data, the merge's error for an application devmode
  // that cannot be read, ERROR_INVALID_PARAMETER for a page size outside 1..32767
  // dots, the device fonts' error (ERROR_FILE_NOT_FOUND for missing metrics,
  // ERROR_BAD_FORMAT for damaged ones).
  static std::unique_ptr<Device> Enable(std::span<const BYTE> appDevmode,
                                        std::u16string_view deviceName, HANDLE printer);

  // The record writer: WritePrinter on the device's printer unless replaced.
  void SetWriter(RecordWriter writer) { write_ = std::move(writer); }

  BOOL StartDoc();
  BOOL StartPage(const SurfaceView& surface);
  BOOL SendPage(const SurfaceView& surface);
  BOOL EndDoc();

  const DriverDevmode& devmode() const { return devmode_; }
  WORD renderMode() const { return devmode_.U16(priv::kRenderMode); }
  LONG width() const { return width_; }
  LONG height() const { return height_; }
  DWORD pageNumber() const { return page_; }
  void setPageNumber(DWORD page) { page_ = page; }
  bool documentStarted() const { return documentStarted_; }
  HANDLE printer() const { return printer_; }
  std::vector<QueuedObject>& queue() { return queue_; }
  // Appends printer objects to the page object queue: one, or all of them or none.
  // False when there is no room (memory, or a test's limit); nothing changed then, and
  // the caller draws or fails instead of losing the object.
  bool Enqueue(QueuedObject object);
  bool Enqueue(std::vector<QueuedObject>&& objects);
  // For tests: the queue takes no more than `count` objects, as if memory ran out.
  void LimitQueueForTest(std::size_t count) { queueLimit_ = count; }
  const std::optional<EntryList>& fonts() const { return fonts_; }
  const std::optional<EntryList>& barcodes() const { return barcodes_; }
  const DeviceFontList& deviceFonts() const { return deviceFonts_; }
  TextState& text() { return text_; }
  void setByteOrder(ByteOrder order) { order_ = order; }

 private:
  BOOL Write(DWORD type, const void* payload, DWORD length) {
    return write_(type, payload, length);
  }
  bool FramesOn() const { return devmode_.U16(priv::kFrameFlag) != 0; }
  WORD Copies() const { return static_cast<WORD>(devmode_.pub.dmCopies); }

  HANDLE printer_ = nullptr;
  RecordWriter write_;
  DriverDevmode devmode_;
  LONG width_ = 0, height_ = 0;
  DWORD page_ = 0;
  bool documentStarted_ = false;
  std::optional<EntryList> fonts_, barcodes_, options_;
  std::vector<QueuedObject> queue_;
  std::size_t queueLimit_ = std::numeric_limits<std::size_t>::max();
  DeviceFontList deviceFonts_;
  TextState text_;
  ByteOrder order_ = ByteOrder::kBgr;
};

}  // namespace trv::driver
