// SPDX-License-Identifier: Apache-2.0
// Bytes from a device shown where a control byte would act: in a pane note, on a terminal.
// A byte that cannot be shown as it is appears as "\x1b".
#pragma once

#include <string>
#include <string_view>

namespace tagline::platform {

// Control bytes (below 0x20, and DEL) as "\xHH"; every other byte as it is.
std::string EscapeControlBytes(std::string_view text);

// What a terminal may be given: printable ASCII, line feeds, CR LF and tabs, and whole UTF-8
// sequences of printable characters. Everything else, C0 and C1 controls, DEL and bytes
// that are not UTF-8, as "\xHH": a device cannot retitle, clear or reprogram the
// user's terminal through it.
std::string TerminalSafeText(std::string_view text);

}  // namespace tagline::platform
