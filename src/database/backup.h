// SPDX-License-Identifier: Apache-2.0
// The backup the database layer makes before an erase: the reader's database test says
// whether it holds records; if so (and the plan wants it, or the user says so) its records
// and attributes are read as a verified read reads them and saved as a dated sheet.
#pragma once

#include <string>

#include "job/backup.h"

namespace tagline::database {

struct BackupPlan {
  job::BackupPolicy policy = job::BackupPolicy::Ask;
  std::string directory;  // where the dated sheet goes ("" the current directory)
};

job::BackupOutcome BackUpReader(job::JobEnvironment& env, protocol::ReaderModel model,
                                const BackupPlan& plan);

// "DIR/backup-YYYYMMDD-hhmmss.xml" for the time, with "-2", "-3" ... where that exists.
std::string BackupPath(const std::string& directory, const std::tm& time);

}  // namespace tagline::database
