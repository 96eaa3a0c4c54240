#include "language/file_bytes.h"

#include "platform/kernel.h"

namespace trv::lng {
namespace {

class OpenFile {
 public:
  explicit OpenFile(HANDLE handle) : handle_(handle) {}
  ~OpenFile() {
    if (valid()) CloseHandle(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

BOOL ReadFileBytes(LPCSTR path, std::vector<BYTE>& bytes) {
  OpenFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return FALSE;
  bytes.clear();
  constexpr DWORD kChunk = 64 * 1024;
  for (;;) {
    const std::size_t had = bytes.size();
    bytes.resize(had + kChunk);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + had, kChunk, &read, nullptr)) {
      bytes.clear();
      return FALSE;
    }
    bytes.resize(had + read);
    if (read == 0) return TRUE;
  }
}

}  // namespace trv::lng
