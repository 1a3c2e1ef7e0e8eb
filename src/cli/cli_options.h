// SPDX-License-Identifier: Apache-2.0
// Command line of the `tagline` front end.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tagline::cli {

struct CliOptions {
  std::string iniPath;              // empty: the current directory's settings file
  std::optional<std::string> port;  // overrides the INI port for this run
  // Every --port given, and the file named by --ports-from: more than one port runs the
  // command on each of them at once.
  std::vector<std::string> ports;
  std::optional<std::string> portsFrom;
  bool simulate = false;               // use the simulated reader as this run's port
  std::optional<std::string> version;  // version text the simulated reader reports
  bool json = false;                   // results as JSON objects
  // Records the line into this file; "{port}" stands for the port's name in it.
  std::optional<std::string> trace;
  std::uint64_t traceLimitMb = 100;
  std::string command;
  std::vector<std::string> args;              // positional arguments of the command
  std::map<std::string, std::string> values;  // the command's "--name VALUE" options
  std::set<std::string> flags;                // the command's "--name" switches

  bool Has(const std::string& flag) const { return flags.contains(flag); }
  std::optional<std::string> Value(const std::string& name) const;
};

struct ParseResult {
  std::optional<CliOptions> options;
  std::string error;  // usage error when options and text are empty
  // A text asked for instead of a command (help, the program's version), to print as it is.
  std::optional<std::string> text;
};

ParseResult ParseCommandLine(const std::vector<std::string>& argv);

// A whole number option in [min, max]; nullopt with `error` set when it is malformed.
std::optional<long long> NumberOption(const CliOptions& options, const std::string& name,
                                      long long min, long long max, long long fallback,
                                      std::string& error);

// "tagline VERSION".
std::string ProgramVersionText();

}  // namespace tagline::cli
