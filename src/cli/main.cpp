// SPDX-License-Identifier: Apache-2.0
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/json_output.h"
#include "platform/stop_signals.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = tagline::cli::ParseCommandLine(args);
  if (parsed.text) {
    std::cout << *parsed.text;
    return tagline::cli::kExitOk;
  }
  if (!parsed.options) {
    if (std::find(args.begin(), args.end(), "--json") != args.end()) {
      std::cout << tagline::cli::JsonObject()
                       .Number("exit", tagline::cli::kExitUsage)
                       .Bool("ok", false)
                       .Text("error", parsed.error)
                       .Dump()
                << '\n';
    }
    std::cerr << "tagline: " << parsed.error << '\n' << tagline::cli::UsageText();
    return tagline::cli::kExitUsage;
  }
  // A signal ends a job at its next safe point instead of the program at once.
  const tagline::platform::StopSignals stopSignals;
  return tagline::cli::RunCli(*parsed.options, std::cin, std::cout, std::cerr);
}
