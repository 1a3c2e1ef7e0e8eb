// SPDX-License-Identifier: Apache-2.0
#include <io.h>

#include "platform/terminal.h"

namespace tagline::platform {

bool StderrIsTerminal() {
  return _isatty(2) != 0;
}

}  // namespace tagline::platform
