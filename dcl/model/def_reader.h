// Reads the suite's text files of sections, records and keys: the model
// definition file, the model data file and the product configuration file.
//
// The file is read whole into memory. Lines end at CR or LF; empty lines and lines
// whose first character is ";" are skipped; blanks at the start of a line are
// dropped, trailing blanks kept. A section runs from its "[NAME]" header to the next
// header. Inside it, a line is a record of comma-separated fields or a key line
// "Name=value".
#pragma once

#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "dcl/model/number_text.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {

class ModelCallbacks;

class DefReader {
 public:
  // The longest line the reader takes, without its line break.
  static constexpr size_t kMaxLine = 1023;

  // callbacks resolves symbol names and string-table texts of fields; may be null.
  explicit DefReader(ModelCallbacks* callbacks = nullptr) : callbacks_(callbacks) {}
  DefReader(const DefReader&) = delete;
  DefReader& operator=(const DefReader&) = delete;

  // Reads directory + fileName (each part taken up to 259 characters) whole.
  // Fails with the opening error, ERROR_READ_FAULT for an empty file or a short
  // read, or ERROR_NOT_ENOUGH_MEMORY.
  BOOL Open(const char* directory, const char* fileName);
  // Releases the image; ERROR_INVALID_HANDLE when none is open.
  BOOL Close();
  // Back to the start of the image; ERROR_INVALID_HANDLE when none is open.
  BOOL Rewind();
  bool IsOpen() const { return open_; }

  // The next line that is neither empty nor a comment becomes the current line.
  // False at the end of the image (last error untouched), or with
  // ERROR_INSUFFICIENT_BUFFER for a line longer than kMaxLine (which is passed).
  BOOL NextLine();
  // The current line (after its leading blanks).
  const std::string& Line() const { return line_; }

  // Reads on from the current position to the header of name; the header becomes
  // the current line. ERROR_BAD_CONFIGURATION when no such header follows.
  BOOL FindSection(const char* name);
  // The number of lines (records and key lines alike) of the first section called
  // name; 0 with ERROR_BAD_CONFIGURATION when there is none.
  DWORD CountSectionLines(const char* name);
  // The value (everything after the first "=") of the first line of the section
  // that starts with key, not followed by a letter, digit or underscore. Null when
  // the section or key is missing (ERROR_BAD_CONFIGURATION), or when the key's
  // line is too long to hold (ERROR_INSUFFICIENT_BUFFER). Valid until the next line
  // is read.
  const char* GetKeyValue(const char* section, const char* key);

  // Appends one entry per line of the section to table: the new entries are zeroed
  // and passed to init, then each line is parsed into its entry. A missing or empty
  // section leaves the table as it is and succeeds with last error 0. When a line
  // fails, free runs on every entry of the table, the table is emptied and the
  // line's error is kept. Null arguments fail with ERROR_INVALID_PARAMETER; no room
  // for the new entries fails with ERROR_NOT_ENOUGH_MEMORY, the table unchanged.
  template <class Entry>
  BOOL ReadSection(const char* name, std::vector<Entry>& table, void (*init)(Entry&),
                   void (*free)(Entry&), BOOL (*parse)(Entry&, DefReader&));

  // Field readers on the current line, each starting where the previous one ended.
  // A missing field reads as empty (0, or no text).
  LONG ReadNumber(DWORD flags);
  WORD ReadShort(DWORD flags);
  DWORD ReadWord(DWORD flags);
  // "(a,b)"; ERROR_BAD_CONFIGURATION when the field does not have that form.
  BOOL ReadPair(LONG* a, LONG* b, DWORD flags);
  // A text of the text heap, 0 for an empty text; ERROR_NOT_ENOUGH_MEMORY.
  BOOL ReadText(DWORD* text, DWORD flags);
  // Up to size bytes of the field into dest, the rest zero; a text of exactly size
  // characters has no terminator.
  void ReadFixedText(char* dest, size_t size);

 private:
  enum class LineKind { kLine, kEnd, kTooLong };
  LineKind ReadRawLine(std::string_view& raw);
  bool SectionFound(const char* name);
  bool PrepareSection(const char* name, DWORD& lines);
  BOOL ReadRecordLine();
  std::string ReadField(DWORD flags);
  std::string ApplyStringReference(std::string text);
  bool NoImage();
  template <class Entry>
  BOOL ParseGuarded(Entry& entry, BOOL (*parse)(Entry&, DefReader&));

  ModelCallbacks* callbacks_;
  std::vector<char> image_;  // the file's bytes, zero-terminated
  size_t size_ = 0;          // bytes of text before the terminator
  size_t pos_ = 0;
  bool open_ = false;
  std::string line_;
  size_t cursor_ = 0;  // the next field of line_
};

template <class Entry>
BOOL DefReader::ReadSection(const char* name, std::vector<Entry>& table, void (*init)(Entry&),
                            void (*free)(Entry&), BOOL (*parse)(Entry&, DefReader&)) {
  static_assert(std::is_trivially_copyable_v<Entry>, "table entries are plain records");
  if (name == nullptr || init == nullptr || free == nullptr || parse == nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  DWORD lines = 0;
  if (!PrepareSection(name, lines)) return FALSE;
  if (lines == 0) {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  const size_t first = table.size();
  try {
    table.resize(first + lines);  // value-initialised: the new entries are zero
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  for (size_t i = first; i < table.size(); ++i) init(table[i]);
  Rewind();
  FindSection(name);
  for (size_t i = first; i < table.size(); ++i) {
    if (!ReadRecordLine() || !ParseGuarded(table[i], parse)) {
      DWORD error = GetLastError();
      for (Entry& entry : table) free(entry);
      std::vector<Entry>().swap(table);
      return Fail(error);
    }
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// A parse routine that runs out of memory fails its line like any other error.
template <class Entry>
BOOL DefReader::ParseGuarded(Entry& entry, BOOL (*parse)(Entry&, DefReader&)) {
  try {
    return parse(entry, *this);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace trv::dcl
