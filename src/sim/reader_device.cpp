// SPDX-License-Identifier: Apache-2.0
#include "sim/reader_device.h"

#include <cstdio>
#include <ctime>

#include "platform/local_time.h"
#include "serial/frame.h"

namespace tagline::sim {

namespace {

std::string Byte(char c) {
  return std::string(1, c);
}

bool ParseHex(std::string_view text, unsigned& value) {
  value = 0;
  if (text.empty()) return false;
  for (const char c : text) {
    value <<= 4;
    if (c >= '0' && c <= '9') {
      value |= static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value |= static_cast<unsigned>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      value |= static_cast<unsigned>(c - 'a' + 10);
    } else {
      return false;
    }
  }
  return true;
}

bool ParseDecimalPair(std::string_view text, int& value) {
  if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') {
    return false;
  }
  value = (text[0] - '0') * 10 + (text[1] - '0');
  return true;
}

}  // namespace

ReaderDevice::ReaderDevice(const SimulatedReader& reader)
    : clockBase_(platform::LocalNow()),
      clockSetAt_(std::chrono::steady_clock::now()),
      reader_(reader) {}

std::map<unsigned, std::uint8_t>& ReaderDevice::CurrentCells() {
  return cells_[reader_.Version()];
}

std::shared_ptr<ReaderDevice> ReaderDevice::Install(SimulatedReader& reader) {
  std::shared_ptr<ReaderDevice> device(new ReaderDevice(reader));
  const auto self = device;
  reader.SetHandler("XT", [self](std::string_view) {
    std::lock_guard lock(self->mutex_);
    self->communicationOpen_ = false;
    return Byte(serial::kAck);
  });
  // Switching the communication on is the parameter write "s22400".
  reader.SetHandler("s", [self](std::string_view c) { return self->OnWriteCell(c); });
  reader.SetHandler("S", [self](std::string_view c) { return self->OnReadCell(c); });
  reader.SetHandler("ET", [self](std::string_view) {
    return Byte(self->DatabaseOccupied() ? serial::kAck : serial::kBel);
  });
  reader.SetHandler("EC", [self](std::string_view) {
    self->SetDatabaseOccupied(false);
    return Byte(serial::kAck);
  });
  reader.SetHandler("R", [self](std::string_view) { return serial::FrameCommand(self->Clock()); });
  reader.SetHandler("r", [self](std::string_view c) { return self->OnSetClock(c); });
  reader.SetHandler("GT", [self](std::string_view) { return self->OnGetTag(); });
  return device;
}

void ReaderDevice::SetTag(char type, std::string code) {
  std::lock_guard lock(mutex_);
  tag_ = std::make_pair(type, std::move(code));
}

void ReaderDevice::SetDatabaseOccupied(bool occupied) {
  std::lock_guard lock(mutex_);
  databaseOccupied_ = occupied;
}

bool ReaderDevice::DatabaseOccupied() const {
  std::lock_guard lock(mutex_);
  return databaseOccupied_;
}

bool ReaderDevice::CommunicationOpen() const {
  std::lock_guard lock(mutex_);
  return communicationOpen_;
}

std::string ReaderDevice::Clock() const {
  std::lock_guard lock(mutex_);
  std::tm now = clockBase_;
  const auto elapsed = std::chrono::steady_clock::now() - clockSetAt_;
  now.tm_sec += static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
  now.tm_isdst = -1;
  (void)std::mktime(&now);  // normalises the fields
  char text[16];
  (void)std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.tm_mday % 100,
                      (now.tm_mon + 1) % 100, now.tm_year % 100, now.tm_hour % 100,
                      now.tm_min % 100, now.tm_sec % 100);
  return text;
}

std::string ReaderDevice::OnSetClock(std::string_view command) {
  int day = 0;
  int month = 0;
  int year = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (command.size() != 13 || !ParseDecimalPair(command.substr(1, 2), day) ||
      !ParseDecimalPair(command.substr(3, 2), month) ||
      !ParseDecimalPair(command.substr(5, 2), year) ||
      !ParseDecimalPair(command.substr(7, 2), hour) ||
      !ParseDecimalPair(command.substr(9, 2), minute) ||
      !ParseDecimalPair(command.substr(11, 2), second) || day < 1 || day > 31 || month < 1 ||
      month > 12 || hour > 23 || minute > 59 || second > 59) {
    return Byte(serial::kNak);
  }
  std::lock_guard lock(mutex_);
  clockBase_ = std::tm{};
  clockBase_.tm_mday = day;
  clockBase_.tm_mon = month - 1;
  clockBase_.tm_year = 100 + year;
  clockBase_.tm_hour = hour;
  clockBase_.tm_min = minute;
  clockBase_.tm_sec = second;
  clockSetAt_ = std::chrono::steady_clock::now();
  return Byte(serial::kAck);
}

void ReaderDevice::SetCell(unsigned address, std::uint8_t value) {
  std::lock_guard lock(mutex_);
  CurrentCells()[address] = value;
}

std::optional<std::uint8_t> ReaderDevice::Cell(unsigned address) const {
  return Cell(reader_.Version(), address);
}

std::optional<std::uint8_t> ReaderDevice::Cell(const std::string& version, unsigned address) const {
  std::lock_guard lock(mutex_);
  const auto cells = cells_.find(version);
  if (cells == cells_.end()) return std::nullopt;
  const auto it = cells->second.find(address);
  if (it == cells->second.end()) return std::nullopt;
  return it->second;
}

void ReaderDevice::RefuseCell(unsigned address, char reply) {
  std::lock_guard lock(mutex_);
  refusals_[address] = reply;
}

std::string ReaderDevice::OnWriteCell(std::string_view command) {
  unsigned address = 0;
  unsigned value = 0;
  if (command.size() != 6 || !ParseHex(command.substr(1, 3), address) ||
      !ParseHex(command.substr(4, 2), value)) {
    return Byte(serial::kNak);
  }
  std::lock_guard lock(mutex_);
  if (const auto it = refusals_.find(address); it != refusals_.end()) return Byte(it->second);
  CurrentCells()[address] = static_cast<std::uint8_t>(value);
  if (address == 0x224) communicationOpen_ = true;
  return Byte(serial::kAck);
}

std::string ReaderDevice::OnReadCell(std::string_view command) {
  unsigned address = 0;
  if (command.size() != 4 || !ParseHex(command.substr(1, 3), address)) return Byte(serial::kNak);
  std::lock_guard lock(mutex_);
  if (const auto it = refusals_.find(address); it != refusals_.end()) return Byte(it->second);
  const auto& cells = CurrentCells();
  const auto it = cells.find(address);
  const unsigned value = it == cells.end() ? 0 : it->second;
  const std::string digits{serial::HexDigit(value >> 4), serial::HexDigit(value & 0xF)};
  return serial::FrameCommand(digits);
}

std::string ReaderDevice::OnGetTag() const {
  std::lock_guard lock(mutex_);
  if (!tag_) return serial::FrameCommand("NoREAD");
  return serial::FrameCommand(tag_->second + tag_->first);
}

}  // namespace tagline::sim
