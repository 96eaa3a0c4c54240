// Debugger output, global atoms and registered window messages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/kernel/listeners.h"
#include "platform/kernel/text.h"
#include "platform/stand_in.h"

namespace {

trv::kernel::Listeners<std::string>& debugListeners() {
  static auto* l = new trv::kernel::Listeners<std::string>;
  return *l;
}

// TRV_DEBUG_OUTPUT names a file that receives every debugger text (a viewer can
// follow it); "-" sends them to standard error.
void WriteToDebugFile(const std::string& text) {
  static const char* target = std::getenv("TRV_DEBUG_OUTPUT");
  if (target == nullptr || *target == 0) return;
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  if (std::strcmp(target, "-") == 0) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    return;
  }
  if (FILE* f = std::fopen(target, "ab")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// Names of atoms and registered messages compare without regard to case; both
// live in 0xC000-0xFFFF as on Windows.
struct NameTable {
  struct Entry {
    std::string name;
    int references;
  };
  std::mutex lock;
  std::map<WORD, Entry> byValue;
  WORD next = 0xC000;

  WORD Find(const std::string& name) {
    for (auto& [value, entry] : byValue)
      if (trv::kernel::CompareNoCase(entry.name, name) == 0) return value;
    return 0;
  }
  WORD Add(const std::string& name) {
    std::lock_guard<std::mutex> guard(lock);
    if (WORD v = Find(name)) {
      ++byValue[v].references;
      return v;
    }
    for (int tries = 0; tries < 0x4000; ++tries) {
      WORD v = next;
      next = next == 0xFFFF ? 0xC000 : static_cast<WORD>(next + 1);
      if (byValue.count(v) == 0) {
        byValue[v] = {name, 1};
        return v;
      }
    }
    return 0;
  }
};

NameTable& atoms() {
  static auto* t = new NameTable;
  return *t;
}
NameTable& messages() {
  static auto* t = new NameTable;
  return *t;
}

constexpr size_t kMaxAtomLength = 255;

// "#123" names the integer atom 123.
bool IntegerAtom(LPCSTR text, WORD* value) {
  if (IS_INTRESOURCE(text)) {
    *value = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(text));
    return true;
  }
  if (text[0] != '#') return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(text + 1, &end, 10);
  if (end == text + 1 || *end != 0) return false;
  *value = static_cast<WORD>(v);
  return true;
}

}  // namespace

namespace trv {
int AddDebugListener(DebugListener listener) { return debugListeners().Add(std::move(listener)); }
void RemoveDebugListener(int cookie) { debugListeners().Remove(cookie); }
}  // namespace trv

TRVAPI void WINAPI OutputDebugStringA(LPCSTR text) {
  std::string s = text != nullptr ? text : "";
  WriteToDebugFile(s);
  debugListeners().Call(s);
}

TRVAPI void WINAPI OutputDebugStringW(LPCWSTR text) {
  std::string s = text != nullptr ? trv::kernel::WideToAnsi(text) : "";
  OutputDebugStringA(s.c_str());
}

TRVAPI ATOM WINAPI GlobalAddAtomA(LPCSTR text) {
  if (text == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WORD integer = 0;
  if (IntegerAtom(text, &integer)) {
    if (integer == 0 || integer >= 0xC000) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return integer;
  }
  size_t length = std::strlen(text);
  if (length == 0 || length > kMaxAtomLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ATOM a = atoms().Add(text);
  if (a == 0) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return a;
}

TRVAPI ATOM WINAPI GlobalFindAtomA(LPCSTR text) {
  WORD integer = 0;
  if (text != nullptr && IntegerAtom(text, &integer)) return integer < 0xC000 ? integer : 0;
  if (text == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  NameTable& t = atoms();
  std::lock_guard<std::mutex> guard(t.lock);
  ATOM a = t.Find(text);
  if (a == 0) SetLastError(ERROR_FILE_NOT_FOUND);
  return a;
}

TRVAPI UINT WINAPI GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string name;
  if (atom != 0 && atom < 0xC000) {
    name = "#" + std::to_string(atom);
  } else {
    NameTable& t = atoms();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.byValue.find(atom);
    if (it == t.byValue.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    name = it->second.name;
  }
  size_t n =
      name.size() < static_cast<size_t>(size - 1) ? name.size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}

TRVAPI ATOM WINAPI GlobalDeleteAtom(ATOM atom) {
  if (atom < 0xC000) return 0;
  NameTable& t = atoms();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.byValue.find(atom);
  if (it == t.byValue.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return atom;
  }
  if (--it->second.references <= 0) t.byValue.erase(it);
  return 0;
}

TRVAPI UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  if (name == nullptr || *name == 0 || std::strlen(name) > kMaxAtomLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return messages().Add(name);
}
