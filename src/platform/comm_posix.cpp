// SPDX-License-Identifier: Apache-2.0
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/comm.h"
#include "platform/custom_baud.h"
#include "platform/line_settings_posix.h"
#include "platform/serial_ports.h"
#include "platform/serial_ports_linux.h"
#include "platform/tick_count.h"

namespace tagline::platform {

namespace {

constexpr int kNone = -1;
constexpr int kInvalid = -2;
// A write that makes no progress for this long is given up (flow control held off).
constexpr int kWriteStallMs = 5000;

thread_local std::uint32_t lastError = 0;

bool Fail(int error) {
  lastError = static_cast<std::uint32_t>(error);
  return false;
}

bool FailErrno() {
  return Fail(errno);
}

static_assert(sizeof(termios) <= sizeof(Dcb::driver), "driver state too small for termios");

struct SpeedEntry {
  std::uint32_t baud;
  speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

const SpeedEntry* FindSpeed(std::uint32_t baud) {
  const auto* const it = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                      [baud](const SpeedEntry& e) { return e.baud == baud; });
  return it == std::end(kSpeeds) ? nullptr : it;
}

std::uint8_t ByteSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

std::uint8_t ParityOf(tcflag_t cflag) {
  if (!(cflag & PARENB)) return kNoParity;
  if (cflag & CMSPAR) return (cflag & PARODD) ? kMarkParity : kSpaceParity;
  return (cflag & PARODD) ? kOddParity : kEvenParity;
}

bool SetByteSize(termios& tio, std::uint8_t size) {
  tcflag_t bits = 0;
  switch (size) {
    case 5:
      bits = CS5;
      break;
    case 6:
      bits = CS6;
      break;
    case 7:
      bits = CS7;
      break;
    case 8:
      bits = CS8;
      break;
    default:
      return false;  // the drivers refuse 4 data bits, and so do we
  }
  tio.c_cflag = (tio.c_cflag & ~CSIZE) | bits;
  return true;
}

bool SetParity(termios& tio, std::uint8_t parity) {
  tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
  switch (parity) {
    case kNoParity:
      return true;
    case kOddParity:
      tio.c_cflag |= PARENB | PARODD;
      return true;
    case kEvenParity:
      tio.c_cflag |= PARENB;
      return true;
    case kMarkParity:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      return true;
    case kSpaceParity:
      tio.c_cflag |= PARENB | CMSPAR;
      return true;
    default:
      return false;
  }
}

bool SetStopBits(termios& tio, std::uint8_t stopBits) {
  switch (stopBits) {
    case kOneStopBit:
      tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
      return true;
    case kOne5StopBits:  // no 1.5 stop bits in termios: the nearest is 2
    case kTwoStopBits:
      tio.c_cflag |= CSTOPB;
      return true;
    default:
      return false;
  }
}

// Sets or clears one modem line. Devices without modem lines (pseudo-terminals)
// refuse the request; that is not a failure of the line settings.
bool SetModemLine(int fd, int line, bool on) {
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
  return errno == ENOTTY || errno == EINVAL;
}

bool WaitWritable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  const int n = poll(&p, 1, kWriteStallMs);
  if (n > 0 && (p.revents & POLLOUT)) return true;
  errno = n == 0 ? ETIMEDOUT : (n < 0 ? errno : EIO);
  return false;
}

}  // namespace

bool ToTermios(const Dcb& dcb, termios& tio) {
  // Binary, no echo, no line editing, no translation: the reader's bytes as they come.
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (dcb.fParity) tio.c_iflag |= INPCK;
  if (dcb.fOutX) tio.c_iflag |= IXON;
  if (dcb.fInX) tio.c_iflag |= IXOFF;
  if (!SetByteSize(tio, dcb.ByteSize) || !SetParity(tio, dcb.Parity) ||
      !SetStopBits(tio, dcb.StopBits) || dcb.BaudRate == 0) {
    return false;
  }
  if (dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == kRtsControlHandshake) {
    tio.c_cflag |= CRTSCTS;
  } else {
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  }
  const SpeedEntry* speed = FindSpeed(dcb.BaudRate);
  if (speed != nullptr) {
    cfsetispeed(&tio, speed->code);
    cfsetospeed(&tio, speed->code);
  }
  return true;
}

CommHandle NoCommHandle() {
  return kNone;
}
CommHandle InvalidCommHandle() {
  return kInvalid;
}

std::string CommDevicePath(const std::string& portName) {
  if (!portName.empty() && portName.front() == '/') return portName;
  if (portName.size() > 3 && portName.compare(0, 3, "COM") == 0 &&
      std::all_of(portName.begin() + 3, portName.end(),
                  [](char c) { return c >= '0' && c <= '9'; })) {
    const long n = std::strtol(portName.c_str() + 3, nullptr, 10);
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return "/dev/" + portName;
}

CommHandle CommOpen(const std::string& portName) {
  if (portName.empty()) {
    Fail(ENOENT);
    return kInvalid;
  }
  const std::string path = CommDevicePath(portName);
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailErrno();
    return kInvalid;
  }
  // Exclusive use, as the share mode 0 open gives on Windows: an advisory lock that
  // cooperating programs honour, and TIOCEXCL against any further open of the tty.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    Fail(error);
    return kInvalid;
  }
  ioctl(fd, TIOCEXCL);
  return fd;
}

