// SPDX-License-Identifier: Apache-2.0
// Translation of the Win32-style line settings into termios.
#pragma once

#include <termios.h>

#include "platform/comm.h"

namespace tagline::platform {

// Raw mode plus the byte size, parity, stop bits, flow control and (where termios has
// a constant for it) the baud rate of `dcb`. False for values no driver takes.
bool ToTermios(const Dcb& dcb, termios& tio);

}  // namespace tagline::platform
