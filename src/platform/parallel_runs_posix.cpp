// SPDX-License-Identifier: Apache-2.0
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>

#include "platform/parallel_runs.h"
#include "platform/stop_signals.h"

namespace tagline::platform {

namespace {

struct Stream {
  std::size_t task = 0;
  bool error = false;
  int fd = -1;
  std::string pending;
};

void Deliver(Stream& stream, const TaskLine& line, bool final) {
  std::size_t begin = 0;
  for (std::size_t end; (end = stream.pending.find('\n', begin)) != std::string::npos;
       begin = end + 1) {
    line(stream.task, stream.error, std::string_view(stream.pending).substr(begin, end - begin));
  }
  stream.pending.erase(0, begin);
  if (final && !stream.pending.empty()) {
    line(stream.task, stream.error, stream.pending);
    stream.pending.clear();
  }
}

}  // namespace

std::vector<int> RunInParallel(std::size_t count, const ParallelTask& task, const TaskLine& line) {
  std::cout.flush();
  std::cerr.flush();
  std::vector<pid_t> children(count, -1);
  std::vector<Stream> streams;
  for (std::size_t i = 0; i < count; ++i) {
    int out[2];
    int err[2];
    if (pipe(out) != 0) break;
    if (pipe(err) != 0) {
      close(out[0]);
      close(out[1]);
      break;
    }
    const pid_t pid = fork();
    if (pid == 0) {
      // The child: its standard output and error are the pipes; it never returns.
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      for (const int fd : {out[0], out[1], err[0], err[1]}) close(fd);
      for (const Stream& s : streams) close(s.fd);
      const int status = task(i, std::cout, std::cerr);
      std::cout.flush();
      std::cerr.flush();
      _exit(status);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
      close(out[0]);
      close(err[0]);
      break;
    }
    children[i] = pid;
    streams.push_back({i, false, out[0], {}});
    streams.push_back({i, true, err[0], {}});
  }

  // A signal that asks the run to stop goes on to every task, which ends at its own safe
  // point; their output and codes are still collected.
  bool forwarded = false;
  const auto forward = [&] {
    const int signal = StopSignals::Caught();
    if (forwarded || signal == 0) return;
    forwarded = true;
    for (const pid_t child : children) {
      if (child > 0) kill(child, signal);
    }
  };
  std::vector<pollfd> fds;
  for (;;) {
    forward();
    fds.clear();
    for (const Stream& s : streams) {
      if (s.fd >= 0) fds.push_back({s.fd, POLLIN, 0});
    }
    if (fds.empty()) break;
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    std::size_t at = 0;
    for (Stream& s : streams) {
      if (s.fd < 0) continue;
      const pollfd& p = fds[at++];
      if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      char buffer[4096];
      const ssize_t got = read(s.fd, buffer, sizeof buffer);
      if (got > 0) {
        s.pending.append(buffer, static_cast<std::size_t>(got));
        Deliver(s, line, false);
      } else if (got == 0 || errno != EINTR) {
        Deliver(s, line, true);
        close(s.fd);
        s.fd = -1;
      }
    }
  }

  std::vector<int> codes(count, 127);  // a task whose process could not be made
  for (std::size_t i = 0; i < count; ++i) {
    if (children[i] < 0) continue;
    int status = 0;
    while (waitpid(children[i], &status, 0) < 0 && errno == EINTR) forward();
    codes[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return codes;
}

}  // namespace tagline::platform
