#include "cli/cli_options.h"

#include <charconv>

namespace tagline::cli {

namespace {

bool ParseNumber(const std::string& text, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool IsKnownCommand(const std::string& command) {
  return command == "ports" || command == "portinfo" || command == "frame" || command == "send" ||
         command == "listen" || command == "version" || command == "classify";
}

}  // namespace

const char* UsageText() {
  return "usage: tagline [--ini PATH] [--port NAME] [--simulate [--version TEXT]] COMMAND\n"
         "commands:\n"
         "  ports                                   list the serial ports\n"
         "  frame TEXT                              show the frame of a command as hex bytes\n"
         "  send TEXT [--protocol 0|1|2] [--listen MS]\n"
         "                                          send like the Send button, then show what\n"
         "                                          arrives within MS milliseconds\n"
         "  listen --ms MS                          show what the reader sends for MS ms\n"
         "  version                                 the SV button: the reader's version and model\n"
         "  classify TEXT | classify --batch        the reader model of a version text (batch:\n"
         "                                          one text per input line)\n"
         "  portinfo                                what the system knows about each port\n"
         "With no port configured (no --port, no port in the settings file) the simulated\n"
         "reader is used.\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& argv) {
  CliOptions options;
  const auto fail = [](std::string message) {
    return ParseResult{std::nullopt, std::move(message)};
  };

  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= argv.size()) return false;
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--ini") {
      if (!value(options.iniPath)) return fail("--ini needs a path");
    } else if (arg == "--port") {
      if (!value(text)) return fail("--port needs a port name");
      options.port = text;
    } else if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg == "--version") {
      if (!value(text)) return fail("--version needs a text");
      options.version = text;
    } else if (arg == "--protocol") {
      std::uint32_t protocol = 0;
      if (!value(text) || !ParseNumber(text, protocol) || protocol > 2) {
        return fail("--protocol takes 0, 1 or 2");
      }
      options.protocol = static_cast<int>(protocol);
    } else if (arg == "--batch") {
      options.batch = true;
    } else if (arg == "--listen" || arg == "--ms") {
      if (!value(text) || !ParseNumber(text, options.listenMs)) {
        return fail(arg + " takes a number of milliseconds");
      }
      options.listenGiven = true;
    } else if (arg.size() > 1 && arg.front() == '-' && arg != "-") {
      return fail("unknown option " + arg);
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.args.push_back(arg);
    }
  }

  if (options.command.empty()) return fail("no command given");
  if (!IsKnownCommand(options.command)) return fail("unknown command " + options.command);
  if (options.version && !options.simulate) return fail("--version goes with --simulate");
  if (options.simulate && options.port) return fail("--simulate and --port exclude each other");
  if (options.batch && options.command != "classify") return fail("--batch goes with classify");
  const bool takesText = options.command == "frame" || options.command == "send" ||
                         (options.command == "classify" && !options.batch);
  const std::size_t wanted = takesText ? 1 : 0;
  if (options.args.size() != wanted) {
    return fail(options.command + (wanted ? " takes one text" : " takes no text"));
  }
  if (options.protocol && options.command != "send") return fail("--protocol goes with send");
  if (options.command == "listen" && !options.listenGiven) return fail("listen needs --ms MS");
  if (options.listenGiven && options.command != "send" && options.command != "listen") {
    return fail("--listen/--ms go with send or listen");
  }
  return ParseResult{std::move(options), {}};
}

}  // namespace tagline::cli
