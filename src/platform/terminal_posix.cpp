// SPDX-License-Identifier: Apache-2.0
#include <unistd.h>

#include "platform/terminal.h"

namespace tagline::platform {

bool StderrIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

}  // namespace tagline::platform
