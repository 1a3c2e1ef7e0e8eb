// SPDX-License-Identifier: Apache-2.0
// An in-process line whose reader answers each framed command at once from a table of
// answers, for testing the rules of the protocol and the jobs without a pseudo-terminal.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "serial/frame.h"
#include "serial/line.h"

namespace tagline::test {

class FakeLine : public serial::Line {
 public:
  // The bytes the reader answers to a command (without its frame); empty for silence.
  using Answer = std::function<std::string(std::string_view command)>;

  // The answer for commands starting with `prefix`; the longest matching prefix wins.
  // Commands without one get no answer.
  void On(std::string prefix, Answer answer) { answers_[std::move(prefix)] = std::move(answer); }
  void Unplug() { open_ = false; }
  // Bytes the reader sends on its own.
  void Push(const std::string& bytes) { pending_ += bytes; }

  // How often the line was read: a wait for bytes that do not come reads it again and again.
  std::size_t reads() const { return reads_; }
  // The framed commands written, in order, without their frames.
  const std::vector<std::string>& commands() const { return commands_; }
  std::size_t Count(std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& c : commands_) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
  }

  bool Write(const std::string& text) override {
    if (!open_) return false;
    if (text.size() >= 6 && text.front() == serial::kStx && text.back() == serial::kEtx) {
      const std::string command = text.substr(1, text.size() - 6);
      commands_.push_back(command);
      const Answer* answer = nullptr;
      std::size_t longest = 0;
      for (const auto& [prefix, a] : answers_) {
        if (command.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= longest) {
          answer = &a;
          longest = prefix.size();
        }
      }
      if (answer != nullptr) pending_ += (*answer)(command);
    }
    return true;
  }

  int ReadTimed(std::string& out, std::uint32_t, std::uint32_t) override {
    ++reads_;
    if (!open_) return -1;
    out = std::move(pending_);
    pending_.clear();
    return static_cast<int>(out.size());
  }

 private:
  std::map<std::string, Answer> answers_;
  std::vector<std::string> commands_;
  std::string pending_;
  bool open_ = true;
  std::size_t reads_ = 0;
};

// A one-byte answer, and a framed one as the reader sends data.
inline FakeLine::Answer Byte(char c) {
  return [c](std::string_view) { return std::string(1, c); };
}
inline FakeLine::Answer Framed(std::string text) {
  return [text](std::string_view) { return serial::FrameCommand(text); };
}

}  // namespace tagline::test
