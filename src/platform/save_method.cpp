// SPDX-License-Identifier: Apache-2.0
#include "platform/save_method.h"

namespace tagline::platform {

SaveMethod ChooseSaveMethod(const SaveTarget& target) {
  if (!target.exists) return SaveMethod::kReplace;
  if (!target.regularFile) return SaveMethod::kRefuseNotRegular;
  if (!target.writable) return SaveMethod::kRefuseReadOnly;
  // A rename would give only this name the new contents and cut it off from the others.
  if (target.linkCount > 1) return SaveMethod::kInPlace;
  return SaveMethod::kReplace;
}

std::optional<SaveResult> RefusedSave(SaveMethod method) {
  switch (method) {
    case SaveMethod::kRefuseReadOnly:
      return SaveResult{SaveStatus::kReadOnly, "the file is read-only"};
    case SaveMethod::kRefuseNotRegular:
      return SaveResult{SaveStatus::kNotRegularFile, "not a regular file"};
    case SaveMethod::kReplace:
    case SaveMethod::kInPlace:
      break;
  }
  return std::nullopt;
}

namespace {

// The length of the UTF-8 sequence that `lead` starts, 0 for a byte that starts none.
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 0;
  if (lead >= 0xC0) return 2;
  return 0;
}

// `text` without a UTF-8 sequence that a cut left incomplete at its end: file systems that
// insist on UTF-8 names refuse half a character.
std::string_view WithoutCutSequence(std::string_view text) {
  std::size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return text;
  const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[start - 1]));
  if (length > text.size() - (start - 1)) return text.substr(0, start - 1);
  return text;
}

}  // namespace

std::string TempFileName(std::string_view base, std::string_view suffix, std::size_t nameMax) {
  const std::size_t room = nameMax > suffix.size() ? nameMax - suffix.size() : 0;
  if (base.size() > room) base = WithoutCutSequence(base.substr(0, room));
  std::string name(base);
  name += suffix;
  return name;
}

}  // namespace tagline::platform
