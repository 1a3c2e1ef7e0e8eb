// SPDX-License-Identifier: Apache-2.0
// Finding the machine's serial ports from sysfs.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tagline::platform {

// Tells whether a legacy UART slot (driver serial8250) has a chip behind it.
using UartProbe = std::function<bool(const std::string& deviceName)>;

// The tty devices under `sysClassTty` (normally /sys/class/tty) that have a device
// driver behind them, in name order. The 8250 driver registers placeholder ports for
// slots with no hardware; those count only when `probe` finds a UART.
std::vector<std::string> EnumerateSerialPorts(const std::string& sysClassTty,
                                              const UartProbe& probe);

// Asks the driver of /dev/<deviceName> whether a UART is present (TIOCGSERIAL).
bool ProbeUartPresent(const std::string& deviceName);

}  // namespace tagline::platform
