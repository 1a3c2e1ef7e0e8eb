// SPDX-License-Identifier: Apache-2.0
// A job environment without a window or a serial port: the reader on an in-process line
// (FakeLine), the panes and settings in memory, what the job shows and asks recorded, and
// job timers on the headless host's virtual clock.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/panes.h"
#include "fake_line.h"
#include "job/job_environment.h"
#include "job/job_runner.h"
#include "protocol/reader_protocol.h"
#include "serial/reader_link.h"
#include "test_clock.h"

namespace tagline::test {

class FakeEnvironment : public job::JobEnvironment, private job::JobTimers {
 public:
  FakeEnvironment() {
    link_.SetOpen(true);
    link_.AddObserver(panes_);
    host_.AttachTimerSink([this](int id) { jobs_.OnTimer(id); });
  }
  ~FakeEnvironment() override { link_.RemoveObserver(panes_); }

  protocol::ReaderProtocol& reader() override { return protocol_; }
  job::Transcript& transcript() override { return panes_; }
  job::AppSettings& settings() override { return settings_; }
  std::tm LocalTime() override { return December7th2026(); }

  void ProgressTotal(int total) override { progressTotal = total; }
  void Progress(int count) override { progress = count; }
  void ShowCount(const std::string& text) override { count = text; }
  void ShowCommand(const std::string& text) override { command = text; }
  void ShowResult(const std::string& text) override { result = text; }
  void ShowVersion(const std::string& text) override { version = text; }
  void NoteJobModel(std::optional<protocol::ReaderModel> model) override { jobModel = model; }

  void Message(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string& text) override {
    messages.push_back(text);
    return confirm;
  }
  std::optional<int> Choose(const job::ChoiceRequest& request) override {
    choicesShown.push_back(request.name);
    const auto it = choiceAnswers.find(request.name);
    return it == choiceAnswers.end() ? std::optional<int>(request.initial) : it->second;
  }
  std::optional<std::string> ChooseFileToSave(const job::FileDialogRequest&) override {
    return fileAnswer;
  }
  void OpenFile(const std::string& path) override { opened.push_back(path); }
  void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override {
    beeps.emplace_back(frequencyHz, durationMs);
  }
  void Idle() override {}
  bool StopRequested() override { return stop; }

  FakeLine& line() { return line_; }
  app::Panes& panes() { return panes_; }
  serial::ReaderLink& link() { return link_; }
  job::JobRunner& jobs() { return jobs_; }
  app::HeadlessHost& headless() { return host_; }

  // What the job showed and asked.
  int progressTotal = 0;
  int progress = 0;
  std::string count;
  std::string command;
  std::string result;
  std::string version;
  std::optional<std::optional<protocol::ReaderModel>> jobModel;
  std::vector<std::string> messages;
  std::vector<std::string> choicesShown;
  std::vector<std::string> opened;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> beeps;
  // The answers it gets.
  bool confirm = true;
  bool stop = false;
  std::map<std::string, std::optional<int>> choiceAnswers;
  std::optional<std::string> fileAnswer;

 private:
  void SetTimer(int id, std::uint32_t periodMs) override { host_.SetTimer(id, periodMs); }
  void KillTimer(int id) override { host_.KillTimer(id); }

  app::HeadlessHost host_{app::HeadlessHost::Clock::Virtual};
  job::JobRunner jobs_{*this};
  FakeLine line_;
  serial::ReaderLink link_{line_};
  protocol::ReaderProtocol protocol_{link_};
  app::Panes panes_;
  job::AppSettings settings_;
};

}  // namespace tagline::test
