// SPDX-License-Identifier: Apache-2.0
// The commands of `tagline` in one table: the parser, the help texts, the shell
// completions, the dispatch, which commands run on many ports and what their JSON holds
// are all made from it.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/json_output.h"

namespace tagline::cli {

class Session;

// What a command is run with. `session` is the open window on the reader for commands
// that need one, null for the others.
struct CommandRun {
  const CliOptions& options;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  JsonRecords* json;  // null when the output is text
  Session* session;
};
using CommandHandler = int (*)(CommandRun& run);

// What a command needs before it runs.
enum class CommandNeeds {
  Nothing,   // no reader, no settings
  Reader,    // the window on the configured (or simulated) reader
  Settings,  // the window, even when the port does not open (it is put right there)
};

// A command's JSON: its own records, or (when it gave none) the result of the window's
// button it pressed.
enum class CommandJson { Own, ButtonResult };

struct OptionEntry {
  const char* name;       // without the leading "--"
  const char* valueName;  // nullptr for a switch; "a|b|c" lists the values it takes
  const char* help;
  bool required = false;
};

struct CommandEntry {
  const char* name;
  std::size_t minArgs;
  std::size_t maxArgs;
  const char* arguments;  // the positional arguments as the usage shows them
  const char* summary;
  std::vector<OptionEntry> options;
  // Words the first argument takes, for completion ("" when it is free text).
  const char* firstWords = "";
  CommandHandler run = nullptr;
  CommandNeeds needs = CommandNeeds::Reader;
  // Runs on every port of a many-ports call: it talks to one reader and ends on its own.
  bool manyPorts = false;
  CommandJson json = CommandJson::Own;
};

std::span<const CommandEntry> Commands();
const CommandEntry* FindCommand(std::string_view name);

// The options that go before or after any command.
std::span<const OptionEntry> GlobalOptions();

// The whole usage (`tagline --help`).
std::string UsageText();

// A completion script for `shell` ("bash" or "zsh"); empty for another shell.
std::string CompletionScript(std::string_view shell);

}  // namespace tagline::cli