bool CommClose(CommHandle handle) {
  if (handle < 0) return Fail(EBADF);
  // TIOCEXCL outlives our descriptor while anyone else holds the tty open.
  ioctl(handle, TIOCNXCL);
  if (close(handle) != 0) return FailErrno();
  return true;
}

bool CommGetState(CommHandle handle, Dcb& dcb) {
  termios tio{};
  if (handle < 0) return Fail(EBADF);
  if (tcgetattr(handle, &tio) != 0) return FailErrno();

  dcb = Dcb{};
  const std::uint32_t baud = GetBaudRate(handle);
  dcb.BaudRate = baud;
  dcb.ByteSize = ByteSizeOf(tio.c_cflag);
  dcb.Parity = ParityOf(tio.c_cflag);
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? kTwoStopBits : kOneStopBit;
  dcb.fBinary = 1;
  dcb.fParity = (tio.c_iflag & INPCK) ? 1 : 0;
  dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) ? 1 : 0;
  dcb.fOutX = (tio.c_iflag & IXON) ? 1 : 0;
  dcb.fInX = (tio.c_iflag & IXOFF) ? 1 : 0;
  int lines = 0;
  if (ioctl(handle, TIOCMGET, &lines) == 0) {
    dcb.fDtrControl = (lines & TIOCM_DTR) ? kDtrControlEnable : 0;
    dcb.fRtsControl = (lines & TIOCM_RTS) ? kRtsControlEnable : kRtsControlDisable;
  }
  if (dcb.fOutxCtsFlow) dcb.fRtsControl = kRtsControlHandshake;
  dcb.hasDriverState = true;
  std::memcpy(dcb.driver.data(), &tio, sizeof tio);
  return true;
}

bool CommSetState(CommHandle handle, const Dcb& dcb) {
  if (handle < 0) return Fail(EBADF);
  termios tio{};
  if (dcb.hasDriverState) {
    std::memcpy(&tio, dcb.driver.data(), sizeof tio);
  } else if (tcgetattr(handle, &tio) != 0) {
    return FailErrno();
  }

  if (!ToTermios(dcb, tio)) return Fail(EINVAL);
  const bool hardwareFlow = (tio.c_cflag & CRTSCTS) != 0;

  if (tcsetattr(handle, TCSANOW, &tio) != 0) return FailErrno();
  if (FindSpeed(dcb.BaudRate) == nullptr && !SetCustomBaudRate(handle, dcb.BaudRate))
    return FailErrno();

  if (!SetModemLine(handle, TIOCM_DTR, dcb.fDtrControl == kDtrControlEnable)) return FailErrno();
  if (!hardwareFlow && !SetModemLine(handle, TIOCM_RTS, dcb.fRtsControl == kRtsControlEnable)) {
    return FailErrno();
  }
  return true;
}

bool CommPurge(CommHandle handle, unsigned flags) {
  if (handle < 0) return Fail(EBADF);
  constexpr unsigned kTx = 1u | 4u;  // PURGE_TXABORT | PURGE_TXCLEAR
  constexpr unsigned kRx = 2u | 8u;  // PURGE_RXABORT | PURGE_RXCLEAR
  const bool tx = (flags & kTx) != 0;
  const bool rx = (flags & kRx) != 0;
  if (!tx && !rx) return true;
  const int which = tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH);
  if (tcflush(handle, which) != 0) return FailErrno();
  return true;
}

bool CommClearError(CommHandle handle, std::uint32_t& inQueue) {
  inQueue = 0;
  if (handle < 0) return Fail(EBADF);
  int count = 0;
  if (ioctl(handle, FIONREAD, &count) != 0) return FailErrno();
  inQueue = count > 0 ? static_cast<std::uint32_t>(count) : 0;
  return true;
}

bool CommWrite(CommHandle handle, const std::string& bytes) {
  if (handle < 0) return Fail(EBADF);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(handle, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      if (!WaitWritable(handle)) return FailErrno();
    } else {
      return FailErrno();
    }
  }
  lastError = 0;
  return true;
}

bool CommRead(CommHandle handle, std::uint32_t count, std::string& out) {
  out.clear();
  if (handle < 0) return Fail(EBADF);
  out.resize(count);
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n = read(handle, out.data() + got, count - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // nothing more queued (EAGAIN), or the line is gone
    }
  }
  out.resize(got);
  if (got < count) return FailErrno();
  lastError = 0;
  return true;
}

void CommWaitInput(CommHandle handle, std::uint32_t ms, std::uint32_t queued) {
  if (ms == 0) return;
  // A reply that has begun to arrive comes in at the line's byte rate: look again soon.
  if (queued > 0 || handle < 0) {
    SleepMs(queued > 0 ? 1 : std::min<std::uint32_t>(ms, 20));
    return;
  }
  pollfd p{handle, POLLIN, 0};
  const int n = poll(&p, 1, static_cast<int>(std::min<std::uint32_t>(ms, 60000)));
  // A hung-up line reports POLLHUP at once and forever: sleep instead of spinning.
  if (n < 0 || (n > 0 && !(p.revents & POLLIN))) SleepMs(std::min<std::uint32_t>(ms, 20));
}

std::uint32_t CommLastError() {
  return lastError;
}

std::string CommErrorText(std::uint32_t code) {
  return std::strerror(static_cast<int>(code));
}

std::string CommListPorts() {
  return JoinPortNames(EnumerateSerialPorts("/sys/class/tty", ProbeUartPresent));
}

}  // namespace tagline::platform
