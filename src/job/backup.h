// SPDX-License-Identifier: Apache-2.0
// A backup of the reader's records before a job erases them: whether one is made (always,
// after asking, never), and what came of it. The database layer makes it; the jobs that
// erase are given it by their front end.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "job/job_environment.h"
#include "protocol/reader_model.h"

namespace tagline::job {

enum class BackupPolicy { Always, Ask, Never };

// "Always", "Ask" or "Never" (the settings' words), any case; nothing for another word.
std::optional<BackupPolicy> ParseBackupPolicy(std::string_view text);

struct BackupOutcome {
  enum class Kind {
    NotNeeded,  // the reader holds no records, or no backup is to be made
    Saved,      // the records are in `file`
    Declined,   // the user chose to erase without one
    Cancelled,  // the user stopped the job
    Failed,     // the records could not be saved whole: `reason`
  };
  Kind kind = Kind::NotNeeded;
  std::string file;
  std::string reason;
  bool mayErase() const {
    return kind == Kind::NotNeeded || kind == Kind::Saved || kind == Kind::Declined;
  }
};

// Saves the records of a reader of `model` as the front end's plan says.
using BackupBeforeErase =
    std::function<BackupOutcome(JobEnvironment& env, protocol::ReaderModel model)>;

// The message of a backup that stops the erase.
std::string BackupRefusalText(const BackupOutcome& outcome);

}  // namespace tagline::job
