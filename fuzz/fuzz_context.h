// SPDX-License-Identifier: Apache-2.0
// A job environment for the fuzz targets: the terminal's panes and the settings in memory,
// and an in-process line whose reader answers each framed command with the bytes the fuzzer
// chose for it. Nothing waits in real time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "app/terminal.h"
#include "job/job_environment.h"
#include "protocol/reader_model.h"
#include "protocol/reader_protocol.h"
#include "serial/frame.h"
#include "serial/line.h"
#include "serial/reader_link.h"

namespace tagline::fuzz {

class FuzzLine : public serial::Line {
 public:
  // The bytes answered to every command starting with `prefix`; the longest prefix wins,
  // other commands get silence.
  void On(std::string prefix, std::string answer) {
    answers_[std::move(prefix)] = std::move(answer);
  }
  // Bytes the reader sends on its own.
  void Push(std::string_view bytes) { pending_ += bytes; }

  bool Write(const std::string& text) override {
    if (text.size() < 6 || text.front() != serial::kStx || text.back() != serial::kEtx) return true;
    const std::string_view command = std::string_view(text).substr(1, text.size() - 6);
    const std::string* answer = nullptr;
    std::size_t longest = 0;
    for (const auto& [prefix, bytes] : answers_) {
      if (command.substr(0, prefix.size()) == prefix && prefix.size() >= longest) {
        answer = &bytes;
        longest = prefix.size();
      }
    }
    if (answer != nullptr) pending_ += *answer;
    return true;
  }

  // Everything queued, at once: the answers are there before any wait would end.
  int ReadTimed(std::string& out, std::uint32_t, std::uint32_t) override {
    out = std::move(pending_);
    pending_.clear();
    return static_cast<int>(out.size());
  }

 private:
  std::map<std::string, std::string, std::less<>> answers_;
  std::string pending_;
};

class FuzzEnvironment : public job::JobEnvironment {
 public:
  FuzzEnvironment() {
    link_.SetOpen(true);
    link_.AddObserver(terminal_.panes);
  }
  ~FuzzEnvironment() override { link_.RemoveObserver(terminal_.panes); }

  protocol::ReaderProtocol& reader() override { return protocol_; }
  job::Transcript& transcript() override { return terminal_.panes; }
  job::AppSettings& settings() override { return settings_; }
  std::tm LocalTime() override {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 3;
    t.tm_min = 27;
    return t;
  }
  void ProgressTotal(int) override {}
  void Progress(int) override {}
  void ShowCount(const std::string&) override {}
  void ShowCommand(const std::string&) override {}
  void ShowResult(const std::string&) override {}
  void ShowVersion(const std::string&) override {}
  void NoteJobModel(std::optional<protocol::ReaderModel>) override {}
  void Message(const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  std::optional<int> Choose(const job::ChoiceRequest& request) override { return request.initial; }
  std::optional<std::string> ChooseFileToSave(const job::FileDialogRequest&) override {
    return std::nullopt;
  }
  void OpenFile(const std::string&) override {}
  void Beep(std::uint32_t, std::uint32_t) override {}
  void Idle() override {}
  bool StopRequested() override { return false; }

  FuzzLine& line() { return line_; }
  app::Terminal& terminal() { return terminal_; }

 private:
  job::AppSettings settings_;
  FuzzLine line_;
  serial::ReaderLink link_{line_};
  protocol::ReaderProtocol protocol_{link_};
  app::Terminal terminal_{link_};
};

// A file of this process for the targets that go through files: in memory where the
// system offers it, since the file code syncs every save to the disk.
inline std::string ScratchPath(std::string_view name) {
  std::error_code ec;
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path folder =
      std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
  return (folder / ("tagline_fuzz_" + std::to_string(getpid()) + "_" + std::string(name))).string();
}

// A reader model for any byte, for targets that let an input byte pick one.
inline protocol::ReaderModel ModelFromByte(std::uint8_t byte) {
  return static_cast<protocol::ReaderModel>(byte % protocol::kReaderModelCount);
}

}  // namespace tagline::fuzz
