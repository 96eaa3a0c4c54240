#include "dcl/model/def_reader.h"

#include <cstring>

#include "dcl/model/model_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

constexpr size_t kMaxPathPart = MAX_PATH - 1;
constexpr int kStringTextSize = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string PathPart(const char* part) {
  if (part == nullptr) return {};
  return std::string(part, strnlen(part, kMaxPathPart));
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && lstrcmpiA(std::string(a).c_str(), std::string(b).c_str()) == 0;
}

bool IsHeaderOf(std::string_view line, const char* name) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
         SameText(line.substr(1, line.size() - 2), name);
}

bool IsHeader(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The value of a key line for key, or npos when the line is not one.
size_t KeyValueOffset(std::string_view line, std::string_view key) {
  if (line.size() < key.size() || !SameText(line.substr(0, key.size()), key))
    return std::string_view::npos;
  if (line.size() > key.size() && IsWordChar(line[key.size()])) return std::string_view::npos;
  size_t equals = line.find('=');
  return equals == std::string_view::npos ? equals : equals + 1;
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) {
      KeepLastError keep;
      CloseHandle(h_);
    }
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

BOOL DefReader::Open(const char* directory, const char* fileName) {
  image_.clear();
  open_ = false;
  size_ = pos_ = 0;
  line_.clear();
  cursor_ = 0;
  std::string path = PathPart(directory) + PathPart(fileName);
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return FALSE;
  DWORD high = 0;
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetFileSize(file.get(), &high);
  if (size == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return FALSE;
  if (high != 0) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  if (size == 0) return Fail(ERROR_READ_FAULT);
  try {
    image_.assign(static_cast<size_t>(size) + 1, '\0');
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  DWORD got = 0;
  if (!ReadFile(file.get(), image_.data(), size, &got, nullptr) || got != size) {
    std::vector<char>().swap(image_);
    return Fail(ERROR_READ_FAULT);
  }
  // The image is a zero-terminated text: a zero byte inside the file ends it.
  size_ = strnlen(image_.data(), size);
  open_ = true;
  return TRUE;
}

bool DefReader::NoImage() {
  if (open_) return false;
  SetLastError(ERROR_INVALID_HANDLE);
  return true;
}

BOOL DefReader::Close() {
  if (NoImage()) return FALSE;
  std::vector<char>().swap(image_);
  open_ = false;
  size_ = pos_ = 0;
  line_.clear();
  cursor_ = 0;
  return TRUE;
}

BOOL DefReader::Rewind() {
  if (NoImage()) return FALSE;
  pos_ = 0;
  return TRUE;
}

// The next line that is neither empty nor a comment, after its leading blanks. The
// text after the last line break is a line too: a file whose last line lacks its
// line break loses nothing.
DefReader::LineKind DefReader::ReadRawLine(std::string_view& raw) {
  const char* text = image_.data();
  while (pos_ < size_) {
    size_t start = pos_;
    size_t end = start;
    while (end < size_ && !IsLineEnd(text[end])) ++end;
    pos_ = end < size_ ? end + 1 : end;
    while (start < end && IsBlank(text[start])) ++start;
    if (start == end || text[start] == ';') continue;
    raw = std::string_view(text + start, end - start);
    return raw.size() > kMaxLine ? LineKind::kTooLong : LineKind::kLine;
  }
  return LineKind::kEnd;
}

BOOL DefReader::NextLine() {
  if (NoImage()) return FALSE;
  std::string_view raw;
  LineKind kind = ReadRawLine(raw);
  line_.clear();
  cursor_ = 0;
  if (kind == LineKind::kTooLong) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  if (kind != LineKind::kLine) return FALSE;
  line_.assign(raw);
  return TRUE;
}

// A header is searched line by line; a line too long to hold cannot be the header
// sought and is passed over, so that it does not hide the sections after it.
bool DefReader::SectionFound(const char* name) {
  std::string_view raw;
  for (;;) {
    LineKind kind = ReadRawLine(raw);
    if (kind == LineKind::kEnd) return false;
    if (kind == LineKind::kLine && IsHeaderOf(raw, name)) {
      line_.assign(raw);
      cursor_ = 0;
      return true;
    }
  }
}

BOOL DefReader::FindSection(const char* name) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (NoImage()) return FALSE;
  if (SectionFound(name)) return TRUE;
  return Fail(ERROR_BAD_CONFIGURATION);
}

DWORD DefReader::CountSectionLines(const char* name) {
  if (!Rewind() || !FindSection(name)) return 0;
  DWORD count = 0;
  std::string_view raw;
  for (;;) {
    LineKind kind = ReadRawLine(raw);
    if (kind == LineKind::kEnd || (kind == LineKind::kLine && IsHeader(raw))) break;
    ++count;  // a line too long to read is still a line of the section
  }
  return count;
}

const char* DefReader::GetKeyValue(const char* section, const char* key) {
  if (key == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!Rewind() || !FindSection(section)) return nullptr;
  std::string_view raw;
  for (;;) {
    LineKind kind = ReadRawLine(raw);
    if (kind == LineKind::kEnd || (kind == LineKind::kLine && IsHeader(raw))) break;
    size_t value = KeyValueOffset(raw, key);
    if (value == std::string_view::npos) continue;
    if (kind == LineKind::kTooLong) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return nullptr;
    }
    line_.assign(raw);
    cursor_ = line_.size();
    return line_.c_str() + value;
  }
  SetLastError(ERROR_BAD_CONFIGURATION);
  return nullptr;
}

bool DefReader::PrepareSection(const char* name, DWORD& lines) {
  if (!Rewind()) return false;
  lines = 0;
  if (!SectionFound(name)) return true;  // a missing section reads as an empty one
  lines = CountSectionLines(name);
  return true;
}

BOOL DefReader::ReadRecordLine() {
  std::string_view raw;
  LineKind kind = ReadRawLine(raw);
  line_.clear();
  cursor_ = 0;
  if (kind == LineKind::kTooLong) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (kind == LineKind::kEnd) {  // cannot happen: the lines were counted first
    return Fail(ERROR_BAD_CONFIGURATION);
  }
  line_.assign(raw);
  return TRUE;
}

// One field from the cursor: blanks skipped, a backslash takes the next character
// literally (one at the very end of the line stays), trailing blanks dropped, and
// the separating comma passed. REST_OF_LINE takes the remainder verbatim.
std::string DefReader::ReadField(DWORD flags) {
  const size_t length = line_.size();
  if (flags & REST_OF_LINE) {
    std::string field = cursor_ < length ? line_.substr(cursor_) : std::string();
    cursor_ = length;
    return field;
  }
  while (cursor_ < length && IsBlank(line_[cursor_])) ++cursor_;
  std::string field;
  while (cursor_ < length && line_[cursor_] != ',') {
    if (line_[cursor_] == '\\' && cursor_ + 1 < length) ++cursor_;
    field += line_[cursor_++];
  }
  while (!field.empty() && IsBlank(field.back())) field.pop_back();
  if (cursor_ < length) ++cursor_;  // the comma
  return field;
}

LONG DefReader::ReadNumber(DWORD flags) {
  return ParseNumberField(ReadField(flags), flags, callbacks_);
}

WORD DefReader::ReadShort(DWORD flags) { return static_cast<WORD>(ReadNumber(flags)); }

DWORD DefReader::ReadWord(DWORD flags) { return static_cast<DWORD>(ReadNumber(flags)) & 0xFFFF; }

BOOL DefReader::ReadPair(LONG* a, LONG* b, DWORD flags) {
  const size_t length = line_.size();
  while (cursor_ < length && IsBlank(line_[cursor_])) ++cursor_;
  size_t separator = cursor_ < length && line_[cursor_] == '(' ? line_.find_first_of(",)", cursor_)
                                                               : std::string::npos;
  if (separator == std::string::npos || line_[separator] != ',')
    return Fail(ERROR_BAD_CONFIGURATION);
  size_t close = line_.find(')', separator + 1);
  if (close == std::string::npos) close = length;
  std::string_view text(line_);
  *a = ParseNumberField(text.substr(cursor_ + 1, separator - cursor_ - 1), flags, callbacks_);
  *b = ParseNumberField(text.substr(separator + 1, close - separator - 1), flags, callbacks_);
  cursor_ = close < length ? close + 1 : length;
  while (cursor_ < length && IsBlank(line_[cursor_])) ++cursor_;
  if (cursor_ < length && line_[cursor_] == ',') ++cursor_;
  return TRUE;
}

// "Text%(n)": a non-empty text n of the string table replaces the whole field;
// otherwise the text before "%(" stays, without its trailing blanks.
std::string DefReader::ApplyStringReference(std::string text) {
  size_t mark = text.rfind("%(");
  if (mark == std::string::npos || text.back() != ')' || text.size() < mark + 3) return text;
  UINT id = static_cast<UINT>(
      ParseNumber(std::string_view(text).substr(mark + 2, text.size() - mark - 3), 0, nullptr));
  text.resize(mark);
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  if (id != 0 && callbacks_ != nullptr) {
    char loaded[kStringTextSize] = {};
    int n = callbacks_->LoadText(id, loaded, kStringTextSize);
    if (n > 0 && loaded[0] != '\0') text.assign(loaded, strnlen(loaded, kStringTextSize));
  }
  return text;
}

BOOL DefReader::ReadText(DWORD* text, DWORD flags) {
  *text = 0;
  try {
    std::string field = ReadField(flags);
    if (flags & TEXT_ID) field = ApplyStringReference(std::move(field));
    if (!field.empty()) *text = TextHeapAdd(field);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

void DefReader::ReadFixedText(char* dest, size_t size) {
  std::string field = ReadField(0);
  size_t n = field.size() < size ? field.size() : size;
  // A fixed field is filled to its full width without a terminator, as the stored
  // entry has it; its readers copy it with its size, never as a C string.
  std::memcpy(dest, field.data(), n);  // NOLINT(bugprone-not-null-terminated-result)
  std::memset(dest + n, 0, size - n);
}

}  // namespace trv::dcl
