// SPDX-License-Identifier: Apache-2.0
// Windows-1252, the program's single-byte text encoding, byte by byte to Unicode and back.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for
// the C1 code points of the same value, so that every byte string survives a round trip.
#pragma once

#include <optional>

namespace tagline::platform {

// The code point of a byte: 0x80..0x9F from the code page's table, every other byte its own.
char32_t Windows1252ToCodePoint(unsigned char byte);

// The byte of a code point; nothing for one the code page lacks (U+0080 is not 0x80: that
// byte is the euro sign).
std::optional<unsigned char> CodePointToWindows1252(char32_t codePoint);

}  // namespace tagline::platform
