// SPDX-License-Identifier: Apache-2.0
// The desktop program on the offscreen platform: time from process start to the window's
// first paint, resident memory once it has started, and CPU while it sits idle with the
// receive poll running on the simulated reader. Starts the real program RUNS times (median
// start time) and watches each for IDLE seconds after its first paint.
//   tagline_gui_start [RUNS [IDLE]]    default: 5 runs, 5 seconds
// Prints one line a figure; exits 1 above a target.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kStartTargetMs = 300;
constexpr double kRssTargetMiB = 60;
constexpr double kIdleTargetPercent = 1;

struct Sample {
  double startMs = 0;
  double rssMiB = 0;
  double idlePercent = 0;
};

// utime + stime of a process, in seconds.
std::optional<double> CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double utime = 0;
  double stime = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stod(field);
    if (i == 15) stime = std::stod(field);
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double RssMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

std::optional<Sample> RunOnce(const std::string& program, const fs::path& ini, double idleSeconds) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    (void)freopen("/dev/null", "w", stdout);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TAGLINE_REPORT_FIRST_PAINT", "1", 1);
    execl(program.c_str(), program.c_str(), "--simulate", "--keyboard", "none", "--ini",
          ini.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::optional<Sample> sample;
  std::string seen;
  bool painted = false;
  while (!painted && Clock::now() - start < std::chrono::seconds(20)) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
    painted = seen.find("first paint\n") != std::string::npos;
  }
  if (painted) {
    Sample s;
    s.startMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // Idle: the start is over once the window is up; what it costs from then on.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto cpu0 = CpuSeconds(pid);
    const auto idle0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const auto cpu1 = CpuSeconds(pid);
    const double wall = std::chrono::duration<double>(Clock::now() - idle0).count();
    s.rssMiB = RssMiB(pid);
    if (cpu0 && cpu1) {
      s.idlePercent = 100.0 * (*cpu1 - *cpu0) / wall;
      sample = s;
    }
  } else {
    std::fprintf(stderr, "gui_start: no first paint; the program said:\n%s\n", seen.c_str());
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  close(fds[0]);
  return sample;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 5;
  const double idleSeconds = argc > 2 ? std::stod(argv[2]) : 5;
  const fs::path dir = fs::temp_directory_path() / ("tagline-gui-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path ini = dir / "t.ini";

  std::vector<double> starts;
  std::vector<double> rss;
  std::vector<double> idle;
  for (int i = 0; i < runs; ++i) {
    const auto sample = RunOnce(TAGLINE_CONSOLE_PATH, ini, idleSeconds);
    if (!sample) {
      std::printf("the program did not start FAILED\n");
      return 1;
    }
    starts.push_back(sample->startMs);
    rss.push_back(sample->rssMiB);
    idle.push_back(sample->idlePercent);
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);

  const double start = Median(starts);
  const double memory = *std::max_element(rss.begin(), rss.end());
  const double cpu = Median(idle);
  bool ok = true;
  const auto report = [&ok](const char* what, double value, const char* unit, double target) {
    const bool met = value <= target;
    ok &= met;
    std::printf("%-48s %8.2f %s (target <= %.0f %s) %s\n", what, value, unit, target, unit,
                met ? "ok" : "FAILED");
  };
  report("start to first paint, offscreen (median)", start, "ms", kStartTargetMs);
  report("resident memory after start (largest)", memory, "MiB", kRssTargetMiB);
  report("CPU while idle, receive poll running (median)", cpu, "%", kIdleTargetPercent);
  return ok ? 0 : 1;
}
