// SPDX-License-Identifier: Apache-2.0
// A transponder reader simulated on the master side of a pseudo-terminal: the program (or a
// test) opens DevicePath() as its serial port and talks to it like to a real device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/fault.h"
#include "sim/noise.h"

namespace tagline::sim {

struct SimOptions {
  std::string version = "KTR H9 V4.30054";
  // Time between the end of a command and the start of its reply.
  std::uint32_t latencyMs = 5;
  // Write replies at the byte rate of the line (the slave's baud rate and frame format).
  bool paceByBaud = true;
  // Also let the host's bytes take their time on the line: a command is acted on once its
  // last byte would have arrived, so a job's duration can be set against the wire's own.
  bool wireAccurate = false;
  // A noisy line: replies and commands damaged at this rate, from this seed.
  NoiseOptions noise;
  // If set, a symbolic link to the slave device is made here and removed again at Unplug
  // and destruction; an existing symbolic link is replaced, any other file is an error.
  std::string linkPath;
};

enum class Terminator { Etx, Cr };

class SimulatedReader {
 public:
  // Builds the raw reply bytes for a command (empty: no reply). Runs on the reader's own
  // thread, without the reader's lock held, so it may call the reader's methods.
  using Handler = std::function<std::string(std::string_view command)>;

  // Opens the pseudo-terminal and starts answering. nullptr and `error` on failure.
  static std::unique_ptr<SimulatedReader> Start(SimOptions options, std::string& error);

  ~SimulatedReader();
  SimulatedReader(const SimulatedReader&) = delete;
  SimulatedReader& operator=(const SimulatedReader&) = delete;

  // The link path if one was asked for, else the slave device (/dev/pts/N).
  const std::string& DevicePath() const;
  const std::string& SlavePath() const;

  // Sets the handler for commands starting with `prefix`; the longest matching prefix wins.
  // An empty handler removes the entry. Commands without a handler are answered with NAK.
  void SetHandler(std::string prefix, Handler handler);
  // The text the built-in "SV" handler answers, framed.
  void SetVersion(std::string version);
  std::string Version() const;

  // Queues a fault for the next `fault.count` replies (after the faults queued before it).
  void InjectFault(const Fault& fault);
  void ClearFaults();

  // Sends a code as the reader does on its own: STX code CRC ETX, or code CR.
  void SendOnlineCode(std::string_view code, Terminator terminator = Terminator::Etx);
  void SendRaw(std::string_view bytes);

  // The device disappears: the pseudo-terminal is closed (an open slave is hung up) and the
  // link removed. Every later call is a no-op. From inside a handler it takes effect when
  // the handler returns, and the handler's reply is dropped.
  void Unplug();
  // Unplugs the device when the `count`-th command arrives, counted as Commands() counts
  // them: that command is recorded but not answered (nor handled). 0 cancels.
  void UnplugAtCommand(std::size_t count);
  // True from the moment Unplug is called.
  bool IsUnplugged() const;

  // Commands received, in order: framed commands with good CRC digits (without them),
  // CR-ended lines (without the CR), and the host's acknowledgements as the single byte
  // ACK or NAK. Frames with wrong CRC digits are only counted in CrcErrors().
  std::vector<std::string> Commands() const;
  bool WaitForCommands(std::size_t count, std::uint32_t timeoutMs) const;
  std::string RawReceived() const;
  std::size_t CrcErrors() const;
  // Forgets the commands, raw bytes and CRC error count recorded so far.
  void ClearRecord();

  struct Impl;
  explicit SimulatedReader(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tagline::sim
