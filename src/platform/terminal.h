// SPDX-License-Identifier: Apache-2.0
// Whether output goes to a person at a terminal or into a file or pipe.
#pragma once

namespace tagline::platform {

bool StderrIsTerminal();

}  // namespace tagline::platform
