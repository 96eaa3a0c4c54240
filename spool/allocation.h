// Memory for records, with a gate through which tests make an allocation fail as
// if memory had run out. Out of memory is a real outcome for a record buffer: a
// payload length comes from the stream and has no bound other than memory.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <utility>

#include "platform/windef.h"

namespace trv::spool {

// Asked before each allocation of `bytes`; returning false makes it fail. An
// empty gate lets every allocation through.
using AllocationGate = std::function<bool(std::size_t bytes)>;

// One record's bytes. Empty (no storage) until allocated; contents of newly
// allocated bytes are unspecified.
class RecordBuffer {
 public:
  RecordBuffer() = default;
  // A moved-from buffer is empty.
  RecordBuffer(RecordBuffer&& other) noexcept
      : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}
  RecordBuffer& operator=(RecordBuffer&& other) noexcept {
    bytes_ = std::move(other.bytes_);
    size_ = std::exchange(other.size_, 0);
    return *this;
  }

  // Replaces the storage with `size` fresh bytes. On failure the buffer is empty.
  bool Allocate(std::size_t size, const AllocationGate& gate);
  // Enlarges the storage to `size` bytes keeping the bytes already held. On
  // failure the buffer is left as it was.
  bool Grow(std::size_t size, const AllocationGate& gate);
  void Free();

  bool empty() const { return !bytes_; }
  std::size_t size() const { return size_; }
  BYTE* data() { return bytes_.get(); }
  const BYTE* data() const { return bytes_.get(); }
  std::span<BYTE> bytes() { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<BYTE[]> bytes_;
  std::size_t size_ = 0;
};

}  // namespace trv::spool
