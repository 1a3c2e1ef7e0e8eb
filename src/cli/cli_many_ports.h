// SPDX-License-Identifier: Apache-2.0
// One command on many readers at once: `tagline --port A --port B ... COMMAND`.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "cli/cli_options.h"

namespace tagline::cli {

// Whether the options name more than one port (or a file of ports).
bool ManyPorts(const CliOptions& options);

// Runs the command on every port, each in a controller of its own with its own settings
// copy; prints each port's lines with the port in front (JSON objects carry it inside),
// then a line counting the ports OK and failed. The exit code is the highest of the ports'.
int RunOnPorts(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

// A port's name as it may stand in a file name: the last part of its path, anything but
// letters, digits, ".", "-" and "_" made "_".
std::string PortTag(const std::string& port);

}  // namespace tagline::cli
