// SPDX-License-Identifier: Apache-2.0
// `tagline ARGS...` run in this process: what it printed and its exit status.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"

namespace tagline::cli {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline Outcome RunInProcess(const std::vector<std::string>& argv) {
  const ParseResult parsed = ParseCommandLine(argv);
  if (!parsed.options) return {kExitUsage, {}, parsed.error};
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(*parsed.options, in, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace tagline::cli
