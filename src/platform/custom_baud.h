// SPDX-License-Identifier: Apache-2.0
// Baud rates outside the termios constants (14400, 56000, 128000, 256000, ...).
#pragma once

#include <cstdint>

namespace tagline::platform {

// Sets both directions of an open terminal to `baud` through the arbitrary-rate
// interface (termios2, BOTHER). Returns false with errno set on failure.
bool SetCustomBaudRate(int fd, std::uint32_t baud);

// Reads the output rate as a number; 0 with errno set on failure.
std::uint32_t GetBaudRate(int fd);

}  // namespace tagline::platform
