// The commands of `tagline` in one table: the parser, the help texts and the shell
// completions are all made from it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::cli {

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
