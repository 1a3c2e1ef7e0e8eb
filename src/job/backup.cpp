// SPDX-License-Identifier: Apache-2.0
#include "job/backup.h"

#include <cctype>

namespace tagline::job {

std::optional<BackupPolicy> ParseBackupPolicy(std::string_view text) {
  std::string word;
  for (const char c : text) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "always") return BackupPolicy::Always;
  if (word == "ask") return BackupPolicy::Ask;
  if (word == "never") return BackupPolicy::Never;
  return std::nullopt;
}

std::string BackupRefusalText(const BackupOutcome& outcome) {
  if (outcome.kind == BackupOutcome::Kind::Cancelled) {
    return "Cancelled before the erase; the reader keeps its records.";
  }
  return "The reader's records could not be saved before the erase (" + outcome.reason +
         "); nothing was erased.";
}

}  // namespace tagline::job
