// SPDX-License-Identifier: Apache-2.0
#include "codes/online_code_check.h"

#include <algorithm>

#include "serial/frame.h"

namespace tagline::codes {

namespace {

constexpr std::size_t kCrcLength = 4;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

CheckedFrame CheckEtxFrame(std::string text, bool crcSeen) {
  if (text.size() > kCrcLength) {
    const std::string_view data(text.data(), text.size() - kCrcLength);
    const std::string_view digits(text.data() + data.size(), kCrcLength);
    if (digits == serial::CrcDigits(data)) {
      text.resize(data.size());
      return {std::move(text), FrameCrc::Valid};
    }
  }
  // Four hex digits at the end are a CRC gone wrong on the way; a code of its own would
  // have to be sent in a CR frame by a reader without CRCs.
  const bool crcShaped =
      text.size() > kCrcLength && std::all_of(text.end() - kCrcLength, text.end(), IsHexDigit);
  if (crcShaped || crcSeen) return {std::move(text), FrameCrc::Damaged};
  return {std::move(text), FrameCrc::None};
}

bool IsPlausibleCode(std::string_view code) {
  if (code.empty() || code.size() > kMaxTypedCodeLength) return false;
  return std::all_of(code.begin(), code.end(),
                     [](char c) { return IsHexDigit(c) || c == ' ' || c == '_' || c == '.'; });
}

std::string WithoutControlBytes(std::string text) {
  std::erase_if(text, [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
  return text;
}

}  // namespace tagline::codes
