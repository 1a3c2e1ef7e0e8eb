#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

namespace tagline::cli {

namespace {

struct CommandSpec {
  const char* name;
  std::size_t minArgs;
  std::size_t maxArgs;
  std::initializer_list<const char*> valueOptions;
  std::initializer_list<const char*> flagOptions;
};

const CommandSpec kCommands[] = {
    {"ports", 0, 0, {}, {}},
    {"portinfo", 0, 0, {}, {}},
    {"frame", 1, 1, {}, {}},
    {"send", 1, 1, {"protocol", "listen"}, {}},
    {"listen", 0, 0, {"ms"}, {}},
    {"version", 0, 0, {}, {}},
    {"classify", 0, 1, {}, {"batch"}},
    {"tag", 0, 0, {"repeat", "interval"}, {}},
    {"convert", 1, 2, {"order"}, {"batch"}},
    {"online", 0, 0, {"keyboard", "log", "seconds"}, {}},
    {"comm", 0, 1, {}, {}},
    {"dbtest", 0, 0, {}, {}},
    {"clock", 0, 0, {}, {"set"}},
    {"param", 1, 2, {}, {}},
    {"numeric", 1, 2, {}, {}},
    {"tagtypes", 0, 1, {}, {}},
    {"params", 0, 0, {}, {}},
    {"db", 1, 2, {}, {}},
    {"settings", 0, 3, {}, {}},
    {"factory-default",
     0,
     0,
     {"language", "interface", "antenna", "serial", "delete-attributes"},
     {}},
};

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& entry : kCommands) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

bool Contains(std::initializer_list<const char*> list, const std::string& name) {
  return std::any_of(list.begin(), list.end(), [&](const char* n) { return name == n; });
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

const char* UsageText() {
  return "usage: tagline [--ini PATH] [--port NAME] [--simulate [--version TEXT]] COMMAND\n"
         "commands:\n"
         "  ports                                list the serial ports\n"
         "  portinfo                             what the system knows about each port\n"
         "  frame TEXT                           the frame of a command as hex bytes\n"
         "  send TEXT [--protocol 0|1|2] [--listen MS]\n"
         "                                       the Send button, then the receive poll\n"
         "  listen --ms MS                       what the reader sends for MS ms\n"
         "  version                              the SV button: version text and model\n"
         "  classify TEXT | classify --batch     the model of a version text (batch: stdin)\n"
         "  tag [--repeat N] [--interval MS]     the GT button, N times\n"
         "  convert NAME CODE | NAME --batch [--order numeric|transmission]\n"
         "                                       an ONLINE conversion or a decoder\n"
         "  online [--keyboard auto|x11|uinput|stdout|none] [--log FILE] [--seconds S]\n"
         "                                       ONLINE mode: type the codes the reader sends\n"
         "  comm [on|off]                        the XT button; on sends s22400, off XT\n"
         "  dbtest                               the DB Test button\n"
         "  clock [--set]                        read the reader's clock, or set it\n"
         "  param NAME [LABEL]                   a selection parameter: write, or read\n"
         "  numeric NAME [VALUE]                 a numeric parameter: write, or read\n"
         "  tagtypes [NAMES|none]                the tag types (comma-separated), or read\n"
         "  params                               the parameter names of the reader's model\n"
         "  db read PATH | db write PATH | db clear\n"
         "                                       the reader's tag database to or from a file\n"
         "  settings [set KEY VALUE]             show the settings, or change one as the\n"
         "                                       Settings dialog does (a line change reopens)\n"
         "  factory-default [--language english|deutsch|none] [--interface CHOICE|none]\n"
         "                  [--antenna ferrite|aircoil|none] [--serial DDDDD|none]\n"
         "                  [--delete-attributes yes|no]\n"
         "                                       the reader's factory settings (CHOICE: "
         "usb-rs232,\n"
         "                                       usb-rs232-bluetooth, rs232, usb, "
         "rs232-bluetooth,\n"
         "                                       usb-bluetooth)\n"
         "With no port configured (no --port, no port in the settings file) the simulated\n"
         "reader is used.\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& argv) {
  CliOptions options;
  const auto fail = [](std::string message) {
    return ParseResult{std::nullopt, std::move(message)};
  };
  std::vector<std::pair<std::string, std::optional<std::string>>> commandOptions;

  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    const auto next = [&]() -> std::optional<std::string> {
      if (i + 1 >= argv.size()) return std::nullopt;
      return argv[++i];
    };
    if (arg == "--ini") {
      const auto v = next();
      if (!v) return fail("--ini needs a path");
      options.iniPath = *v;
    } else if (arg == "--port") {
      options.port = next();
      if (!options.port) return fail("--port needs a port name");
    } else if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg == "--version") {
      options.version = next();
      if (!options.version) return fail("--version needs a text");
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      const std::string name = arg.substr(2);
      // Whether it takes a value is known once the command is; commands come first.
      const CommandSpec* command = FindCommand(options.command);
      if (command != nullptr && Contains(command->valueOptions, name)) {
        const auto v = next();
        if (!v) return fail(arg + " needs a value");
        options.values[name] = *v;
      } else if (command != nullptr && Contains(command->flagOptions, name)) {
        options.flags.insert(name);
      } else {
        return fail("unknown option " + arg +
                    (options.command.empty() ? "" : " for " + options.command));
      }
    } else if (options.command.empty()) {
      options.command = arg;
      if (FindCommand(arg) == nullptr) return fail("unknown command " + arg);
    } else {
      options.args.push_back(arg);
    }
  }

  if (options.command.empty()) return fail("no command given");
  if (options.version && !options.simulate) return fail("--version goes with --simulate");
  if (options.simulate && options.port) return fail("--simulate and --port exclude each other");
  const CommandSpec* command = FindCommand(options.command);
  if (options.args.size() < command->minArgs || options.args.size() > command->maxArgs) {
    return fail(options.command + ": wrong number of arguments");
  }
  if (options.command == "listen" && !options.Value("ms")) return fail("listen needs --ms MS");
  if (options.command == "classify" && options.args.empty() == !options.Has("batch")) {
    return fail("classify takes one text or --batch");
  }
  if (options.command == "convert" && options.Has("batch") != (options.args.size() == 1)) {
    return fail("convert takes NAME CODE, or NAME --batch");
  }
  return ParseResult{std::move(options), {}};
}

}  // namespace tagline::cli
