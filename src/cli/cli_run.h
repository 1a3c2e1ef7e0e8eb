// SPDX-License-Identifier: Apache-2.0
// Runs one command of the `tagline` front end.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "cli/json_output.h"
#include "job/job_result.h"

namespace tagline::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitReaderFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPortError = 3;

int RunCli(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

// Bytes as upper-case hex pairs separated by blanks ("02 53 56 ...").
std::string HexBytes(const std::string& bytes);

// "<value> <Enumerator>" of the reader model a version text gives.
std::string ClassifyLine(const std::string& version);

// The JSON records of a version text, a button's result and a job's result.
JsonObject ModelRecord(const std::string& version);
JsonObject CommandRecord(const job::CommandResult& result);
JsonObject JobRecord(const job::JobResult& result);

// What a pane gained between two states, allowing for lines cut off at its front.
std::string PaneAddition(const std::string& before, const std::string& after);

}  // namespace tagline::cli
