// SPDX-License-Identifier: Apache-2.0
// A pseudo-terminal for tests: the test plays the device on the master side and the
// code under test opens the slave path like a serial port.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const char* name = ptsname(master_);
    if (name != nullptr) slavePath_ = name;
    // Hold the slave open so the master never sees a hang-up between two opens.
    keeper_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (keeper_ >= 0 && tcgetattr(keeper_, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(keeper_, TCSANOW, &tio);
    }
  }
  ~PtyPair() { Unplug(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && keeper_ >= 0 && !slavePath_.empty(); }
  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  void Send(const std::string& bytes) const {
    if (!bytes.empty()) (void)!write(master_, bytes.data(), bytes.size());
  }

  // Sends and waits until the bytes are queued on the port's side, so that a read
  // that follows finds them all even on a busy machine.
  void SendQueued(const std::string& bytes) const {
    const int before = Queued();
    Send(bytes);
    for (int i = 0; i < 2000 && Queued() < before + static_cast<int>(bytes.size()); ++i) {
      usleep(1000);
    }
  }

  // Bytes waiting in the port's input queue.
  int Queued() const {
    int n = 0;
    return ioctl(keeper_, FIONREAD, &n) == 0 ? n : 0;
  }

  // Everything the port wrote, waiting up to `ms` for the first byte.
  std::string Receive(int ms = 200) const {
    std::string out;
    pollfd p{master_, POLLIN, 0};
    while (poll(&p, 1, out.empty() ? ms : 20) > 0 && (p.revents & POLLIN)) {
      char buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
  }

  // The device disappears: closing the master hangs up every open slave.
  void Unplug() {
    if (keeper_ >= 0) close(keeper_);
    if (master_ >= 0) close(master_);
    keeper_ = master_ = -1;
  }

 private:
  int master_ = -1;
  int keeper_ = -1;
  std::string slavePath_;
};
