// The window model the kernel needs now: windows with a parent, a control id, a
// class name and a text, kept in creation order (the order dialogs give their
// controls), posted-message queues and the broadcast channel. The UI stand-in
// builds dialogs and controls on top of it.
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/kernel/listeners.h"
#include "platform/stand_in.h"

namespace {

struct Window {
  ULONG_PTR id = 0;      // the HWND value
  ULONG_PTR parent = 0;  // 0 for a top-level window
  ULONG_PTR owner = 0;   // a top-level window's owner
  int controlId = 0;
  DWORD style = 0;
  std::string className;
  std::string text;
  std::vector<ULONG_PTR> children;  // creation order
  std::deque<trv::PostedMessage> queue;
};

// The desktop is the parent of every top-level window; it is never destroyed.
constexpr ULONG_PTR kDesktop = 0x10010;

struct WindowTable {
  std::recursive_mutex lock;
  std::map<ULONG_PTR, Window> windows;
  std::vector<ULONG_PTR> topLevel;
  ULONG_PTR next = 0x10020;
};

WindowTable& table() {
  static auto* t = new WindowTable;
  return *t;
}

trv::kernel::Listeners<trv::PostedMessage>& broadcastListeners() {
  static auto* l = new trv::kernel::Listeners<trv::PostedMessage>;
  return *l;
}

ULONG_PTR Value(HWND w) { return reinterpret_cast<ULONG_PTR>(w); }
HWND Hwnd(ULONG_PTR v) { return reinterpret_cast<HWND>(v); }

Window* Find(WindowTable& t, HWND w) {
  auto it = t.windows.find(Value(w));
  return it == t.windows.end() ? nullptr : &it->second;
}

void Destroy(WindowTable& t, ULONG_PTR id) {
  auto it = t.windows.find(id);
  if (it == t.windows.end()) return;
  std::vector<ULONG_PTR> children = it->second.children;
  for (ULONG_PTR c : children) Destroy(t, c);
  // Owned top-level windows go with their owner.
  std::vector<ULONG_PTR> owned;
  for (auto& [v, w] : t.windows)
    if (w.owner == id) owned.push_back(v);
  for (ULONG_PTR o : owned) Destroy(t, o);
  it = t.windows.find(id);
  if (it == t.windows.end()) return;
  ULONG_PTR parent = it->second.parent;
  if (parent != 0) {
    auto p = t.windows.find(parent);
    if (p != t.windows.end()) std::erase(p->second.children, id);
  } else {
    std::erase(t.topLevel, id);
  }
  t.windows.erase(it);
}

// Runs fn(table, window) under the table's lock; a handle that names no window
// fails with ERROR_INVALID_WINDOW_HANDLE and answers `failed`.
template <class R, class F>
R OnWindow(HWND window, R failed, F&& fn) {
  WindowTable& t = table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  Window* w = Find(t, window);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return failed;
  }
  return fn(t, *w);
}

const std::vector<ULONG_PTR>* Siblings(WindowTable& t, const Window& w) {
  if (w.parent == 0) return &t.topLevel;
  auto p = t.windows.find(w.parent);
  return p == t.windows.end() ? nullptr : &p->second.children;
}

}  // namespace

