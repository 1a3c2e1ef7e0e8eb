// SPDX-License-Identifier: Apache-2.0
// The reader models told apart by the software-version reply. The numeric values are
// fixed: consumers switch on them and the main window stores the byte.
#pragma once

#include <cstdint>
#include <string_view>

namespace tagline::protocol {

enum class ReaderModel : std::int8_t {
  NoReply = 0,
  B21Vip = 1,
  KtrH9V2 = 2,
  KtrH9V3 = 3,
  B20 = 4,
  V20 = 5,
  Series6From630 = 6,
  Series6Below630 = 7,
  KtrH9V2Rev5 = 8,
  B21 = 9,
  V21 = 10,
  V22 = 11,
  S320 = 12,
  S321 = 13,
  Unrecognised = 14,
  KtrH9V40 = 15,
  KtrH9V42 = 16,
  KtrH9HfV11 = 17,
  Talvikko = 18,
  KtrH9HfV12 = 19,
  Fenra = 20,
  HfV1Recent = 21,
  V220011 = 22,
  V240000 = 23,
  V25 = 24,
  V26Build0 = 25,
  HfV43 = 26,
  V24 = 27,
  V26Build1 = 28,
  V27 = 29,
  V28 = 30,
  V29 = 31,
  KtrH9HfV43Build27 = 32,
  V26Build12 = 33,
  V26Build13 = 34,
  KtrH9HfV43Build39 = 35,
  KtrH9V43Build39 = 36,
  V29Rev5 = 37,
  KtrH9HfV10Cs3 = 38,
  V26Build18 = 39,
  V29Rev9 = 40,
  KtrH9V43Build54 = 41,
};

// Number of models; the valid values are 0 to kReaderModelCount - 1.
inline constexpr int kReaderModelCount = 42;

// The byte 0xFF, no model: the value the window's model byte showed for a failed step.
inline constexpr std::int8_t kFailedModel = -1;

// The enumerator's name, e.g. "KtrH9V2". A byte that is no model gives "Failed" for
// kFailedModel and "Invalid" for any other value, so a stored byte can always be shown.
std::string_view ReaderModelName(ReaderModel model);

}  // namespace tagline::protocol
