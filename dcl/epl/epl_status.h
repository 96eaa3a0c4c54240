// The EPL printer's status: the reply to "^ee" is two characters, CR and LF. The
// reply is read one byte at a time with a bound, and its pair of characters says
// whether the printer is ready, busy or in error (with the message to show).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/windef.h"

namespace trv::dcl::epl {

// The most bytes a reply may take, its LF included; a reply that fills them without an
// LF is unreadable, not an overrun.
inline constexpr size_t kStatusReplyLimit = 512;

// What a reply means.
struct StatusReply {
  enum Kind { Ready, Busy, Error } kind = Ready;
  UINT message = 0;  // the message of an error
  DWORD code = 0;    // the pair (first character in the high byte), or 0xFFFFFFFF
  // For an unknown pair: the two characters the message is filled with.
  char pair[2] = {0, 0};
};

// Reads one byte: the number of bytes read (0 or 1), 0 also when the read fails.
using ReadByteFn = std::function<DWORD(BYTE*)>;

enum class ReplyRead {
  NoReply,  // the first read gave nothing: the printer does not answer queries
  Reply,    // `reply` ends with its LF, or with the last byte before reads stopped
  Overlong  // kStatusReplyLimit bytes without an LF
};

// Reads a reply: the first byte, then one byte at a time until an LF or a read that
// gives nothing, at most kStatusReplyLimit bytes.
ReplyRead ReadStatusReply(const ReadByteFn& readByte, std::string* reply);

// The meaning of a reply whose last byte is its LF (or of whatever was read).
StatusReply ClassifyStatusReply(std::string_view reply);
// The meaning of one pair of characters.
StatusReply ClassifyStatusPair(char first, char second);

// Fills a message text with the two characters of an unknown pair: each "%c" takes the
// next character and "%%" gives "%"; any other conversion is copied as it stands, so
// a text from the language file can never read arguments that are not there.
std::string FillPairMessage(std::string_view format, const char pair[2]);

}  // namespace trv::dcl::epl
