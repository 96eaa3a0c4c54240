#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <string>

#include "platform/kernel.h"
#include "spool/record.h"
#include "spool/writer.h"
#include "test_bytes.h"

namespace trv::spool {
namespace {

using testing::Bytes;
using testing::Payload;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  std::string digits;
  for (char c : hex) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    out.push_back(static_cast<BYTE>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

const std::string kZeros32 =
    "00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000";

struct GoldenCase {
  const char* name;
  DWORD type;
  Bytes payload;
  std::string hex;
};

TEST(EncodeRecord, ProducesTheExactBytes) {
  const GoldenCase cases[] = {
      {"no payload", DCLD_DOC_END, {}, "30000000 0E100000 00000000" + kZeros32 + "44434C44"},
      {"document begin", DCLD_DOC_BEGIN, Payload().i32(812).i32(1218).i32(2),
       "30000000 01100000 0C000000" + kZeros32 + "44434C44 2C030000 C2040000 02000000"},
      {"raw command", DCLD_RAW_COMMAND, Payload().u16(0).text("PRINT\r\n"),
       "30000000 FF400000 09000000" + kZeros32 + "44434C44 0000 5052494E540D0A"},
      {"high type", DCLD_DOCPROPS, Payload().fill(1, 0xAB),
       "30000000 02F00000 01000000" + kZeros32 + "44434C44 AB"},
  };
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeRecord(c.type, c.payload), FromHex(c.hex));
  }
}

TEST(BuildRecord, RefusesANullPayloadWithALength) {
  Bytes out;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(BuildRecord(out, DCLD_RAW_COMMAND, nullptr, 5));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(BuildRecord(out, DCLD_DOC_END, nullptr, 0));
  EXPECT_EQ(out.size(), DCLD_HEADER_SIZE);
}

TEST(BuildRecord, RefusesARecordLongerThanA32BitCount) {
  const BYTE byte = 0;
  const DWORD largest = std::numeric_limits<DWORD>::max() - DCLD_HEADER_SIZE;
  std::size_t asked = 0;
  auto refuse = [&](std::size_t bytes) {
    asked = bytes;
    return false;
  };
  Bytes out;
  // The largest payload is sized (and here refused for memory), one more is not.
  EXPECT_FALSE(BuildRecord(out, DCLD_BITMAP_DATA, &byte, largest, refuse));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(asked, std::size_t{std::numeric_limits<DWORD>::max()});
  asked = 0;
  EXPECT_FALSE(BuildRecord(out, DCLD_BITMAP_DATA, &byte, largest + 1, refuse));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(asked, 0u);
}

TEST(BuildRecord, ReportsAnAllocationFailure) {
  const Bytes payload = Payload().u16(1).u16(2).u16(3);
  Bytes out;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(
      BuildRecord(out, DCLD_PAGE_BEGIN, payload.data(), 6, [](std::size_t) { return false; }));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(RecordFields, AreLittleEndian) {
  BYTE b[4] = {};
  WriteU32(b, DCLD_MAGIC);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), "DCLD");
  WriteI32(b, -2);
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ReadI32(b), -2);
  EXPECT_EQ(ReadU32(b), 0xFFFFFFFEu);
  const BYTE w[2] = {0x34, 0x12};
  EXPECT_EQ(ReadU16(w), 0x1234);
  WriteU16(b, 0xBEEF);
  EXPECT_EQ(b[0], 0xEF);
  EXPECT_EQ(b[1], 0xBE);
}

TEST(RecordTypes, AreFoundByType) {
  ASSERT_NE(FindRecordType(DCLD_PAGE_BEGIN), nullptr);
  EXPECT_STREQ(RecordTypeName(DCLD_PAGE_BEGIN), "DCLD_PAGE_BEGIN");
  EXPECT_STREQ(RecordTypeName(DCLD_DOCPROPS), "DCLD_DOCPROPS");
  EXPECT_STREQ(RecordTypeName(DCLD_DOC_BEGIN), "DCLD_DOC_BEGIN");
  for (DWORD unknown : {0u, 0x1000u, 0x2003u, 0x40FEu, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindRecordType(unknown), nullptr) << std::hex << unknown;
  }
}

}  // namespace
}  // namespace trv::spool
