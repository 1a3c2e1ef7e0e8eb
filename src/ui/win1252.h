// SPDX-License-Identifier: Apache-2.0
// Windows-1252 text, the program's single-byte encoding, to and from Qt's strings.
// Qt ships no Windows-1252 codec, so the conversion is table-driven.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tagline::ui {

// Every byte maps to one character; the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so that any
// byte string survives the round trip.
QString FromWin1252(std::string_view bytes);

// Characters without a Windows-1252 byte become '?' (a surrogate pair counts as one).
std::string ToWin1252(const QString& text);

}  // namespace tagline::ui
