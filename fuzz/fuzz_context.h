// A job context for the fuzz targets: the main window's controls, fields and settings in
// memory, the headless host on a virtual clock, and an in-process line whose reader answers
// each framed command with the bytes the fuzzer chose for it. Nothing waits in real time.
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

#include "app/control_model.h"
#include "app/headless_host.h"
#include "app/job_context.h"
#include "reader/reader_model.h"
#include "serial/command_exchange.h"
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

class FuzzContext : public app::JobContext {
 public:
  FuzzContext() {
    app::AddMainWindowControls(controls_);
    exchange_.portOpen = 1;
  }

  serial::ReaderLink& link() override { return link_; }
  app::ControlModel& controls() override { return controls_; }
  app::DialogFields& fields() override { return fields_; }
  app::AppSettings& settings() override { return settings_; }
  app::Host& host() override { return host_; }
  void PullControls() override {}
  void PushControls() override {}
  void Message(const std::string& text, unsigned type, const std::string& caption) override {
    host_.MessageBox(text, caption, type);
  }
  std::tm LocalTime() override {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 3;
    t.tm_min = 27;
    return t;
  }
  std::int8_t lastJobModel() const override { return lastJobModel_; }
  void SetLastJobModel(std::int8_t model) override { lastJobModel_ = model; }

  FuzzLine& line() { return line_; }
  serial::CommandExchange& exchange() { return exchange_; }
  app::HeadlessHost& headless() { return host_; }

 private:
  app::HeadlessHost host_{app::HeadlessHost::Clock::Virtual};
  app::ControlModel controls_;
  app::DialogFields fields_;
  app::AppSettings settings_;
  FuzzLine line_;
  serial::CommandExchange exchange_{line_};
  serial::ReaderLink link_{exchange_};
  std::int8_t lastJobModel_ = 0;
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
inline reader::ReaderModel ModelFromByte(std::uint8_t byte) {
  return static_cast<reader::ReaderModel>(byte % reader::kReaderModelCount);
}

}  // namespace tagline::fuzz
