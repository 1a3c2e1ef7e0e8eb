// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include <cstring>

#include "platform/comm.h"
#include "platform/serial_ports.h"
#include "platform/serial_ports_win32.h"
#include "platform/tick_count.h"

namespace tagline::platform {

namespace {

static_assert(sizeof(DCB) <= sizeof(Dcb::driver), "driver state too small for DCB");

DCB ToNative(const Dcb& dcb) {
  DCB native{};
  if (dcb.hasDriverState) std::memcpy(&native, dcb.driver.data(), sizeof native);
  native.DCBlength = sizeof native;
  native.BaudRate = dcb.BaudRate;
  native.ByteSize = dcb.ByteSize;
  native.Parity = dcb.Parity;
  native.StopBits = dcb.StopBits;
  native.fBinary = dcb.fBinary;
  native.fParity = dcb.fParity;
  native.fOutxCtsFlow = dcb.fOutxCtsFlow;
  native.fOutxDsrFlow = dcb.fOutxDsrFlow;
  native.fDtrControl = dcb.fDtrControl;
  native.fDsrSensitivity = dcb.fDsrSensitivity;
  native.fTXContinueOnXoff = dcb.fTXContinueOnXoff;
  native.fOutX = dcb.fOutX;
  native.fInX = dcb.fInX;
  native.ErrorChar = dcb.ErrorChar;
  native.fNull = dcb.fNull;
  native.fRtsControl = dcb.fRtsControl;
  native.fAbortOnError = dcb.fAbortOnError;
  return native;
}

Dcb FromNative(const DCB& native) {
  Dcb dcb;
  dcb.BaudRate = native.BaudRate;
  dcb.ByteSize = native.ByteSize;
  dcb.Parity = native.Parity;
  dcb.StopBits = native.StopBits;
  dcb.fBinary = native.fBinary;
  dcb.fParity = native.fParity;
  dcb.fOutxCtsFlow = native.fOutxCtsFlow;
  dcb.fOutxDsrFlow = native.fOutxDsrFlow;
  dcb.fDtrControl = native.fDtrControl;
  dcb.fDsrSensitivity = native.fDsrSensitivity;
  dcb.fTXContinueOnXoff = native.fTXContinueOnXoff;
  dcb.fOutX = native.fOutX;
  dcb.fInX = native.fInX;
  dcb.ErrorChar = native.ErrorChar;
  dcb.fNull = native.fNull;
  dcb.fRtsControl = native.fRtsControl;
  dcb.fAbortOnError = native.fAbortOnError;
  dcb.hasDriverState = true;
  std::memcpy(dcb.driver.data(), &native, sizeof native);
  return dcb;
}

}  // namespace

CommHandle NoCommHandle() {
  return nullptr;
}
CommHandle InvalidCommHandle() {
  return INVALID_HANDLE_VALUE;
}

std::string CommDevicePath(const std::string& portName) {
  return "\\\\.\\" + portName;
}

CommHandle CommOpen(const std::string& portName) {
  return CreateFileA(CommDevicePath(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

bool CommClose(CommHandle handle) {
  return CloseHandle(handle) != 0;
}

bool CommGetState(CommHandle handle, Dcb& dcb) {
  DCB native{};
  native.DCBlength = sizeof native;
  if (!GetCommState(handle, &native)) return false;
  dcb = FromNative(native);
  return true;
}

bool CommSetState(CommHandle handle, const Dcb& dcb) {
  DCB native = ToNative(dcb);
  return SetCommState(handle, &native) != 0;
}

bool CommPurge(CommHandle handle, unsigned flags) {
  return PurgeComm(handle, flags) != 0;
}

bool CommClearError(CommHandle handle, std::uint32_t& inQueue) {
  DWORD errors = 0;
  COMSTAT status{};
  inQueue = 0;
  if (!ClearCommError(handle, &errors, &status)) return false;
  inQueue = status.cbInQue;
  return true;
}

bool CommWrite(CommHandle handle, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
}

bool CommRead(CommHandle handle, std::uint32_t count, std::string& out) {
  out.assign(count, '\0');
  DWORD got = 0;
  const BOOL ok = ReadFile(handle, out.data(), count, &got, nullptr);
  out.resize(got);
  return ok != 0;
}

void CommWaitInput(CommHandle, std::uint32_t ms, std::uint32_t) {
  // No time-outs or event masks are set on the handle, so there is nothing to wait on:
  // a short sleep keeps the poll from taking a whole processor.
  if (ms > 0) SleepMs(1);
}

std::uint32_t CommLastError() {
  return GetLastError();
}

std::string CommErrorText(std::uint32_t code) {
  char buffer[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}

std::string CommListPorts() {
  return JoinPortNames(EnumerateSerialPorts());
}

}  // namespace tagline::platform
