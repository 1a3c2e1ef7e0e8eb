// SPDX-License-Identifier: Apache-2.0
// Records as an attribute-sheet reader keeps them: token, date, time, code length digit,
// code, type and text, 45 characters.
#pragma once

#include <string>
#include <vector>

namespace tagline {

inline const std::vector<std::string> kSampleRecords = {
    "#070326101500F9180451CBE991A146Cow 1         ",
    "A080326111501F0123456789ABCDEF1Cow 2         ",
    "B0903261215027ABCDEF01FFFFFFFF3Trovan tag    ",
};

}  // namespace tagline
