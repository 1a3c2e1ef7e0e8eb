// SPDX-License-Identifier: Apache-2.0
#include "cli/terminal_safe_stream.h"

#include "platform/printable_text.h"

namespace tagline::cli {

namespace {

// How many bytes at the end of `text` begin a UTF-8 sequence, or a CR LF, that the text
// does not finish.
std::size_t UnfinishedTail(std::string_view text) {
  if (!text.empty() && text.back() == '\r') return 1;  // its LF may come next
  const std::size_t look = std::min<std::size_t>(3, text.size());
  for (std::size_t back = 1; back <= look; ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t length = 0;
    if (byte >= 0xC2 && byte <= 0xDF) length = 2;
    if (byte >= 0xE0 && byte <= 0xEF) length = 3;
    if (byte >= 0xF0 && byte <= 0xF4) length = 4;
    return length > back ? back : 0;
  }
  return 0;
}

}  // namespace

TerminalSafeBuffer::~TerminalSafeBuffer() {
  if (!pending_.empty()) {
    const std::string rest = platform::TerminalSafeText(pending_);
    target_->sputn(rest.data(), static_cast<std::streamsize>(rest.size()));
  }
}

TerminalSafeBuffer::int_type TerminalSafeBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  Put(std::string_view(&byte, 1));
  return c;
}

std::streamsize TerminalSafeBuffer::xsputn(const char* s, std::streamsize n) {
  Put(std::string_view(s, static_cast<std::size_t>(n)));
  return n;
}

int TerminalSafeBuffer::sync() {
  return target_->pubsync();
}

void TerminalSafeBuffer::Put(std::string_view text) {
  pending_.append(text);
  const std::size_t keep = UnfinishedTail(pending_);
  const std::string safe =
      platform::TerminalSafeText(std::string_view(pending_).substr(0, pending_.size() - keep));
  target_->sputn(safe.data(), static_cast<std::streamsize>(safe.size()));
  pending_.erase(0, pending_.size() - keep);
}

}  // namespace tagline::cli
