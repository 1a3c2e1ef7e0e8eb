// SPDX-License-Identifier: Apache-2.0
#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tagline::sim {

namespace {

std::string ErrnoText(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

struct SpeedEntry {
  speed_t speed;
  std::uint32_t baud;
};

constexpr std::array kSpeeds{
    SpeedEntry{B50, 50},           SpeedEntry{B75, 75},           SpeedEntry{B110, 110},
    SpeedEntry{B134, 134},         SpeedEntry{B150, 150},         SpeedEntry{B200, 200},
    SpeedEntry{B300, 300},         SpeedEntry{B600, 600},         SpeedEntry{B1200, 1200},
    SpeedEntry{B1800, 1800},       SpeedEntry{B2400, 2400},       SpeedEntry{B4800, 4800},
    SpeedEntry{B9600, 9600},       SpeedEntry{B19200, 19200},     SpeedEntry{B38400, 38400},
    SpeedEntry{B57600, 57600},     SpeedEntry{B115200, 115200},   SpeedEntry{B230400, 230400},
#ifdef B460800
    SpeedEntry{B460800, 460800},   SpeedEntry{B921600, 921600},
#endif
#ifdef B4000000
    SpeedEntry{B500000, 500000},   SpeedEntry{B576000, 576000},   SpeedEntry{B1000000, 1000000},
    SpeedEntry{B1152000, 1152000}, SpeedEntry{B1500000, 1500000}, SpeedEntry{B2000000, 2000000},
    SpeedEntry{B2500000, 2500000}, SpeedEntry{B3000000, 3000000}, SpeedEntry{B3500000, 3500000},
    SpeedEntry{B4000000, 4000000},
#endif
};

}  // namespace

std::optional<PseudoTerminal> OpenPseudoTerminal(std::string& error) {
  PseudoTerminal pty;
  pty.master.reset(posix_openpt(O_RDWR | O_NOCTTY));
  if (!pty.master.valid()) {
    error = ErrnoText("posix_openpt");
    return std::nullopt;
  }
  const int master = pty.master.get();
  if (fcntl(master, F_SETFD, FD_CLOEXEC) != 0 ||
      fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
    error = ErrnoText("fcntl");
    return std::nullopt;
  }
  if (grantpt(master) != 0) {
    error = ErrnoText("grantpt");
    return std::nullopt;
  }
  if (unlockpt(master) != 0) {
    error = ErrnoText("unlockpt");
    return std::nullopt;
  }
  std::array<char, 128> name{};
  if (ptsname_r(master, name.data(), name.size()) != 0) {
    error = ErrnoText("ptsname");
    return std::nullopt;
  }
  pty.slavePath = name.data();

  pty.slave.reset(open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.slave.valid()) {
    error = ErrnoText(("open " + pty.slavePath).c_str());
    return std::nullopt;
  }
  termios tio{};
  if (tcgetattr(pty.slave.get(), &tio) != 0) {
    error = ErrnoText("tcgetattr");
    return std::nullopt;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  if (tcsetattr(pty.slave.get(), TCSANOW, &tio) != 0) {
    error = ErrnoText("tcsetattr");
    return std::nullopt;
  }
  return pty;
}

std::uint32_t BaudFromSpeed(unsigned speed) {
  for (const SpeedEntry& entry : kSpeeds) {
    if (entry.speed == speed) return entry.baud;
  }
  return 0;
}

std::uint32_t SlaveBaudRate(int masterFd) {
  termios tio{};
  // On Linux the master reports the slave's line settings.
  if (tcgetattr(masterFd, &tio) != 0) return 0;
  return BaudFromSpeed(cfgetospeed(&tio));
}

std::uint32_t SlaveBitsPerByte(int masterFd) {
  termios tio{};
  if (tcgetattr(masterFd, &tio) != 0) return 10;
  std::uint32_t dataBits = 8;
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      dataBits = 5;
      break;
    case CS6:
      dataBits = 6;
      break;
    case CS7:
      dataBits = 7;
      break;
    default:
      break;
  }
  const std::uint32_t parityBits = (tio.c_cflag & PARENB) != 0 ? 1 : 0;
  const std::uint32_t stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
  return 1 + dataBits + parityBits + stopBits;
}

}  // namespace tagline::sim
