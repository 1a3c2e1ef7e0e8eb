// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_commands.h"

#include <algorithm>

#include "cli/cli_handlers.h"

namespace tagline::cli {

namespace {

using N = CommandNeeds;
using J = CommandJson;
constexpr bool kManyPorts = true;
constexpr bool kOnePort = false;

const std::vector<CommandEntry>& Table() {
  static const std::vector<CommandEntry> table = {
      {"ports", 0, 0, "", "list the serial ports", {}, "", RunPorts, N::Nothing},
      {"portinfo",
       0,
       0,
       "",
       "what the system knows about each port",
       {},
       "",
       RunPortInfo,
       N::Nothing},
      {"frame", 1, 1, "TEXT", "the frame of a command as hex bytes", {}, "", RunFrame, N::Nothing},
      {"send",
       1,
       1,
       "TEXT",
       "the Send button, then the receive poll",
       {{"protocol", "0|1|2",
         "how the text is sent: 0 framed, 1 with CR, 2 as typed (default: the settings')"},
        {"listen", "MS", "run the receive poll for MS ms afterwards"},
        {"hex", nullptr, "show the reply's bytes in hex, one reply a line"},
        {"timestamps", nullptr, "begin each line with its local time"}},
       "",
       RunSend},
      {"listen",
       0,
       0,
       "",
       "what the reader sends for MS ms",
       {{"ms", "MS", "how long to listen", true},
        {"hex", nullptr, "show the bytes in hex, one reply a line"},
        {"timestamps", nullptr, "begin each line with its local time"},
        {"reconnect", nullptr, "when the port is lost, wait for it to come back and go on"}},
       "",
       RunListen},
      {"version",
       0,
       0,
       "",
       "the SV button: version text and model",
       {},
       "",
       RunVersion,
       N::Reader,
       kManyPorts},
      {"classify",
       0,
       1,
       "[TEXT]",
       "the model of a version text (batch: one text a line on stdin)",
       {{"batch", nullptr, "classify the lines of standard input"}},
       "",
       RunClassify,
       N::Nothing},
      {"tag",
       0,
       0,
       "",
       "the GT button, N times",
       {{"repeat", "N", "how many reads (default 1)"},
        {"interval", "MS", "pause between reads (default 200)"}},
       "",
       RunTag,
       N::Reader,
       kOnePort,
       J::ButtonResult},
      {"convert",
       1,
       2,
       "NAME [CODE]",
       "an ONLINE conversion or a decoder (batch: one code a line on stdin)",
       {{"batch", nullptr, "convert the lines of standard input"},
        {"order", "numeric|transmission", "the bit order of the code (default numeric)"}},
       "",
       RunConvert,
       N::Nothing},
      {"trace",
       2,
       2,
       "show FILE",
       "a trace of the line (--trace FILE) decoded: commands, replies, times, faults",
       {},
       "show",
       RunTrace,
       N::Nothing},
      {"online",
       0,
       0,
       "",
       "ONLINE mode: type the codes the reader sends",
       {{"keyboard", "auto|x11|uinput|stdout|none", "how the codes are typed (default auto)"},
        {"log", "FILE", "the protocol file of the typed characters"},
        {"layout", "NAME", "the keyboard layout uinput types with, e.g. de or ch(fr)"},
        {"type-any-text", nullptr, "type texts that are no tag codes too (unsafe)"},
        {"timestamps", nullptr, "begin each line of the echo with its local time"},
        {"reconnect", nullptr, "when the port is lost, wait for it to come back and go on"},
        {"seconds", "S", "stop after S seconds (default: at Ctrl+C)"}},
       "",
       RunOnline},
      {"comm",
       0,
       1,
       "[on|off]",
       "the XT button; on sends s22400, off XT",
       {},
       "on off",
       RunComm,
       N::Reader,
       kOnePort,
       J::ButtonResult},
      {"dbtest",
       0,
       0,
       "",
       "the DB Test button",
       {},
       "",
       RunDbTest,
       N::Reader,
       kOnePort,
       J::ButtonResult},
      {"clock",
       0,
       0,
       "",
       "read the reader's clock, or set it",
       {{"set", nullptr, "set the clock to this computer's time"}},
       "",
       RunClock,
       N::Reader,
       kManyPorts,
       J::ButtonResult},
      {"param",
       1,
       2,
       "NAME [LABEL]",
       "a selection parameter: write, or read",
       {},
       "",
       RunParam,
       N::Reader,
       kManyPorts,
       J::ButtonResult},
      {"numeric",
       1,
       2,
       "NAME [VALUE]",
       "a numeric parameter: write, or read",
       {},
       "",
       RunNumeric,
       N::Reader,
       kManyPorts,
       J::ButtonResult},
      {"tagtypes",
       0,
       1,
       "[NAMES|none]",
       "the tag types (comma-separated), or read",
       {},
       "",
       RunTagTypes,
       N::Reader,
       kManyPorts,
       J::ButtonResult},
      {"params",
       0,
       0,
       "",
       "the parameter names of the reader's model",
       {},
       "",
       RunParams,
       N::Reader,
       kOnePort,
       J::ButtonResult},
      {"db",
       1,
       2,
       "read PATH | write PATH | clear",
       "the reader's tag database to or from a file",
       {{"verify", nullptr, "check every transfer: read twice, or read back what was written"},
        {"backup", "DIR", "save the reader's records in DIR before they are erased"}},
       "read write clear",
       RunDb,
       N::Reader,
       kManyPorts},
      {"config",
       2,
       2,
       "save FILE | apply FILE | diff FILE",
       "the reader's parameters saved into a profile, applied from one and read back, or "
       "compared with one",
       {{"force", nullptr, "apply a profile of another model to what this reader offers"},
        {"dry-run", nullptr, "print the commands apply would send, and send none"},
        {"factory-default", nullptr,
         "run the factory default first, with the profile's answers (the factory-default "
         "options below override them; given to save, they are kept in the profile)"},
        {"language", "english|deutsch|none", "as factory-default's"},
        {"interface", "usb-rs232|usb-rs232-bluetooth|rs232|usb|rs232-bluetooth|usb-bluetooth|none",
         "as factory-default's"},
        {"antenna", "ferrite|aircoil|none", "as factory-default's"},
        {"serial", "DDDDD|none", "as factory-default's"},
        {"delete-attributes", "yes|no", "as factory-default's"},
        {"backup", "DIR", "as factory-default's"}},
       "save apply diff",
       RunConfig,
       N::Reader,
       kManyPorts},
      {"settings",
       0,
       3,
       "[set KEY VALUE]",
       "show the settings, or change one as the Settings dialog does (a line change reopens)",
       {},
       "set",
       RunSettings,
       N::Settings},
      {"factory-default",
       0,
       0,
       "",
       "the reader's factory settings",
       {{"language", "english|deutsch|none", "the language dialog's answer (default english)"},
        {"interface", "usb-rs232|usb-rs232-bluetooth|rs232|usb|rs232-bluetooth|usb-bluetooth|none",
         "the interface dialog's answer (default none: closed)"},
        {"antenna", "ferrite|aircoil|none", "the antenna dialog's answer (default none)"},
        {"serial", "DDDDD|none", "the serial number to write (default none)"},
        {"delete-attributes", "yes|no", "clear the attributes too (default no)"},
        {"backup", "DIR", "save the reader's records in DIR before they are erased"}},
       "",
       RunFactoryDefault,
       N::Reader,
       kManyPorts},
      {"completion",
       1,
       1,
       "bash|zsh",
       "a completion script for the shell",
       {},
       "bash zsh",
       RunCompletion,
       N::Nothing},
  };
  return table;
}

const std::vector<OptionEntry>& GlobalTable() {
  static const std::vector<OptionEntry> table = {
      {"ini", "PATH", "the settings file (default: Tagline_Console.ini here)"},
      {"port", "NAME",
       "the serial port for this run, instead of the settings file's; given more than once, "
       "the command runs on every port at once"},
      {"ports-from", "FILE", "the ports to run the command on, one a line"},
      {"simulate", nullptr, "use the simulated reader"},
      {"version", "TEXT",
       "alone: the program's version; with --simulate: the version text "
       "the simulated reader reports"},
      {"json", nullptr, "print each result as one JSON object"},
      {"trace", "FILE",
       "record every byte on the line into FILE, with times (appended; {port} stands for the "
       "port's name)"},
      {"trace-limit", "MB", "the trace's size limit (default 100): past it the oldest events go"},
      {"help", nullptr, "this text; after a command: the command's options"},
  };
  return table;
}

std::string OptionSynopsis(const OptionEntry& option) {
  std::string text = std::string("--") + option.name;
  if (option.valueName != nullptr) text += std::string(" ") + option.valueName;
  return option.required ? text : "[" + text + "]";
}

// Words joined to lines of at most `width` characters; later lines start with `indent`.
std::string Wrap(const std::vector<std::string>& words, std::size_t width,
                 const std::string& indent) {
  std::string text;
  std::size_t column = 0;
  for (const std::string& word : words) {
    if (column > 0 && column + 1 + word.size() > width) {
      text += "\n" + indent;
      column = indent.size();
    } else if (column > 0) {
      text += ' ';
      ++column;
    }
    text += word;
    column += word.size();
  }
  return text;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = std::min(text.find(' ', begin), text.size());
    if (end > begin) words.emplace_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return words;
}

// Every option name, "--" included, separated by blanks.
std::string OptionWords(const std::vector<OptionEntry>& options) {
  std::string words;
  for (const OptionEntry& option : options) {
    words += (words.empty() ? "--" : " --") + std::string(option.name);
  }
  return words;
}

// The values an option lists ("a|b|c"), blank-separated; empty for free values.
std::string ValueWords(const OptionEntry& option) {
  const std::string_view names = option.valueName == nullptr ? "" : option.valueName;
  if (names.find('|') == std::string_view::npos) return "";
  std::string words(names);
  std::replace(words.begin(), words.end(), '|', ' ');
  return words;
}

}  // namespace

std::span<const CommandEntry> Commands() {
  return Table();
}

const CommandEntry* FindCommand(std::string_view name) {
  for (const CommandEntry& command : Table()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

std::span<const OptionEntry> GlobalOptions() {
  return GlobalTable();
}

std::string UsageText() {
  constexpr std::size_t kSummaryColumn = 39;
  constexpr std::size_t kWidth = 86;
  std::string text =
      "usage: tagline [--ini PATH] [--port NAME] [--simulate [--version TEXT]] [--json] "
      "[--trace FILE] COMMAND\n"
      "       tagline [--ini PATH] --port NAME --port NAME ... | --ports-from FILE [--json] "
      "COMMAND\n"
      "       tagline --version | --help | COMMAND --help\n"
      "commands:\n";
  for (const CommandEntry& command : Table()) {
    std::vector<std::string> words = {command.name};
    for (auto& w : Words(command.arguments)) words.push_back(std::move(w));
    for (const OptionEntry& option : command.options) words.push_back(OptionSynopsis(option));
    const std::string indent(4 + std::string(command.name).size(), ' ');
    std::string line = "  " + Wrap(words, kWidth - 2, indent);
    const std::size_t lastLine = line.rfind('\n') + 1;  // npos + 1 == 0
    const std::size_t lastLength = line.size() - lastLine;
    std::string summary = Wrap(Words(command.summary), kWidth - kSummaryColumn, "");
    for (std::size_t at = summary.find('\n'); at != std::string::npos;
         at = summary.find('\n', at + 1)) {
      summary.insert(at + 1, kSummaryColumn, ' ');
    }
    if (lastLength + 1 < kSummaryColumn) {
      line += std::string(kSummaryColumn - lastLength, ' ') + summary;
    } else {
      line += "\n" + std::string(kSummaryColumn, ' ') + summary;
    }
    text += line + "\n";
  }
  text +=
      "A command for a reader needs its port (--port, or the settings file's; --simulate\n"
      "for the simulated reader). Exit codes: 0 done, 1 the reader refused or failed, 2\n"
      "usage error, 3 no port, a port that does not open or a line lost, 128 + N a job\n"
      "stopped by signal N at a safe point. On many ports the lines of each start with its port,\n"
      "{port} in an argument becomes the port's name, and the exit code is the highest of\n";
  std::vector<std::string> words = {"the", "ports'.", "Many", "ports", "take:"};
  std::vector<std::string> many;
  for (const CommandEntry& command : Table()) {
    if (command.manyPorts) many.emplace_back(command.name);
  }
  for (std::size_t i = 0; i < many.size(); ++i) {
    words.push_back(many[i] + (i + 1 == many.size() ? "." : ","));
  }
  text += Wrap(words, kWidth - 2, "") + "\n";
  return text;
}

std::string CompletionScript(std::string_view shell) {
  if (shell != "bash" && shell != "zsh") return "";
  std::string commands;
  for (const CommandEntry& command : Table()) {
    commands += (commands.empty() ? "" : " ") + std::string(command.name);
  }
  std::string script;
  if (shell == "zsh") {
    script += "#compdef tagline\nautoload -U +X bashcompinit && bashcompinit\n";
  }
  script += "# Completion for tagline; made by `tagline completion " + std::string(shell) +
            "`.\n"
            "_tagline() {\n"
            "  local cur prev command i\n"
            "  cur=${COMP_WORDS[COMP_CWORD]}\n"
            "  prev=${COMP_WORDS[COMP_CWORD-1]}\n"
            "  command=\n"
            "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
            "    case ${COMP_WORDS[i]} in\n"
            "      --ini|--port|--ports-from|--version|--trace|--trace-limit) ((i++)) ;;\n"
            "      -*) ;;\n"
            "      *) command=${COMP_WORDS[i]}; break ;;\n"
            "    esac\n"
            "  done\n"
            "  case $prev in\n"
            "    --ini|--ports-from|--trace) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
            "    --port) COMPREPLY=($(compgen -W \"$(tagline ports 2>/dev/null)\" -- \"$cur\")); "
            "return ;;\n"
            "  esac\n"
            "  local globals=\"" +
            OptionWords(GlobalTable()) +
            "\"\n"
            "  if [[ -z $command ]]; then\n"
            "    COMPREPLY=($(compgen -W \"" +
            commands +
            " $globals\" -- \"$cur\"))\n"
            "    return\n"
            "  fi\n"
            "  case $command in\n";
  for (const CommandEntry& command : Table()) {
    script += "    " + std::string(command.name) + ")\n      case $prev in\n";
    for (const OptionEntry& option : command.options) {
      if (option.valueName == nullptr) continue;
      const std::string values = ValueWords(option);
      script += "        --" + std::string(option.name) + ") COMPREPLY=($(compgen " +
                (values.empty() ? std::string("-f") : "-W \"" + values + "\"") +
                " -- \"$cur\")); return ;;\n";
    }
    script += "      esac\n";
    const std::string first = command.firstWords;
    if (!first.empty()) {
      script += "      if [[ ${COMP_WORDS[COMP_CWORD-1]} == " + std::string(command.name) +
                " ]]; then COMPREPLY=($(compgen -W \"" + first + "\" -- \"$cur\")); return; fi\n";
    }
    script += "      COMPREPLY=($(compgen -W \"--help " + OptionWords(command.options) +
              " $globals\" -- \"$cur\"))\n      [[ $cur == -* ]] || COMPREPLY+=($(compgen -f -- "
              "\"$cur\"))\n      ;;\n";
  }
  script += "  esac\n}\ncomplete -F _tagline tagline\n";
  return script;
}

}  // namespace tagline::cli
