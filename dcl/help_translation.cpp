#include "dcl/help_translation.h"

#include <array>
#include <cstring>

#include "dcl/help_location.h"
#include "dcl/trace.h"
#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr size_t kNameOffset = 16;
constexpr size_t kNameSize = 8;

std::int32_t ReadI32(std::span<const std::uint8_t, HelpTranslationRecord::kSize> bytes,
                     size_t offset) {
  std::uint32_t v = static_cast<std::uint32_t>(bytes[offset]) |
                    static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
                    static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
                    static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
  return static_cast<std::int32_t>(v);
}

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Reads records until a read comes back short; returns the first that applies.
std::optional<HelpTranslationRecord> FindRecord(HANDLE file, int dialogId,
                                                const std::string& upperBaseName, int topicId) {
  std::array<std::uint8_t, HelpTranslationRecord::kSize> bytes;
  DWORD read = 0;
  while (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
         read == bytes.size()) {
    HelpTranslationRecord record = HelpTranslationRecord::Parse(bytes);
    if (record.AppliesTo(dialogId, upperBaseName, topicId)) return record;
  }
  return std::nullopt;
}

}  // namespace

HelpTranslationRecord HelpTranslationRecord::Parse(std::span<const std::uint8_t, kSize> bytes) {
  HelpTranslationRecord record;
  record.dialogId = ReadI32(bytes, 8);
  record.topicId = ReadI32(bytes, 12);
  // Eight characters fill the field without a terminator.
  const char* name = reinterpret_cast<const char*>(bytes.data() + kNameOffset);
  record.baseName.assign(name, strnlen(name, kNameSize));
  record.newTopicId = ReadI32(bytes, 24);
  return record;
}

bool HelpTranslationRecord::AppliesTo(std::int32_t dialog, const std::string& upperBaseName,
                                      std::int32_t topic) const {
  return (baseName.empty() || Upper(baseName) == upperBaseName) &&
         (dialogId == kAny || dialogId == dialog) && (topicId == kAny || topicId == topic);
}

void TranslateHelpId(int dialogId, std::string& baseName, int& topicId) {
  std::string path = HelpFileOf("hlt");
  Trace("CDCLBase::TranslateHelpID(%s),Started\n", path.c_str());
  Trace("ID:%20s,DLG:%.8d,CTRL:%.8d\n", baseName.c_str(), dialogId, topicId);
  const std::string oldBaseName = baseName;
  const int oldTopicId = topicId;

  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Trace(".HLT FILE NOT OPEN\n");
  } else {
    std::optional<HelpTranslationRecord> record =
        FindRecord(file, dialogId, Upper(baseName), topicId);
    CloseHandle(file);
    if (record && !record->baseName.empty()) baseName = Upper(record->baseName);
    if (record && record->newTopicId != HelpTranslationRecord::kAny) topicId = record->newTopicId;
  }

  Trace("ID Translated\n");
  Trace("OLD:%20s,%.8d\n", oldBaseName.c_str(), oldTopicId);
  Trace("NEW:%20s,%.8d\n", baseName.c_str(), topicId);
  Trace("TVTranslateID,Finish\n");
}

}  // namespace trv::dcl
