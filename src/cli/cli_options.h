// Command line of the `tagline` front end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tagline::cli {

struct CliOptions {
  std::string iniPath;                 // empty: the current directory's settings file
  std::optional<std::string> port;     // overrides the INI port for this run
  bool simulate = false;               // use the simulated reader as this run's port
  std::optional<std::string> version;  // version text the simulated reader reports
  std::string command;
  std::vector<std::string> args;  // positional arguments of the command
  std::optional<int> protocol;    // send: line protocol
  std::uint32_t listenMs = 0;     // send --listen / listen --ms
  bool listenGiven = false;
  bool batch = false;  // classify --batch
};

struct ParseResult {
  std::optional<CliOptions> options;
  std::string error;  // usage error when options is empty
};

ParseResult ParseCommandLine(const std::vector<std::string>& argv);

const char* UsageText();

}  // namespace tagline::cli
