// SPDX-License-Identifier: Apache-2.0
// The simulated reader's commands beyond "SV": communication control, clock, database
// test and clear, Get Tag and the parameter cells. Installs its handlers on a
// SimulatedReader and keeps the device's state; tests can look at it and change it.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "sim/simulated_reader.h"

namespace tagline::sim {

class ReaderDevice {
 public:
  // The handlers keep the device alive as long as the reader may call them.
  static std::shared_ptr<ReaderDevice> Install(SimulatedReader& reader);

  // The tag in the field: its type character and code; none means "NoREAD".
  void SetTag(char type, std::string code);

  void SetDatabaseOccupied(bool occupied);
  bool DatabaseOccupied() const;

  // The clock as twelve digits DDMMYYhhmmss; it runs on from the time "r" set it.
  std::string Clock() const;

  // Parameter cells (three hex digits address, one byte each). Each reader model keeps
  // its own cells: they are kept per version text, the one the reader reports now.
  void SetCell(unsigned address, std::uint8_t value);
  std::optional<std::uint8_t> Cell(unsigned address) const;
  std::optional<std::uint8_t> Cell(const std::string& version, unsigned address) const;
  // Cells the reader refuses to write, answering with `reply` (NAK or BEL).
  void RefuseCell(unsigned address, char reply);

  bool CommunicationOpen() const;

 private:
  explicit ReaderDevice(const SimulatedReader& reader);
  std::map<unsigned, std::uint8_t>& CurrentCells();
  std::string OnGetTag() const;
  std::string OnWriteCell(std::string_view command);
  std::string OnReadCell(std::string_view command);
  std::string OnSetClock(std::string_view command);

  mutable std::mutex mutex_;
  std::optional<std::pair<char, std::string>> tag_;
  bool databaseOccupied_ = true;
  bool communicationOpen_ = true;
  std::tm clockBase_{};
  std::chrono::steady_clock::time_point clockSetAt_;
  const SimulatedReader& reader_;  // owns the handlers that own this device
  std::map<std::string, std::map<unsigned, std::uint8_t>> cells_;
  std::map<unsigned, char> refusals_;
};

}  // namespace tagline::sim
