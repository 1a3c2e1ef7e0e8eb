// SPDX-License-Identifier: Apache-2.0
#include "ui/win1252.h"

#include "platform/windows_1252.h"

namespace tagline::ui {

namespace {

// The byte for a UTF-16 code unit outside a surrogate pair, or '?' when there is none.
char ByteFor(char16_t unit) {
  const auto byte = platform::CodePointToWindows1252(unit);
  return byte ? static_cast<char>(*byte) : '?';
}

}  // namespace

QString FromWin1252(std::string_view bytes) {
  QString text;
  text.resize(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char32_t codePoint =
        platform::Windows1252ToCodePoint(static_cast<unsigned char>(bytes[i]));
    text[static_cast<qsizetype>(i)] = QChar(static_cast<char16_t>(codePoint));
  }
  return text;
}

std::string ToWin1252(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      bytes += '?';
      ++i;
      continue;
    }
    bytes += c.isSurrogate() ? '?' : ByteFor(c.unicode());
  }
  return bytes;
}

}  // namespace tagline::ui
