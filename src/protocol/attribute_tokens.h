// SPDX-License-Identifier: Apache-2.0
// The tokens of the reader's 27 attributes: "#", then "A" to "Z".
#pragma once

#include <cstddef>

namespace tagline::protocol {

inline constexpr std::size_t kAttributeCount = 27;

constexpr char AttributeToken(std::size_t index) {
  return index >= 1 && index < kAttributeCount ? static_cast<char>('A' + (index - 1)) : '#';
}

}  // namespace tagline::protocol
