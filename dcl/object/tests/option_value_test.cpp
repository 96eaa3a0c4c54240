#include "dcl/object/option_value.h"

#include "dcl/object/option_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace trv::dcl {
namespace {

// Option identifiers as the blobs hold them.
constexpr WORD kDispenseId = 0x2001;
constexpr WORD kUserCommandId = 0x3041;

// A dispense value placed one byte into its buffer, so every field is unaligned.
struct Unaligned {
  std::vector<BYTE> buffer = std::vector<BYTE>(1 + kDispenseValueSize, 0xEE);
  BYTE* value = buffer.data() + 1;
};

TEST(OptionValueView, ReadsTheHeadAndTheNamedFieldsOfAnUnalignedValue) {
  Unaligned u;
  OptionValueEdit v =
      OptionValueEdit::Start(u.value, kDispenseValueSize, kDispenseId, kValueSwitchedOn);
  v.SetSetting(0x08);
  v.SetField<LONG>(kDispenseOffsetDelay, 7);
  v.SetField<DWORD>(kDispenseOffsetSwitches, 0x20000);

  OptionValueView r(u.value);
  EXPECT_EQ(r.Size(), kDispenseValueSize);
  EXPECT_EQ(r.Id(), kDispenseId);
  EXPECT_TRUE(r.IsSwitchedOn());
  EXPECT_EQ(r.Setting(), 0x08);
  EXPECT_EQ(r.Field<LONG>(kDispenseOffsetMode), 0x08);
  EXPECT_EQ(r.Field<LONG>(kDispenseOffsetChoice), 0);
  EXPECT_EQ(r.Field<LONG>(kDispenseOffsetDelay), 7);
  EXPECT_EQ(r.Field<DWORD>(kDispenseOffsetSwitches), 0x20000u);
  // The bytes as stored: little-endian at the named offsets, the byte before untouched.
  const BYTE head[] = {32, 0, 0, 0, 0x01, 0x20, 0x00, 0x10, 0x08, 0, 0, 0};
  EXPECT_EQ(std::memcmp(u.value, head, sizeof head), 0);
  EXPECT_EQ(u.buffer[0], 0xEE);
}

// Fields past the size field, or past what the owner vouches for, read as zero and are
// never written.
TEST(OptionValueView, StaysWithinTheSizeAndTheAvailableBytes) {
  struct Case {
    DWORD sizeField;
    DWORD available;  // 0: trust the size field
    DWORD offset;
    bool readable;
  };
  const Case cases[] = {
      {12, 0, 8, true},   {12, 0, 9, false}, {11, 0, 8, false},   {32, 0, 28, true},
      {32, 0, 29, false}, {32, 12, 8, true}, {32, 12, 12, false}, {6, 0, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.sizeField << " available " << c.available
                                    << " offset " << c.offset);
    std::vector<BYTE> bytes(40, 0x11);
    std::memcpy(bytes.data(), &c.sizeField, 4);
    OptionValueEdit v = c.available == 0 ? OptionValueEdit(bytes.data())
                                         : OptionValueEdit(bytes.data(), c.available);
    EXPECT_EQ(v.Field<LONG>(c.offset) != 0, c.readable);
    v.SetField<LONG>(c.offset, 0);
    EXPECT_EQ(bytes[c.offset] == 0, c.readable);
  }
}

TEST(OptionValueView, ANullViewReadsZeros) {
  OptionValueView v;
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.Size(), 0u);
  EXPECT_EQ(v.Id(), 0);
  EXPECT_EQ(v.Setting(), 0);
  EXPECT_TRUE(v.Text(kUserCommandOffsetText).empty());
  OptionValueEdit e(nullptr);
  e.SetSetting(5);  // dropped, not a crash
  e.SetText(kUserCommandOffsetText, "X");
  EXPECT_TRUE(OptionValueView(nullptr, 80).IsNull());
}

TEST(OptionValueView, TextsStopAtTheValuesEnd) {
  std::vector<BYTE> bytes(kUserCommandValueSize + 8, 'Z');
  OptionValueEdit v =
      OptionValueEdit::Start(bytes.data(), kUserCommandValueSize, kUserCommandId, 0);
  EXPECT_EQ(v.Text(kUserCommandOffsetText), "");
  const std::string longText(100, 'A');
  v.SetText(kUserCommandOffsetText, longText);
  // Cut to the room before the value's end, and still terminated inside it.
  EXPECT_EQ(v.Text(kUserCommandOffsetText).size(),
            kUserCommandValueSize - kUserCommandOffsetText - 1);
  EXPECT_EQ(bytes[kUserCommandValueSize - 1], 0);
  EXPECT_EQ(bytes[kUserCommandValueSize], 'Z');
  // An unterminated text is read up to the end of the value only.
  std::memset(bytes.data() + kUserCommandOffsetText, 'B',
              kUserCommandValueSize - kUserCommandOffsetText);
  EXPECT_EQ(OptionValueView(bytes.data()).Text(kUserCommandOffsetText).size(),
            kUserCommandValueSize - kUserCommandOffsetText);
}

}  // namespace
}  // namespace trv::dcl

namespace trv::dcl {
namespace {

// What the label layer relies on in every row of the option table.
TEST(OptionTable, RowsAreConsistent) {
  std::set<WORD> ids;
  for (const OptionRow& r : kOptionRows) {
    SCOPED_TRACE(testing::Message() << std::hex << r.id);
    EXPECT_TRUE(ids.insert(r.id).second) << "identifier listed twice";
    EXPECT_EQ(FindOptionRow(r.id), &r);
    // A parent is a group of the host or an option listed before its children.
    if (r.parent < kGroupDocument && r.parent != kGroupNone) {
      EXPECT_TRUE(ids.count(r.parent)) << "parent " << r.parent;
    }
    // A two-state switch names both of its states for every family.
    if (r.twoState) {
      for (LONG state : {0, 1}) {
        WORD families = 0;
        for (const OptionValueText& t : r.texts)
          if (t.value == state) families |= t.families;
        EXPECT_EQ(families, 0x7) << "state " << state;
      }
    }
    // Dialogs that edit a mode's group need the layout that holds the group's words.
    const std::pair<OptionDialogKind, ValueLayout> needs[] = {
        {OptionDialogKind::kDispenseDialog, ValueLayout::kDispense},
        {OptionDialogKind::kTrackingDialog, ValueLayout::kTracking},
        {OptionDialogKind::kUserCommandDialog, ValueLayout::kUserCommand},
    };
    for (const auto& [dialog, layout] : needs) {
      if (r.dialog == dialog) {
        EXPECT_EQ(r.layout, layout);
      }
    }
  }
  EXPECT_EQ(FindOptionRow(kOptionFontDownload), nullptr);
  EXPECT_EQ(OptionTable().size(), std::size(kOptionRows));
}

}  // namespace
}  // namespace trv::dcl
