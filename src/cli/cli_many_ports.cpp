// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_many_ports.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_run.h"
#include "cli/json_output.h"
#include "platform/parallel_runs.h"

namespace tagline::cli {

namespace {

std::string Expanded(std::string text, const std::string& tag) {
  for (std::size_t at = text.find("{port}"); at != std::string::npos;
       at = text.find("{port}", at + tag.size())) {
    text.replace(at, 6, tag);
  }
  return text;
}

// The ports of --port and of the --ports-from file (blank lines and "#" comments skipped).
bool CollectPorts(const CliOptions& options, std::vector<std::string>& ports, std::ostream& err) {
  ports = options.ports;
  if (!options.portsFrom) return true;
  std::ifstream file(*options.portsFrom);
  if (!file) {
    err << "tagline: cannot read the port list " << *options.portsFrom << '\n';
    return false;
  }
  for (std::string line; std::getline(file, line);) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0) {
      line.pop_back();
    }
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    ports.push_back(line.substr(start));
  }
  return true;
}

}  // namespace

bool ManyPorts(const CliOptions& options) {
  return options.ports.size() > 1 || options.portsFrom.has_value();
}

std::string PortTag(const std::string& port) {
  std::string name = port.substr(port.find_last_of("/\\") + 1);  // npos + 1 == 0
  for (char& c : name) {
    const bool kept =
        std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
    if (!kept) c = '_';
  }
  return name.empty() ? "port" : name;
}

int RunOnPorts(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  const CommandEntry* command = FindCommand(options.command);
  if (command == nullptr || !command->manyPorts) {
    err << "tagline: " << options.command << " runs on one port at a time\n";
    return kExitUsage;
  }
  std::vector<std::string> ports;
  if (!CollectPorts(options, ports, err)) return kExitUsage;
  if (ports.empty()) {
    err << "tagline: no port to run " << options.command << " on\n";
    return kExitUsage;
  }
  // One trace a port: the events of two lines in one file could not be told apart.
  if (options.trace && options.trace->find("{port}") == std::string::npos) {
    err << "tagline: --trace needs {port} in its name when the command runs on several ports\n";
    return kExitUsage;
  }
  // Profiles saved from several readers would replace each other.
  if (options.command == "config" && options.args.size() == 2 && options.args[0] == "save" &&
      options.args[1].find("{port}") == std::string::npos) {
    err << "tagline: config save needs {port} in the file's name when it runs on several ports\n";
    return kExitUsage;
  }
  std::vector<std::string> tags;
  tags.reserve(ports.size());
  for (const std::string& port : ports) tags.push_back(PortTag(port));

  const auto task = [&](std::size_t i, std::ostream& taskOut, std::ostream& taskErr) {
    CliOptions one = options;
    one.port = ports[i];
    one.ports.clear();
    one.portsFrom.reset();
    for (std::string& arg : one.args) arg = Expanded(arg, tags[i]);
    if (one.trace) one.trace = Expanded(*one.trace, tags[i]);
    return RunCli(one, in, taskOut, taskErr);
  };
  const auto line = [&](std::size_t i, bool error, std::string_view text) {
    if (text.empty()) return;  // a port's blank lines tell nothing here
    if (options.json && !error) {
      out << text << '\n' << std::flush;  // the object names its port
    } else {
      (error ? err : out) << ports[i] << ": " << text << '\n' << std::flush;
    }
  };
  const std::vector<int> codes = platform::RunInParallel(ports.size(), task, line);

  std::vector<std::string> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] != kExitOk) failed.push_back(ports[i]);
  }
  const std::size_t okCount = ports.size() - failed.size();
  if (options.json) {
    out << JsonObject()
               .Text("command", options.command)
               .Number("ports", static_cast<long long>(ports.size()))
               .Number("portsOk", static_cast<long long>(okCount))
               .Raw("failed", JsonStringArray(failed))
               .Dump()
        << '\n';
  } else {
    out << "ports: " << okCount << " OK, " << failed.size() << " failed";
    for (std::size_t i = 0; i < failed.size(); ++i) out << (i == 0 ? " (" : ", ") << failed[i];
    out << (failed.empty() ? "" : ")") << '\n';
  }
  return codes.empty() ? kExitUsage : *std::max_element(codes.begin(), codes.end());
}

}  // namespace tagline::cli
