// SPDX-License-Identifier: Apache-2.0
// Serial communications stand-in: the handful of Win32 comm calls the serial port
// object is built on, with one implementation per OS (comm_posix.cpp, comm_win32.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagline::platform {

#ifdef _WIN32
using CommHandle = void*;
#else
using CommHandle = int;
#endif

// The "none" (closed) and "invalid" (failed open) handle values.
CommHandle NoCommHandle();
CommHandle InvalidCommHandle();

// Win32 DCB control codes.
inline constexpr unsigned kDtrControlEnable = 1;
inline constexpr unsigned kRtsControlDisable = 0;
inline constexpr unsigned kRtsControlEnable = 1;
inline constexpr unsigned kRtsControlHandshake = 2;

// Parity and stop-bit codes as Win32 numbers them.
inline constexpr std::uint8_t kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3,
                              kSpaceParity = 4;
inline constexpr std::uint8_t kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2;

// Purge flags (PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR).
inline constexpr unsigned kPurgeAll = 15;

// The line settings, with the members of the Win32 DCB that the program touches.
// `driver` carries the driver's own state (the native DCB or termios) read by
// CommGetState, so that members we do not set keep what the driver reported.
struct Dcb {
  std::uint32_t BaudRate = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  unsigned fBinary = 0;
  unsigned fParity = 0;
  unsigned fOutxCtsFlow = 0;
  unsigned fOutxDsrFlow = 0;
  unsigned fDtrControl = 0;
  unsigned fDsrSensitivity = 0;
  unsigned fTXContinueOnXoff = 0;
  unsigned fOutX = 0;
  unsigned fInX = 0;
  char ErrorChar = 0;
  unsigned fNull = 0;
  unsigned fRtsControl = 0;
  unsigned fAbortOnError = 0;

  bool hasDriverState = false;
  alignas(8) std::array<std::byte, 128> driver{};
};

// Maps a port name to what the OS opens: on Windows "\\.\" + name; on POSIX an
// absolute path as is, "COMn" as /dev/ttyS(n-1), any other name under /dev.
std::string CommDevicePath(const std::string& portName);

// Opens the port exclusively for reading and writing; InvalidCommHandle() on failure.
CommHandle CommOpen(const std::string& portName);
bool CommClose(CommHandle handle);
bool CommGetState(CommHandle handle, Dcb& dcb);
bool CommSetState(CommHandle handle, const Dcb& dcb);
bool CommPurge(CommHandle handle, unsigned flags);
// ClearCommError: clears a pending error state and reports the input queue count.
bool CommClearError(CommHandle handle, std::uint32_t& inQueue);
bool CommWrite(CommHandle handle, const std::string& bytes);
// Reads up to `count` bytes that are already queued; never waits for more.
bool CommRead(CommHandle handle, std::uint32_t count, std::string& out);
// Waits up to `ms` milliseconds for input without using the processor; returns early
// when input arrives. `queued` is the count last seen, so a wait for more bytes of a
// reply that has begun to arrive sleeps briefly instead of waking at once.
void CommWaitInput(CommHandle handle, std::uint32_t ms, std::uint32_t queued);

// The error code of the last failing call (GetLastError / errno).
std::uint32_t CommLastError();
std::string CommErrorText(std::uint32_t code);

// The serial ports the system knows, as "name;" entries, the last-enumerated first.
std::string CommListPorts();

}  // namespace tagline::platform
