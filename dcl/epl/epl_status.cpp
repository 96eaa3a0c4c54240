#include "dcl/epl/epl_status.h"

namespace trv::dcl::epl {
namespace {

constexpr UINT kUnknownPairMessage = 10517;
constexpr UINT kUnreadableMessage = 10518;
constexpr DWORD kUnreadableCode = 0xFFFFFFFF;  // -1

StatusReply ErrorWith(UINT message, DWORD code) {
  StatusReply r;
  r.kind = StatusReply::Error;
  r.message = message;
  r.code = code;
  return r;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

ReplyRead ReadStatusReply(const ReadByteFn& readByte, std::string* reply) {
  reply->clear();
  BYTE b = 0;
  if (readByte(&b) != 1) return ReplyRead::NoReply;
  reply->push_back(static_cast<char>(b));
  if (b == '\n') return ReplyRead::Reply;
  // The second byte is read in any case; reading stops at an LF or a silent read.
  while (reply->size() < kStatusReplyLimit) {
    if (readByte(&b) != 1) return ReplyRead::Reply;
    reply->push_back(static_cast<char>(b));
    if (b == '\n') return ReplyRead::Reply;
  }
  return ReplyRead::Overlong;
}

StatusReply ClassifyStatusPair(char first, char second) {
  const DWORD code =
      (static_cast<DWORD>(static_cast<BYTE>(first)) << 8) | static_cast<BYTE>(second);
  if (IsDigit(first) && IsDigit(second)) {
    int n = (first - '0') * 10 + (second - '0');
    if (n == 0) return StatusReply{};
    if (n == 12 || n == 50) {
      StatusReply r;
      r.kind = StatusReply::Busy;
      r.code = code;
      return r;
    }
    if (n >= 1 && n <= 9) return ErrorWith(10500 + static_cast<UINT>(n - 1), code);
    if (n == 10 || n == 11) return ErrorWith(10509 + static_cast<UINT>(n - 10), code);
    if (n >= 80 && n <= 84) return ErrorWith(10512 + static_cast<UINT>(n - 80), code);
  }
  StatusReply r = ErrorWith(kUnknownPairMessage, code);
  r.pair[0] = first;
  r.pair[1] = second;
  return r;
}

StatusReply ClassifyStatusReply(std::string_view reply) {
  // The pair stands right before CR LF; a reply too short to hold it, or whose
  // second byte already ends it, cannot be read.
  size_t n = reply.size() - 1;  // position of the final byte (the LF of a whole reply)
  if (reply.size() < 4 || reply[1] == '\n' || reply.back() != '\n')
    return ErrorWith(kUnreadableMessage, kUnreadableCode);
  return ClassifyStatusPair(reply[n - 3], reply[n - 2]);
}

std::string FillPairMessage(std::string_view format, const char pair[2]) {
  std::string out;
  int next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      char k = format[i + 1];
      if (k == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (k == 'c' && next < 2) {
        if (pair[next] != 0) out += pair[next];
        ++next;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace trv::dcl::epl
