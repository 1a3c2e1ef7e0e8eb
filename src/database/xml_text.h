// SPDX-License-Identifier: Apache-2.0
// Cell texts between Windows-1252 and the XML of a sheet. Sheets come from this program, from
// older versions (HTML-style entities such as "&ouml;") and from spreadsheet programs that
// re-save them as UTF-8 with numeric character references; every one of them must give back
// the same Windows-1252 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tagline::database {

// The Unicode code point of a Windows-1252 byte. The five bytes that code page leaves
// undefined (0x81 0x8D 0x8F 0x90 0x9D) stand for the C1 code points of the same value.
char32_t Windows1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or nothing when the code page has none. C1 code points
// (U+0080..U+009F) give the byte of the same value, as a Latin-1 reading would have produced
// them; U+0000 and surrogates have no byte.
std::optional<unsigned char> CodePointToWindows1252(char32_t codePoint);

// A raw element text (entities not yet decoded) as Windows-1252 bytes: the five XML entities,
// decimal and hexadecimal character references, the HTML Latin-1 entities and the named
// Windows-1252 extras ("&euro;", "&trade;", ...). A character the code page lacks becomes "?";
// an unknown or incomplete entity stays as written. With `utf8` the bytes outside entities are
// decoded as UTF-8 first; each invalid sequence becomes one "?".
std::string DecodeCellText(std::string_view raw, bool utf8);

// A Windows-1252 text as well-formed, pure-ASCII XML content, usable in element text and in
// attribute values of either quote: "&amp;" "&lt;" "&gt;" "&quot;" "&apos;", TAB, LF and CR as
// "&#9;" "&#10;" "&#13;" (so no parser normalises them away), DEL and every byte from 0x80 as
// the decimal reference of its code point (0xFC -> "&#252;", 0x80 -> "&#8364;"). The other
// control bytes 0x00..0x1F cannot be represented in XML 1.0, not even as references, and become
// "?". DecodeCellText gives back every text without those bytes exactly.
std::string EncodeCellText(std::string_view win1252);
// The same, appended to `out`.
void AppendCellText(std::string& out, std::string_view win1252);

}  // namespace tagline::database
