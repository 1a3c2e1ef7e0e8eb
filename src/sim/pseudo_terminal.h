// SPDX-License-Identifier: Apache-2.0
// The pseudo-terminal pair the simulated reader sits on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/unique_fd.h"

namespace tagline::sim {

struct PseudoTerminal {
  UniqueFd master;  // non-blocking; the reader's end
  UniqueFd slave;   // held open so the master never sees a hang-up between program opens
  std::string slavePath;
};

// Opens a master/slave pair and puts the slave into raw mode at 19200 baud.
// On failure returns nothing and describes the failing step in `error`.
std::optional<PseudoTerminal> OpenPseudoTerminal(std::string& error);

// The slave's output baud rate as seen through the master, or 0 when it is not one of the
// standard rates (or cannot be read).
std::uint32_t SlaveBaudRate(int masterFd);

// Bits a byte takes on the slave's line: start bit, data bits, parity bit if any, stop
// bits. 10 (8N1) when the settings cannot be read.
std::uint32_t SlaveBitsPerByte(int masterFd);

// Numeric rate of a termios speed constant; 0 for anything unknown.
std::uint32_t BaudFromSpeed(unsigned speed);

}  // namespace tagline::sim
