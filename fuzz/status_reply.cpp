// An EPL printer's answer to a status query, as the back-end reads and explains it.
// The input is everything the printer sends. Properties: the reader takes a prefix
// of it, never more than its limit, and stops exactly at the first LF, at the end of
// what was sent, or at the limit (and only then calls the reply overlong); a reply
// means ready only for the pair "00", busy only for "12" and "50", and an error
// always carries a message; the message text filled with an unknown pair (the rest
// of the input serves as the text) never grows past its format.
#include <algorithm>
#include <string>
#include <string_view>

#include "dcl/epl/epl_status.h"
#include "fuzz/harness.h"

namespace epl = trv::dcl::epl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sent(reinterpret_cast<const char*>(data), size);
  size_t next = 0;
  const epl::ReadByteFn readByte = [&](BYTE* b) -> DWORD {
    if (next == size) return 0;
    *b = data[next++];
    return 1;
  };
  std::string reply;
  const epl::ReplyRead read = epl::ReadStatusReply(readByte, &reply);

  FUZZ_CHECK(reply.size() == next);
  FUZZ_CHECK(sent.substr(0, reply.size()) == reply);
  FUZZ_CHECK(reply.size() <= epl::kStatusReplyLimit);
  const size_t firstLf = sent.find('\n');
  switch (read) {
    case epl::ReplyRead::NoReply: FUZZ_CHECK(size == 0); return 0;
    case epl::ReplyRead::Overlong:
      FUZZ_CHECK(reply.size() == epl::kStatusReplyLimit);
      FUZZ_CHECK(reply.find('\n') == std::string::npos);
      break;
    case epl::ReplyRead::Reply:
      if (firstLf != std::string_view::npos && firstLf < epl::kStatusReplyLimit)
        FUZZ_CHECK(reply.size() == firstLf + 1);
      else
        FUZZ_CHECK(reply.size() == size);
      break;
  }

  const epl::StatusReply status = epl::ClassifyStatusReply(reply);
  const bool whole = reply.size() >= 4 && reply.back() == '\n' && reply[1] != '\n';
  const std::string pair = whole ? reply.substr(reply.size() - 4, 2) : std::string();
  switch (status.kind) {
    case epl::StatusReply::Ready: FUZZ_CHECK(pair == "00"); break;
    case epl::StatusReply::Busy: FUZZ_CHECK(pair == "12" || pair == "50"); break;
    case epl::StatusReply::Error: FUZZ_CHECK(status.message != 0); break;
  }

  const std::string_view format = sent.substr(reply.size());
  const std::string message = epl::FillPairMessage(format, status.pair);
  FUZZ_CHECK(message.size() <= format.size());
  if (format.find('%') == std::string_view::npos) FUZZ_CHECK(message == format);
  return 0;
}
