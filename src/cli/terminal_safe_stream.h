// SPDX-License-Identifier: Apache-2.0
// An output stream that passes text on to another with every byte a terminal would act on
// escaped ("\x1b"): what a reader sends is printed, never obeyed. Writes go through at
// once, so output written around it to the same target keeps its order.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace tagline::cli {

class TerminalSafeBuffer final : public std::streambuf {
 public:
  explicit TerminalSafeBuffer(std::streambuf* target) : target_(target) {}
  ~TerminalSafeBuffer() override;
  TerminalSafeBuffer(const TerminalSafeBuffer&) = delete;
  TerminalSafeBuffer& operator=(const TerminalSafeBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void Put(std::string_view text);

  std::streambuf* target_;
  // The start of a UTF-8 sequence whose other bytes have not been written yet.
  std::string pending_;
};

class TerminalSafeStream final : public std::ostream {
 public:
  explicit TerminalSafeStream(std::ostream& target)
      : std::ostream(nullptr), buffer_(target.rdbuf()) {
    rdbuf(&buffer_);
  }

 private:
  TerminalSafeBuffer buffer_;
};

}  // namespace tagline::cli
