// SPDX-License-Identifier: Apache-2.0
// Device bytes made harmless for a terminal and for the panes' notes.
#include "platform/printable_text.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/terminal_safe_stream.h"

namespace tagline::platform {
namespace {

TEST(PrintableText, TerminalGetsNoControlByteButKeepsLinesAndUtf8) {
  EXPECT_EQ(TerminalSafeText("a\tb\nc\r\n"), "a\tb\nc\r\n");
  EXPECT_EQ(TerminalSafeText("\x1b]0;x\x07"), "\\x1b]0;x\\x07");
  EXPECT_EQ(TerminalSafeText("over\rwrite"), "over\\x0dwrite");
  EXPECT_EQ(TerminalSafeText(std::string("\0\x7f", 2)), "\\x00\\x7f");
  // Whole UTF-8 characters pass; C1 controls, overlong forms, surrogates and stray bytes
  // (a Windows-1252 "é") do not.
  EXPECT_EQ(TerminalSafeText("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"), "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC");
  EXPECT_EQ(TerminalSafeText("\xC2\x9B"
                             "2J"),
            "\\xc2\\x9b2J");
  EXPECT_EQ(TerminalSafeText("\xC0\xAF"), "\\xc0\\xaf");
  EXPECT_EQ(TerminalSafeText("\xED\xA0\x80"), "\\xed\\xa0\\x80");
  EXPECT_EQ(TerminalSafeText("caf\xE9"), "caf\\xe9");
  EXPECT_EQ(TerminalSafeText("\xE2\x82"), "\\xe2\\x82");
}

TEST(PrintableText, PaneNotesEscapeOnlyControlBytes) {
  EXPECT_EQ(EscapeControlBytes("\x02"
                               "ab\xE9\x1b"),
            "\\x02ab\xE9\\x1b");
}

TEST(PrintableText, StreamKeepsCharactersSplitOverWrites) {
  std::ostringstream target;
  {
    cli::TerminalSafeStream safe(target);
    safe << "\xE2" << std::flush;
    safe << "\x82\xAC" << '\r';
    safe << "\n\x1b[K" << std::flush;
    safe << "\xC3";  // never finished: escaped when the stream ends
  }
  EXPECT_EQ(target.str(), "\xE2\x82\xAC\r\n\\x1b[K\\xc3");
}

}  // namespace
}  // namespace tagline::platform
