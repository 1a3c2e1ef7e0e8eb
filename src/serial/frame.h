// SPDX-License-Identifier: Apache-2.0
// Command framing: STX, command text, four CRC-16 (KERMIT) digits, ETX.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tagline::serial {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kAck = 0x06;
inline constexpr char kBel = 0x07;
inline constexpr char kCr = 0x0D;
inline constexpr char kNak = 0x15;

// Updates the CRC register by one byte: reflected polynomial 0x8408, LSB first.
void Crc16Update(unsigned int& crc, unsigned char byte);

// CRC over a whole text, register starting at 0, no final XOR.
unsigned int Crc16(std::string_view text);

// 0..15 -> '0'..'9', 'A'..'F'.
char HexDigit(unsigned int value);

// The four upper-case hex digits of the CRC of `text`, most significant first.
std::string CrcDigits(std::string_view text);

std::string FrameCommand(std::string_view command);

// The data of a reply frame (STX, data, four CRC digits, ETX) whose CRC digits match its
// data; nothing for anything else.
std::optional<std::string> UnframeReply(std::string_view reply);

}  // namespace tagline::serial
