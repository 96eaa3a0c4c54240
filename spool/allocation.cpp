#include "spool/allocation.h"

#include <cstring>
#include <new>

namespace trv::spool {

namespace {

std::unique_ptr<BYTE[]> TryAllocate(std::size_t size, const AllocationGate& gate) {
  if (gate && !gate(size)) return nullptr;
  try {
    // Not zero-filled: every byte is written from the stream before it is read.
    return std::make_unique_for_overwrite<BYTE[]>(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

bool RecordBuffer::Allocate(std::size_t size, const AllocationGate& gate) {
  Free();
  bytes_ = TryAllocate(size, gate);
  if (!bytes_) return false;
  size_ = size;
  return true;
}

bool RecordBuffer::Grow(std::size_t size, const AllocationGate& gate) {
  if (size <= size_) return true;
  std::unique_ptr<BYTE[]> bigger = TryAllocate(size, gate);
  if (!bigger) return false;
  if (size_ != 0) std::memcpy(bigger.get(), bytes_.get(), size_);
  bytes_ = std::move(bigger);
  size_ = size;
  return true;
}

void RecordBuffer::Free() {
  bytes_.reset();
  size_ = 0;
}

}  // namespace trv::spool
