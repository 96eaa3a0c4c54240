// Help-topic translation: a file beside the help file (extension "hlt") can send a
// dialog's help request to another topic or another help file, so that one set of
// dialogs can point into differently numbered help files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace trv::dcl {

// One 32-byte record of the translation file (little-endian):
//   0 label (8 characters, unused)   8 dialog id      12 topic id
//  16 help base name (8 characters, zero-padded)      24 new topic id   28 reserved
struct HelpTranslationRecord {
  static constexpr size_t kSize = 32;
  static constexpr std::int32_t kAny = -2;  // any dialog, any topic, or keep the topic

  std::int32_t dialogId = kAny;
  std::int32_t topicId = kAny;
  std::string baseName;  // empty: any help file
  std::int32_t newTopicId = kAny;

  static HelpTranslationRecord Parse(std::span<const std::uint8_t, kSize> bytes);

  // Whether the record redirects this request; upperBaseName is in upper case.
  bool AppliesTo(std::int32_t dialog, const std::string& upperBaseName, std::int32_t topic) const;
};

// Runs the request (dialog, base name, topic) through the location's translation
// file; the first record that applies decides, and a missing file changes nothing.
// A base name taken from the file comes back in upper case. Always succeeds; every
// step is traced.
void TranslateHelpId(int dialogId, std::string& baseName, int& topicId);

}  // namespace trv::dcl
