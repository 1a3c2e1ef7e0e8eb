// SPDX-License-Identifier: Apache-2.0
// Whether the OS has pseudo-terminals, which the simulated reader runs on. Where it has none
// the simulator is not built, so code that uses it must be left out by the preprocessor.
#pragma once

#ifdef _WIN32
#define TAGLINE_HAS_PSEUDO_TERMINALS 0
#else
#define TAGLINE_HAS_PSEUDO_TERMINALS 1
#endif
