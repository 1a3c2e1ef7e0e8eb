// SPDX-License-Identifier: Apache-2.0
// An Xvfb server for tests that need a real X display.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tagline::testing {

inline std::string FindInPath(const std::string& program) {
  const char* path = getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// An Xvfb server on a display number it picks itself, so that parallel runs never collide.
class Xvfb {
  using Clock = std::chrono::steady_clock;

 public:
  ~Xvfb() { Stop(); }

  // Starts the server and waits (bounded) until it accepts connections.
  // `screen` is the screen's WIDTHxHEIGHTxDEPTH.
  bool Start(const std::string& program, std::string& error,
             const std::string& screen = "320x240x24") {
    int fds[2];
    if (::pipe(fds) != 0) {
      error = "pipe failed";
      return false;
    }
    const std::string fdText = std::to_string(fds[1]);
    std::vector<std::string> args{program, "-displayfd", fdText,      "-screen",
                                  "0",     screen,       "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
      pid_ = -1;
      ::close(fds[0]);
      error = "cannot start " + program;
      return false;
    }
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd pfd{fds[0], POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char buffer[16];
      const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
      if (got <= 0) break;  // the server ended before it was ready
      number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
      error = "Xvfb did not report a display";
      return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
  }

  const std::string& display() const { return display_; }

 private:
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (Clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
  }

  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace tagline::testing
