// SPDX-License-Identifier: Apache-2.0
// Runs a program in a child and reports its wall time, CPU time and peak memory (wait4).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace tagline::bench {

struct ChildUsage {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long maxRssKiB = 0;
  int exitCode = -1;
};

// The child's output goes to /dev/null.
inline ChildUsage RunChild(const std::vector<std::string>& args) {
  std::fflush(stdout);  // the child must not print our buffered lines again
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    (void)freopen("/dev/null", "w", stdout);
    (void)freopen("/dev/null", "w", stderr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ChildUsage result;
  if (pid < 0) return result;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  result.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  result.maxRssKiB = usage.ru_maxrss;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tagline::bench
