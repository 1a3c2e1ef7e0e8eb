// SPDX-License-Identifier: Apache-2.0
#include "serial/serial_port.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tagline::serial {

namespace {

constexpr std::uint32_t kInitialBaudRate = 19200;
constexpr std::uint8_t kInitialByteSize = 8;

}  // namespace

SerialPort::SerialPort() : handle_(platform::NoCommHandle()) {
  dcb_.BaudRate = kInitialBaudRate;
  dcb_.ByteSize = kInitialByteSize;
  dcb_.Parity = platform::kNoParity;
  dcb_.StopBits = platform::kOneStopBit;
  ApplyFixedFlags();
}

SerialPort::~SerialPort() {
  if (!IsClosed()) Close();
}

void SerialPort::ApplyFixedFlags() {
  dcb_.fBinary = 1;
  dcb_.fParity = 0;
  dcb_.fOutxCtsFlow = 0;
  dcb_.fOutxDsrFlow = 0;
  dcb_.fDtrControl = platform::kDtrControlEnable;
  dcb_.fDsrSensitivity = 0;
  dcb_.fTXContinueOnXoff = 0;
  dcb_.fOutX = 0;
  dcb_.fInX = 0;
  dcb_.ErrorChar = 0;
  dcb_.fNull = 0;
  dcb_.fRtsControl = platform::kRtsControlDisable;
  dcb_.fAbortOnError = 0;
}

int SerialPort::SetSettings(const std::string& portName, std::uint32_t baudRate,
                            std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits,
                            int ctsFlow, int rtsControl) {
  if (!IsClosed()) return 0;
  portName_ = portName;
  ApplyFixedFlags();
  dcb_.BaudRate = baudRate;
  dcb_.ByteSize = byteSize;
  dcb_.Parity = parity;
  dcb_.StopBits = stopBits;
  dcb_.fOutxCtsFlow = static_cast<unsigned>(ctsFlow) & 1u;
  dcb_.fRtsControl = static_cast<unsigned>(rtsControl) & 3u;
  return 0;
}

bool SerialPort::Open() {
  if (!IsClosed()) return false;

  handle_ = platform::CommOpen(portName_);
  if (handle_ == platform::InvalidCommHandle()) {
    lastError_ = platform::CommLastError();
    return false;
  }

  platform::Dcb driver;
  if (!platform::CommGetState(handle_, driver)) {
    lastError_ = platform::CommLastError();
    return false;
  }

  // The driver's state is the base; the fixed flags and the configured line values go on top.
  const platform::Dcb configured = dcb_;
  dcb_ = driver;
  ApplyFixedFlags();
  dcb_.BaudRate = configured.BaudRate;
  dcb_.ByteSize = configured.ByteSize;
  dcb_.Parity = configured.Parity;
  dcb_.StopBits = configured.StopBits;
  dcb_.fOutxCtsFlow = configured.fOutxCtsFlow;
  dcb_.fRtsControl = configured.fRtsControl;

  if (!platform::CommSetState(handle_, dcb_) ||
      !platform::CommPurge(handle_, platform::kPurgeAll)) {
    lastError_ = platform::CommLastError();
    return false;
  }
  for (LineRecorder* r : recorders_) r->Opened(portName_, dcb_);
  return true;
}

bool SerialPort::Close() {
  if (IsClosed()) return false;
  for (LineRecorder* r : recorders_) r->Closed();
  const bool purged = platform::CommPurge(handle_, platform::kPurgeAll);
  if (IsInvalid()) {
    handle_ = platform::NoCommHandle();
    return purged;
  }
  const bool closed = platform::CommClose(handle_);
  handle_ = platform::NoCommHandle();
  return closed;
}

bool SerialPort::Write(const std::string& text) {
  if (IsClosed()) {
    lastError_ = platform::CommLastError();
    return false;
  }
  std::uint32_t ignored = 0;
  platform::CommClearError(handle_, ignored);
  if (text.empty()) return false;
  const bool written = platform::CommWrite(handle_, text);
  lastError_ = platform::CommLastError();
  for (LineRecorder* r : recorders_) r->Sent(text);
  return written;
}

int SerialPort::ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs) {
  out.clear();
  if (IsClosed()) {
    lastError_ = platform::CommLastError();
    return -1;
  }

  // The wait ends once more than the time-out has passed, measured finer than the
  // millisecond tick: on a tick the 1 ms waits between records would each last 2 ms.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto limit = std::chrono::milliseconds(timeoutMs);
  std::uint32_t queued = 0;
  // When the first byte was there: a trace stamps the bytes with it, not with the end of
  // the wait, so that a replay answers as soon as the reader did.
  Clock::time_point firstSeen{};
  for (;;) {
    if (!platform::CommClearError(handle_, queued)) queued = 0;
    if (queued > 0 && firstSeen == Clock::time_point{}) firstSeen = Clock::now();
    if (queued >= wanted) break;
    const auto elapsed = Clock::now() - start;
    if (elapsed > limit) break;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - elapsed).count();
    platform::CommWaitInput(handle_, static_cast<std::uint32_t>(std::max<std::int64_t>(left, 1)),
                            queued);
  }

  platform::Dcb scratch;
  if (!platform::CommGetState(handle_, scratch)) {
    lastError_ = platform::CommLastError();
    for (LineRecorder* r : recorders_) r->Lost();
    Close();
    ShowMessage("error com port had to be closed");
    return -1;
  }

  if (queued > 0) {
    platform::CommRead(handle_, queued, out);
    lastError_ = platform::CommLastError();
    if (!recorders_.empty() && !out.empty()) {
      const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(
          Clock::now() - (firstSeen == Clock::time_point{} ? Clock::now() : firstSeen));
      for (LineRecorder* r : recorders_) r->Received(out, static_cast<std::uint32_t>(ago.count()));
    }
  }
  return static_cast<int>(queued);
}

std::string LineSettingsText(const platform::Dcb& line) {
  static constexpr char kParities[] = "NOEMS";
  const char parity = line.Parity < 5 ? kParities[line.Parity] : '?';
  const char* stop = line.StopBits == platform::kTwoStopBits    ? "2"
                     : line.StopBits == platform::kOne5StopBits ? "1.5"
                                                                : "1";
  return std::to_string(line.BaudRate) + ' ' + std::to_string(line.ByteSize) + parity + stop;
}

std::string SerialPort::ListPorts() const {
  return platform::CommListPorts();
}

void SerialPort::ShowMessage(const std::string& text) const {
  if (messageSink_) {
    messageSink_(text);
  } else {
    (void)std::fprintf(stderr, "message: %s\n", text.c_str());
  }
}

}  // namespace tagline::serial
