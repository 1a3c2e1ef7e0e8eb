// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <sstream>

#include "cli/cli_commands.h"

namespace tagline::cli {

namespace {

// Every option of every command, gathered while CLI11 parses; checked afterwards against
// the command's own counts and rules, with the messages users know.
struct Collected {
  CliOptions options;
  std::vector<std::string> args;
};

void AddCommand(CLI::App& app, const CommandEntry& entry, Collected& collected) {
  CLI::App* sub = app.add_subcommand(entry.name, entry.summary);
  sub->set_help_flag("--help,-h", "the options of this command");
  // The options of the program may also follow the command.
  sub->fallthrough();
  const std::string arguments = *entry.arguments != '\0' ? entry.arguments : "(none)";
  if (entry.maxArgs > 0) {
    sub->add_option("ARGUMENTS", collected.args, arguments)->expected(0, -1)->type_name("");
  }
  for (const OptionEntry& option : entry.options) {
    const std::string name = option.name;
    if (option.valueName == nullptr) {
      sub->add_flag_callback(
          "--" + name, [&collected, name] { collected.options.flags.insert(name); }, option.help);
    } else {
      sub->add_option_function<std::string>(
             "--" + name,
             [&collected, name](const std::string& value) {
               collected.options.values[name] = value;
             },
             option.help)
          ->type_name(option.valueName);
    }
  }
}

// What the command's own counts and rules say against the options; nothing when they hold.
std::optional<std::string> CommandProblem(const CliOptions& options) {
  const CommandEntry* command = FindCommand(options.command);
  if (options.args.size() < command->minArgs || options.args.size() > command->maxArgs) {
    return options.command + ": wrong number of arguments";
  }
  for (const OptionEntry& option : command->options) {
    if (option.required && !options.Value(option.name)) {
      return options.command + " needs --" + option.name + " " + option.valueName;
    }
  }
  if (options.command == "classify" && options.args.empty() == !options.Has("batch")) {
    return "classify takes one text or --batch";
  }
  if (options.command == "convert" && options.Has("batch") != (options.args.size() == 1)) {
    return "convert takes NAME CODE, or NAME --batch";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CliOptions::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<long long> NumberOption(const CliOptions& options, const std::string& name,
                                      long long min, long long max, long long fallback,
                                      std::string& error) {
  const auto text = options.Value(name);
  if (!text) return fallback;
  long long value = 0;
  const char* end = text->data() + text->size();
  const auto [ptr, ec] = std::from_chars(text->data(), end, value);
  if (ec != std::errc() || ptr != end || text->empty() || value < min || value > max) {
    error = "--" + name + " takes a whole number from " + std::to_string(min) + " to " +
            std::to_string(max);
    return std::nullopt;
  }
  return value;
}

std::string ProgramVersionText() {
  return std::string("tagline ") + TAGLINE_VERSION;
}

ParseResult ParseCommandLine(const std::vector<std::string>& argv) {
  const auto fail = [](std::string message) {
    return ParseResult{std::nullopt, std::move(message), std::nullopt};
  };
  Collected collected;
  CliOptions& options = collected.options;
  CLI::App app("Tagline Console on the command line", "tagline");
  app.set_help_flag();  // the whole usage is ours; commands get CLI11's help
  bool help = false;
  app.add_flag("--help,-h", help);
  app.add_option("--ini", options.iniPath);
  app.add_option("--port", options.ports)
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--ports-from", options.portsFrom);
  app.add_flag("--simulate", options.simulate);
  app.add_option("--version", options.version)->expected(0, 1);
  app.add_flag("--json", options.json);
  app.add_option("--trace", options.trace);
  app.add_option("--trace-limit", options.traceLimitMb)->check(CLI::Range(1, 1000000));
  app.require_subcommand(0, 1);
  for (const CommandEntry& entry : Commands()) AddCommand(app, entry, collected);

  std::vector<std::string> reversed(argv.rbegin(), argv.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    std::ostringstream out;
    std::ostringstream err;
    app.exit(e, out, err);
    return ParseResult{std::nullopt, {}, out.str()};
  } catch (const CLI::ParseError& e) {
    // An unknown word where the command belongs is named as such.
    if (app.get_subcommands().empty()) {
      for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (arg == "--ini" || arg == "--port" || arg == "--ports-from" || arg == "--version" ||
            arg == "--trace" || arg == "--trace-limit") {
          ++i;
        }
        if (arg.starts_with('-')) continue;
        if (FindCommand(arg) == nullptr) return fail("unknown command " + arg);
        break;
      }
    }
    return fail(e.what());
  }

  const auto chosen = app.get_subcommands();
  if (help) return ParseResult{std::nullopt, {}, UsageText()};
  // CLI11 gives "--version" without a text an empty one, as it gives "--version ''".
  bool versionAlone = false;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (argv[i] == "--version")
      versionAlone = i + 1 == argv.size() || argv[i + 1].starts_with("--");
  }
  if (versionAlone) options.version.reset();
  if (versionAlone && chosen.empty()) {
    return ParseResult{std::nullopt, {}, ProgramVersionText() + "\n"};
  }
  if (chosen.empty()) return fail("no command given");
  options.command = chosen.front()->get_name();
  options.args = std::move(collected.args);
  if (versionAlone) return fail("--version needs a text");
  if (options.version && !options.simulate) return fail("--version goes with --simulate");
  if (options.ports.size() == 1 && !options.portsFrom) options.port = options.ports.front();
  if (options.simulate && (!options.ports.empty() || options.portsFrom)) {
    return fail("--simulate and --port exclude each other");
  }
  if (const auto problem = CommandProblem(options)) return fail(*problem);
  return ParseResult{std::move(options), {}, std::nullopt};
}

}  // namespace tagline::cli
