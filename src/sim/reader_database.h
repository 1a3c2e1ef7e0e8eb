// SPDX-License-Identifier: Apache-2.0
// The simulated reader's tag database: records and 27 attributes, read with "RP" / "RN" /
// "T", tested with "ET", erased with "EC", written with "WP" / "t" / "w". Installs its handlers on
// a SimulatedReader; tests seed it and look at what was written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/simulated_reader.h"

namespace tagline::sim {

class ReaderDatabase {
 public:
  static std::shared_ptr<ReaderDatabase> Install(SimulatedReader& reader);

  // Records as the reader keeps them (45 characters, 25 on Talvikko, 31 on Fenra, 23 on a
  // sensor reader) and the attribute texts of "#", "A".."Z".
  void SetRecords(std::vector<std::string> records);
  std::vector<std::string> Records() const;
  void SetAttribute(int index, std::string text);
  std::array<std::string, 27> Attributes() const;

  // The record that ends a read: a full-length record of "_" by default; `shortMarker`
  // sends the bare frame STX "_" CRC ETX some readers use.
  void SetEndMarker(std::string marker) {
    std::lock_guard lock(mutex_);
    endMarker_ = std::move(marker);
  }
  // The answer to "EC" and how long the erase takes.
  void SetEraseAnswer(char answer, std::uint32_t delayMs);
  // The next `count` record writes are answered with `answer` instead of ACK.
  void RefuseWrites(int count, char answer);
  // The next `count` "WP" are answered with `answer` instead of ACK.
  void RefuseWritePointer(int count, char answer);

  // A few records and attributes for trying the program out.
  void SeedDemo();

  // Everything written since the last "WP" / "EC", in order.
  std::vector<std::string> Written() const;

 private:
  ReaderDatabase() = default;
  std::string OnReadPointer();
  std::string OnReadNext();
  std::string OnReadAttribute(std::string_view command) const;
  std::string OnErase();
  std::string OnWritePointer();
  std::string OnWriteAttribute(std::string_view command);
  std::string OnWriteRecord(std::string_view command);

  mutable std::mutex mutex_;
  std::vector<std::string> records_;
  std::array<std::string, 27> attributes_{};
  std::size_t readPointer_ = 0;
  std::string endMarker_ = std::string(45, '_');
  char eraseAnswer_ = 0x06;
  std::uint32_t eraseDelayMs_ = 0;
  int refusedWrites_ = 0;
  char refusedWriteAnswer_ = 0x15;
  int refusedPointers_ = 0;
  char refusedPointerAnswer_ = 0x15;
  std::vector<std::string> written_;
};

}  // namespace tagline::sim
