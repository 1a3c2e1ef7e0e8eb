// SPDX-License-Identifier: Apache-2.0
// The program's single serial line to the reader.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/comm.h"
#include "serial/line.h"
#include "serial/line_recorder.h"

namespace tagline::serial {

class SerialPort : public Line {
 public:
  // Receives the message box text this object shows itself ("error com port had to be
  // closed"). Without a sink the text goes to standard error.
  using MessageSink = std::function<void(const std::string& text)>;

  SerialPort();
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Stores the line settings; only while the handle is none. Always returns 0.
  int SetSettings(const std::string& portName, std::uint32_t baudRate, std::uint8_t byteSize,
                  std::uint8_t parity, std::uint8_t stopBits, int ctsFlow, int rtsControl);
  bool Open();
  bool Close();
  bool Write(const std::string& text) override;
  // Waits until `wanted` bytes are queued or more than `timeoutMs` has passed, then takes
  // everything queued. Returns that count, or -1 if the port is not open or was lost.
  int ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs) override;
  std::string ListPorts() const;

  void SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
  // Told of every byte and every change of the port from now on, until removed. Not owned.
  void AddRecorder(LineRecorder* recorder) { recorders_.push_back(recorder); }
  void RemoveRecorder(LineRecorder* recorder) { std::erase(recorders_, recorder); }
  void NoteFlush() override {
    for (LineRecorder* r : recorders_) r->Flushed();
  }

  const std::string& portName() const { return portName_; }
  const platform::Dcb& dcb() const { return dcb_; }
  std::uint32_t lastError() const { return lastError_; }
  bool IsClosed() const { return handle_ == platform::NoCommHandle(); }
  bool IsInvalid() const { return handle_ == platform::InvalidCommHandle(); }
  bool IsOpen() const { return !IsClosed() && !IsInvalid(); }

 private:
  void ApplyFixedFlags();
  void ShowMessage(const std::string& text) const;

  std::string portName_ = "COM1";
  platform::CommHandle handle_;
  std::uint32_t lastError_ = 0;
  platform::Dcb dcb_;
  MessageSink messageSink_;
  std::vector<LineRecorder*> recorders_;
};

}  // namespace tagline::serial
