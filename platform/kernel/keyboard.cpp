// The keyboard as the suite sees it: which keys are held down. There is no real
// keyboard behind the stand-in; a test or a tool presses and releases keys.
#include <array>
#include <atomic>

#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace {

std::array<std::atomic<bool>, 256>& keys() {
  static std::array<std::atomic<bool>, 256> down{};
  return down;
}

bool IsDown(int key) {
  if (key < 0 || key >= 256) return false;
  if (keys()[static_cast<size_t>(key)].load()) return true;
  // The side-neutral keys are down when either side is.
  switch (key) {
    case VK_SHIFT: return keys()[VK_LSHIFT].load() || keys()[VK_RSHIFT].load();
    case VK_CONTROL: return keys()[VK_LCONTROL].load() || keys()[VK_RCONTROL].load();
    case VK_MENU: return keys()[VK_LMENU].load() || keys()[VK_RMENU].load();
    default: return false;
  }
}

}  // namespace

SHORT WINAPI GetAsyncKeyState(int key) { return IsDown(key) ? static_cast<SHORT>(0x8000) : 0; }
SHORT WINAPI GetKeyState(int key) { return IsDown(key) ? static_cast<SHORT>(0x8000) : 0; }

namespace trv {

void SetKeyDown(int key, bool down) {
  if (key >= 0 && key < 256) keys()[static_cast<size_t>(key)].store(down);
}

}  // namespace trv
