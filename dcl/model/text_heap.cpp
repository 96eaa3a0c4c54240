#include "dcl/model/text_heap.h"

#include <memory>
#include <mutex>
#include <vector>

namespace trv::dcl {
namespace {

struct Heap {
  std::mutex lock;
  std::vector<std::unique_ptr<std::string>> slots;  // slot i has handle kFirstTextHandle + i
  std::vector<DWORD> freeSlots;
};

Heap& heap() {
  // Lives as long as the module: a library that is unloaded gives its texts back.
  static Heap h;
  return h;
}

}  // namespace

DWORD TextHeapAdd(std::string_view text) {
  Heap& h = heap();
  std::lock_guard<std::mutex> guard(h.lock);
  auto copy = std::make_unique<std::string>(text);
  if (!h.freeSlots.empty()) {
    DWORD slot = h.freeSlots.back();
    h.freeSlots.pop_back();
    h.slots[slot] = std::move(copy);
    return kFirstTextHandle + slot;
  }
  h.slots.push_back(std::move(copy));
  return kFirstTextHandle + static_cast<DWORD>(h.slots.size() - 1);
}

const char* TextHeapGet(DWORD handle) {
  if (handle < kFirstTextHandle) return nullptr;
  Heap& h = heap();
  std::lock_guard<std::mutex> guard(h.lock);
  DWORD slot = handle - kFirstTextHandle;
  if (slot >= h.slots.size() || !h.slots[slot]) return nullptr;
  return h.slots[slot]->c_str();
}

void TextHeapFree(DWORD handle) {
  if (handle < kFirstTextHandle) return;
  Heap& h = heap();
  std::lock_guard<std::mutex> guard(h.lock);
  DWORD slot = handle - kFirstTextHandle;
  if (slot >= h.slots.size() || !h.slots[slot]) return;
  h.slots[slot].reset();
  h.freeSlots.push_back(slot);
}

size_t TextHeapCount() {
  Heap& h = heap();
  std::lock_guard<std::mutex> guard(h.lock);
  return h.slots.size() - h.freeSlots.size();
}

}  // namespace trv::dcl