TRVAPI HWND WINAPI CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName,
                                   DWORD style, int, int, int, int, HWND parent, HMENU menuOrId,
                                   HINSTANCE, LPVOID) {
  WindowTable& t = table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  bool child = (style & WS_CHILD) != 0;
  if (child && (parent == nullptr || Find(t, parent) == nullptr)) {
    SetLastError(
        parent == nullptr ? 1406 /* ERROR_TLW_WITH_WSCHILD */ : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!child && parent != nullptr && Value(parent) != kDesktop && Find(t, parent) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Window w;
  w.id = t.next;
  t.next += 4;
  w.style = style;
  w.className = IS_INTRESOURCE(className) || className == nullptr ? "" : className;
  w.text = windowName != nullptr ? windowName : "";
  if (child) {
    w.parent = Value(parent);
    w.controlId = static_cast<int>(reinterpret_cast<LONG_PTR>(menuOrId));
    t.windows[w.parent].children.push_back(w.id);
  } else {
    w.owner = parent != nullptr && Value(parent) != kDesktop ? Value(parent) : 0;
    t.topLevel.push_back(w.id);
  }
  ULONG_PTR id = w.id;
  t.windows.emplace(id, std::move(w));
  return Hwnd(id);
}

TRVAPI BOOL WINAPI DestroyWindow(HWND window) {
  return OnWindow(window, FALSE, [&](WindowTable& t, Window&) {
    Destroy(t, Value(window));
    return TRUE;
  });
}

TRVAPI BOOL WINAPI IsWindow(HWND window) {
  WindowTable& t = table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  return Value(window) == kDesktop || Find(t, window) != nullptr;
}

TRVAPI HWND WINAPI GetDesktopWindow(void) { return Hwnd(kDesktop); }

TRVAPI HWND WINAPI GetWindow(HWND window, UINT command) {
  if (Value(window) == kDesktop) {
    if (command != GW_CHILD) return nullptr;
    WindowTable& t = table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    return t.topLevel.empty() ? nullptr : Hwnd(t.topLevel.front());
  }
  return OnWindow(window, HWND{}, [&](WindowTable& t, Window& w) -> HWND {
    if (command == GW_CHILD) return w.children.empty() ? nullptr : Hwnd(w.children.front());
    if (command == GW_OWNER) return w.owner != 0 ? Hwnd(w.owner) : nullptr;
    const std::vector<ULONG_PTR>* siblings = Siblings(t, w);
    if (siblings == nullptr || siblings->empty()) return nullptr;
    auto at = std::find(siblings->begin(), siblings->end(), w.id);
    switch (command) {
      case GW_HWNDFIRST: return Hwnd(siblings->front());
      case GW_HWNDLAST: return Hwnd(siblings->back());
      case GW_HWNDNEXT: return at + 1 < siblings->end() ? Hwnd(*(at + 1)) : nullptr;
      case GW_HWNDPREV: return at > siblings->begin() ? Hwnd(*(at - 1)) : nullptr;
      default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
  });
}

TRVAPI HWND WINAPI GetParent(HWND window) {
  return OnWindow(window, HWND{}, [](WindowTable&, Window& w) -> HWND {
    // A child's parent, or a top-level window's owner, as Windows answers.
    if (w.parent != 0) return Hwnd(w.parent);
    return w.owner != 0 ? Hwnd(w.owner) : nullptr;
  });
}

TRVAPI HWND WINAPI GetDlgItem(HWND dialog, int id) {
  return OnWindow(dialog, HWND{}, [&](WindowTable& t, Window& d) -> HWND {
    for (ULONG_PTR c : d.children)
      if (t.windows[c].controlId == id) return Hwnd(c);
    SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
  });
}

TRVAPI int WINAPI GetDlgCtrlID(HWND window) {
  return OnWindow(window, 0,
                  [](WindowTable&, Window& w) { return w.parent != 0 ? w.controlId : 0; });
}

TRVAPI BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  return OnWindow(window, FALSE, [&](WindowTable&, Window& w) {
    w.text = text != nullptr ? text : "";
    return TRUE;
  });
}

TRVAPI int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int size) {
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  return OnWindow(window, 0, [&](WindowTable&, Window& w) {
    if (buffer == nullptr || size <= 0) return 0;
    size_t n = std::min(w.text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, w.text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
  });
}

TRVAPI int WINAPI GetWindowTextLengthA(HWND window) {
  return OnWindow(window, 0,
                  [](WindowTable&, Window& w) { return static_cast<int>(w.text.size()); });
}

TRVAPI BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr && SetWindowTextA(item, text);
}

TRVAPI UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(item, buffer, size));
}

TRVAPI BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  trv::PostedMessage m{window, message, wParam, lParam};
  if (window == HWND_BROADCAST) {
    {
      WindowTable& t = table();
      std::lock_guard<std::recursive_mutex> guard(t.lock);
      for (ULONG_PTR v : t.topLevel) t.windows[v].queue.push_back(m);
    }
    broadcastListeners().Call(m);
    return TRUE;
  }
  return OnWindow(window, FALSE, [&](WindowTable&, Window& w) {
    w.queue.push_back(m);
    return TRUE;
  });
}

namespace trv {

int AddBroadcastListener(MessageListener listener) {
  return broadcastListeners().Add(std::move(listener));
}
void RemoveBroadcastListener(int cookie) { broadcastListeners().Remove(cookie); }

std::vector<PostedMessage> TakePostedMessages(HWND window) {
  WindowTable& t = table();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  std::vector<PostedMessage> out;
  if (Window* w = Find(t, window)) {
    out.assign(w->queue.begin(), w->queue.end());
    w->queue.clear();
  }
  return out;
}

}  // namespace trv
