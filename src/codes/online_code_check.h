// SPDX-License-Identifier: Apache-2.0
// What of a received ONLINE frame may reach the keyboard. The reader is a device on a cable,
// and whatever it sends ends up as key presses in the focused application: only a whole
// code whose frame holds is typed, and only when it looks like a tag code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tagline::codes {

// A code longer than this is no tag code (the longest decoded form has 20 characters).
inline constexpr std::size_t kMaxTypedCodeLength = 64;

enum class FrameCrc {
  Valid,    // the last four characters were the CRC of the rest; they are taken off
  None,     // the frame carries no CRC (CR frames, or ETX frames of readers without one)
  Damaged,  // an ETX frame whose CRC does not hold: not a code at all
};

struct CheckedFrame {
  std::string code;
  FrameCrc crc = FrameCrc::None;
};

// `text` is an ETX frame's content without its control bytes. Its last four characters are
// its CRC when they are the CRC digits of what precedes them. A frame that ends in four hex
// digits that are not its CRC is damaged; so is a frame without a CRC once a valid one was
// seen on the port (`crcSeen`): that reader sends them.
CheckedFrame CheckEtxFrame(std::string text, bool crcSeen);

// Hex and decimal digits and the blank, "_" and "." of the decoded forms, 1 to
// kMaxTypedCodeLength characters.
bool IsPlausibleCode(std::string_view code);

// The text without control bytes (below 0x20, and DEL).
std::string WithoutControlBytes(std::string text);

}  // namespace tagline::codes
