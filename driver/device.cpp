#include "driver/device.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "platform/last_error.h"
#include "platform/winerror.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace trv::driver {

namespace {

// Tone correction works on pages no larger than this in either direction.
constexpr DWORD kMaxToneSide = 32768;
constexpr LONG kMaxSurfaceSide = 32767;

}  // namespace

std::unique_ptr<Device> Device::Enable(std::span<const BYTE> appDevmode,
                                       std::u16string_view deviceName, HANDLE printer) {
  try {
    auto device = std::make_unique<Device>();
    device->printer_ = printer;
    device->write_ = [printer](DWORD type, const void* payload, DWORD length) {
      return spool::WriteRecord(printer, type, payload, length);
    };
    auto devmode = BuildDefaultDevmode(deviceName, printer);
    if (!devmode) return Fail(ERROR_NOT_ENOUGH_MEMORY), nullptr;
    if (!MergeDevmode(*devmode, appDevmode, printer)) return nullptr;
    // Device options always come from the printer, document options from the job.
    auto devProps = ReadBlob(printer, BlobKind::kDevProps);
    if (!devProps || !ReplaceDevProps(*devmode, *devProps))
      return Fail(ERROR_NOT_ENOUGH_MEMORY), nullptr;
    device->devmode_ = std::move(*devmode);
    // A page of no dots, or of more than a 16-bit signed size holds, cannot be drawn.
    const DWORD w = device->devmode_.pub.dmPelsWidth, h = device->devmode_.pub.dmPelsHeight;
    if (w < 1 || h < 1 || w > kMaxSurfaceSide || h > kMaxSurfaceSide)
      return Fail(ERROR_INVALID_PARAMETER), nullptr;
    device->width_ = static_cast<LONG>(w);
    device->height_ = static_cast<LONG>(h);
    device->barcodes_ = ReadEntryList(printer, u"Barcodes", kBarcodeRecordSize, 0);
    device->fonts_ = ReadEntryList(printer, u"Fonts", kTextFontRecordSize, 0);
    if (!device->barcodes_ || !device->fonts_) return Fail(ERROR_NOT_ENOUGH_MEMORY), nullptr;
    if (const DWORD error = device->deviceFonts_.Build(printer, *device->fonts_, *device->barcodes_,
                                                       device->devmode_.pub.dmPrintQuality,
                                                       device->devmode_.pub.dmYResolution);
        error != ERROR_SUCCESS)
      return Fail(error), nullptr;
    return device;
  } catch (const std::bad_alloc&) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL Device::StartDoc() {
  // GDI may start the same document again under a new name; nothing is written twice.
  if (documentStarted_) return TRUE;
  options_ = ReadEntryList(printer_, u"Options", kAnyRecordSize, 0);
  const auto dev = devmode_.DevProps();
  const auto doc = devmode_.DocProps();
  BOOL ok = Write(spool::DCLD_DEVPROPS, dev.data(), static_cast<DWORD>(dev.size()));
  if (ok) ok = Write(spool::DCLD_DOCPROPS, doc.data(), static_cast<DWORD>(doc.size()));
  if (ok && options_ && FramesOn()) {
    // The record describes the paper as it moves through the printer.
    const bool landscape = devmode_.pub.dmOrientation == DMORIENT_LANDSCAPE;
    BYTE payload[12];
    spool::WriteI32(payload, landscape ? height_ : width_);
    spool::WriteI32(payload + 4, landscape ? width_ : height_);
    spool::WriteI32(payload + 8, landscape ? 2 : 1);
    ok = Write(spool::DCLD_DOC_BEGIN, payload, sizeof payload);
  }
  documentStarted_ = ok != FALSE;
  return ok;
}

BOOL Device::StartPage(const SurfaceView& surface) {
  if (surface.bits != nullptr) std::memset(surface.bits, 0xFF, surface.byteSize());
  ++page_;
  queue_.clear();
  text_.CloseRaw();  // its record went with the queue
  if (options_ && options_->count() >= 1 && FramesOn()) {
    BYTE payload[6] = {};
    spool::WriteU16(payload + 4, Copies());
    Write(spool::DCLD_PAGE_BEGIN, payload, sizeof payload);  // a lost frame does not stop the page
  }
  return TRUE;
}

BOOL Device::SendPage(const SurfaceView& surface) {
  if (surface.bitsPerPixel == 24 && surface.width <= kMaxToneSide &&
      surface.height <= kMaxToneSide) {
    if (const SHORT b = devmode_.I16(priv::kBrightness); b != 0)
      ApplyTone(surface, BrightnessTable(b));
    if (const SHORT c = devmode_.I16(priv::kContrast); c != 0) ApplyTone(surface, CurveTable(c));
  }
  PageSettings settings;
  settings.renderMode = renderMode();
  settings.sendBitsAsIs = devmode_.U16(priv::kSendBitsAsIs) != 0;
  settings.landscape = devmode_.pub.dmOrientation == DMORIENT_LANDSCAPE;
  settings.order = order_;
  // A raw command the page left open ends with the page.
  text_.CloseRaw();
  if (ReducePage(surface, settings, write_) == PageResult::kFailed) return FALSE;
  for (const QueuedObject& object : queue_)
    if (!Write(object.type, object.payload.data(), static_cast<DWORD>(object.payload.size())))
      return FALSE;
  BYTE copies[2];
  spool::WriteU16(copies, Copies());
  return Write(spool::DCLD_PAGE_END, copies, sizeof copies);
}

bool Device::Enqueue(QueuedObject object) {
  if (queue_.size() >= queueLimit_) return false;
  try {
    queue_.push_back(std::move(object));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool Device::Enqueue(std::vector<QueuedObject>&& objects) {
  if (queue_.size() > queueLimit_ || objects.size() > queueLimit_ - queue_.size()) return false;
  try {
    queue_.reserve(queue_.size() + objects.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::move(objects.begin(), objects.end(), std::back_inserter(queue_));  // room reserved above
  return true;
}

BOOL Device::EndDoc() {
  Write(spool::DCLD_DOC_END, nullptr, 0);  // the document ends whatever the printer says
  options_.reset();
  text_.CloseRaw();
  documentStarted_ = false;
  return TRUE;
}

}  // namespace trv::driver
