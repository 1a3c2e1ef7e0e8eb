// SPDX-License-Identifier: Apache-2.0
#include "serial/frame.h"

namespace tagline::serial {

void Crc16Update(unsigned int& crc, unsigned char byte) {
  for (int i = 0; i < 8; ++i) {
    const unsigned bit = (byte >> i) & 1u;
    if (bit != (crc & 1u)) {
      crc = (crc >> 1) ^ 0x8408u;
    } else {
      crc >>= 1;
    }
  }
}

unsigned int Crc16(std::string_view text) {
  unsigned int crc = 0;
  for (const char c : text) Crc16Update(crc, static_cast<unsigned char>(c));
  return crc;
}

char HexDigit(unsigned int value) {
  return static_cast<char>(value > 9 ? value + 55 : value + 48);
}

std::string CrcDigits(std::string_view text) {
  const unsigned crc = Crc16(text);
  return {HexDigit((crc >> 12) & 0xF), HexDigit((crc >> 8) & 0xF), HexDigit((crc >> 4) & 0xF),
          HexDigit(crc & 0xF)};
}

std::string FrameCommand(std::string_view command) {
  std::string frame;
  frame.reserve(command.size() + 6);
  frame += kStx;
  frame += command;
  frame += CrcDigits(command);
  frame += kEtx;
  return frame;
}

std::optional<std::string> UnframeReply(std::string_view reply) {
  if (reply.size() < 6 || reply.front() != kStx || reply.back() != kEtx) return std::nullopt;
  const std::string_view data = reply.substr(1, reply.size() - 6);
  if (reply.substr(reply.size() - 5, 4) != CrcDigits(data)) return std::nullopt;
  return std::string(data);
}

}  // namespace tagline::serial
