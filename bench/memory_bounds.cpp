// SPDX-License-Identifier: Apache-2.0
// Peak memory of the command-line program where the input has no natural end: a reader
// that sends bytes without end (as a reply, and to the receive poll) and sheets far larger
// than a reader's table. Each case runs the real `tagline` in a child process; its peak
// resident size comes from wait4(). Prints one line a case and exits 1 when a bound fails.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "serial/frame.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = std::size_t{1} << 20;

struct Run {
  int exitCode = -1;
  long peakKiB = 0;
  std::size_t flooded = 0;
};

pid_t Spawn(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  execv(argv[0], argv.data());
  _exit(127);
}

Run Reap(pid_t pid) {
  int status = 0;
  rusage usage{};
  Run run;
  if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  }
  run.peakKiB = usage.ru_maxrss;
  return run;
}

// A pseudo-terminal whose master plays a reader that never stops sending: it answers the
// first `answered` commands with a version and then floods "A" bytes (no CR, STX or ETX)
// until the program exits or `limit` bytes went out.
Run RunAgainstFlood(const std::vector<std::string>& command, int answered, std::size_t limit) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {};
  const std::string slave = ptsname(master);
  // Held open so that the program's close does not hang the line up under us.
  const int slaveFd = open(slave.c_str(), O_RDWR | O_NOCTTY);
  termios raw{};
  tcgetattr(slaveFd, &raw);
  cfmakeraw(&raw);
  tcsetattr(slaveFd, TCSANOW, &raw);

  std::vector<std::string> args = command;
  args.insert(args.begin() + 1, {"--port", slave});
  const pid_t pid = Spawn(args);
  const std::string chunk(64 * 1024, 'A');
  const std::string version = tagline::serial::FrameCommand("KTR H9 V4.30054");
  int commands = 0;
  std::size_t flooded = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (flooded < limit && Clock::now() < deadline) {
    siginfo_t exited{};
    if (waitid(P_PID, static_cast<id_t>(pid), &exited, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        exited.si_pid == pid) {
      break;
    }
    pollfd fd{master, POLLIN | POLLOUT, 0};
    if (poll(&fd, 1, 50) <= 0) continue;
    char in[256];
    const ssize_t got = read(master, in, sizeof in);
    for (ssize_t i = 0; i < got; ++i) {
      if (in[i] != '\x03') continue;
      if (++commands <= answered) (void)!write(master, version.data(), version.size());
    }
    if (commands >= answered && (fd.revents & POLLOUT)) {
      const ssize_t sent = write(master, chunk.data(), chunk.size());
      if (sent > 0) flooded += static_cast<std::size_t>(sent);
    }
  }
  kill(pid, SIGTERM);  // only if it is still running: a bound that failed by hanging
  Run run = Reap(pid);
  run.flooded = flooded;
  close(slaveFd);
  close(master);
  return run;
}

Run RunProgram(const std::vector<std::string>& command) {
  return Reap(Spawn(command));
}

// The demo reader's sheet with `fillerRows` rows after the record table's closing row:
// they are parsed with the rest, but are no records.
bool WriteLargeSheet(const std::string& cli, const fs::path& dir, std::size_t bytes,
                     const fs::path& path) {
  const fs::path small = dir / "demo.xml";
  RunProgram({cli, "--ini", (dir / "t.ini").string(), "--simulate", "db", "read", small.string()});
  std::ifstream in(small, std::ios::binary);
  std::string sheet((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t tableEnd = sheet.rfind("</Table>");
  if (tableEnd == std::string::npos) return false;
  const std::string row =
      "<Row><Cell><Data ss:Type=\"String\">1</Data></Cell><Cell><Data "
      "ss:Type=\"String\">2</Data></Cell><Cell><Data ss:Type=\"String\">3</Data></Cell></Row>\n";
  std::ofstream out(path, std::ios::binary);
  out << sheet.substr(0, tableEnd);
  for (std::size_t written = sheet.size(); written < bytes; written += row.size()) out << row;
  out << sheet.substr(tableEnd);
  return static_cast<bool>(out);
}

bool Report(const char* what, const Run& run, long boundMiB, const std::string& detail) {
  const long peakMiB = run.peakKiB / 1024;
  const bool ok = run.peakKiB > 0 && peakMiB <= boundMiB;
  std::printf("%-44s peak %5ld MiB (bound %4ld MiB)  exit %d  %s  %s\n", what, peakMiB, boundMiB,
              run.exitCode, detail.c_str(), ok ? "ok" : "FAILED");
  return ok;
}

}  // namespace

int main() {
  const std::string cli = TAGLINE_CLI_PATH;
  const fs::path dir = fs::temp_directory_path() / ("tagline-memory-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string ini = (dir / "t.ini").string();
  bool ok = true;

  Run run = RunAgainstFlood({cli, "--ini", ini, "tag"}, 1, 512 * kMiB);
  ok &= Report("Get Tag, reply without end", run, 32,
               std::to_string(run.flooded / 1024) + " KiB taken");
  run = RunAgainstFlood({cli, "--ini", ini, "listen", "--ms", "3000"}, 0, 512 * kMiB);
  ok &= Report("receive poll 3 s, bytes without CR or ETX", run, 32,
               std::to_string(run.flooded / 1024) + " KiB taken");

  for (const std::size_t mib : {std::size_t{30}, std::size_t{200}}) {
    const fs::path sheet = dir / ("large-" + std::to_string(mib) + ".xml");
    if (!WriteLargeSheet(cli, dir, mib * kMiB, sheet)) {
      std::printf("could not build the %zu MiB sheet\n", mib);
      ok = false;
      continue;
    }
    run = RunProgram({cli, "--ini", ini, "--simulate", "db", "write", sheet.string()});
    // Accepted sheets (up to 32 MiB) cost a few times their size (this one, with a node for
    // every 21 bytes, about the most a sheet has): the text, read once and parsed where it
    // lies, and the flat tree; larger ones are not read.
    const bool accepted = mib <= 32;
    const long bound = accepted ? static_cast<long>(mib) * 4 + 32 : 32;
    const int expectedExit = accepted ? 0 : 1;
    if (run.exitCode != expectedExit) {
      std::printf("database write of %zu MiB: exit %d, expected %d\n", mib, run.exitCode,
                  expectedExit);
      ok = false;
    }
    ok &= Report(("database write, " + std::to_string(mib) + " MiB sheet").c_str(), run, bound,
                 accepted ? "read whole" : "refused unread");
    fs::remove(sheet);
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}
