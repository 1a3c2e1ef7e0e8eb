// SPDX-License-Identifier: Apache-2.0
#include "sim/reader_database.h"

#include <chrono>
#include <fstream>
#include <thread>

#include "serial/frame.h"

namespace tagline::sim {

namespace {

std::string Byte(char c) {
  return std::string(1, c);
}

int TokenIndex(char token) {
  if (token == '#') return 0;
  if (token >= 'A' && token <= 'Z') return token - 'A' + 1;
  return -1;
}

}  // namespace

std::shared_ptr<ReaderDatabase> ReaderDatabase::Install(SimulatedReader& reader) {
  std::shared_ptr<ReaderDatabase> db(new ReaderDatabase());
  const auto self = db;
  reader.SetHandler("RP", [self](std::string_view) { return self->OnReadPointer(); });
  reader.SetHandler("RN", [self](std::string_view) { return self->OnReadNext(); });
  reader.SetHandler("T", [self](std::string_view c) { return self->OnReadAttribute(c); });
  reader.SetHandler("EC", [self](std::string_view) { return self->OnErase(); });
  reader.SetHandler("ET", [self](std::string_view) {
    std::lock_guard lock(self->mutex_);
    return Byte(self->records_.empty() ? serial::kBel : serial::kAck);
  });
  reader.SetHandler("WP", [self](std::string_view) { return self->OnWritePointer(); });
  reader.SetHandler("t", [self](std::string_view c) { return self->OnWriteAttribute(c); });
  reader.SetHandler("w", [self](std::string_view c) { return self->OnWriteRecord(c); });
  return db;
}

void ReaderDatabase::SeedDemo() {
  SetRecords({"#070326101500F9180451CBE991A146Cow 1         ",
              "A080326111501F0123456789ABCDEF1Cow 2         ",
              "B0903261215027ABCDEF01FFFFFFFF3Trovan tag    "});
  SetAttribute(0, "Herd");
  SetAttribute(1, "Barn A");
  SetAttribute(2, "Barn B");
}

void ReaderDatabase::SetRecords(std::vector<std::string> records) {
  std::lock_guard lock(mutex_);
  records_ = std::move(records);
  readPointer_ = 0;
}

std::vector<std::string> ReaderDatabase::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

void ReaderDatabase::SetAttribute(int index, std::string text) {
  std::lock_guard lock(mutex_);
  if (index >= 0 && index < 27) attributes_[static_cast<std::size_t>(index)] = std::move(text);
}

std::array<std::string, 27> ReaderDatabase::Attributes() const {
  std::lock_guard lock(mutex_);
  return attributes_;
}

void ReaderDatabase::SetEraseAnswer(char answer, std::uint32_t delayMs) {
  std::lock_guard lock(mutex_);
  eraseAnswer_ = answer;
  eraseDelayMs_ = delayMs;
}

void ReaderDatabase::RefuseWrites(int count, char answer) {
  std::lock_guard lock(mutex_);
  refusedWrites_ = count;
  refusedWriteAnswer_ = answer;
}

void ReaderDatabase::RefuseWritePointer(int count, char answer) {
  std::lock_guard lock(mutex_);
  refusedPointers_ = count;
  refusedPointerAnswer_ = answer;
}

std::vector<std::string> ReaderDatabase::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::string ReaderDatabase::OnReadPointer() {
  std::lock_guard lock(mutex_);
  readPointer_ = 0;
  return Byte(serial::kAck);
}

std::string ReaderDatabase::OnReadNext() {
  std::lock_guard lock(mutex_);
  if (readPointer_ < records_.size()) return serial::FrameCommand(records_[readPointer_++]);
  return serial::FrameCommand(endMarker_);
}

std::string ReaderDatabase::OnReadAttribute(std::string_view command) const {
  if (command.size() != 2 || TokenIndex(command[1]) < 0) return Byte(serial::kNak);
  std::lock_guard lock(mutex_);
  const std::string& text = attributes_[static_cast<std::size_t>(TokenIndex(command[1]))];
  // An attribute without text answers with its token alone.
  return serial::FrameCommand(text.empty() ? std::string(1, command[1]) : text);
}

std::string ReaderDatabase::OnErase() {
  std::uint32_t delay = 0;
  {
    std::lock_guard lock(mutex_);
    delay = eraseDelayMs_;
  }
  // A long erase keeps the reader busy; the program polls for the answer meanwhile.
  if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  std::lock_guard lock(mutex_);
  if (eraseAnswer_ == serial::kAck) {
    records_.clear();
    readPointer_ = 0;
    written_.clear();
  }
  return eraseAnswer_ == 0 ? std::string() : Byte(eraseAnswer_);
}

std::string ReaderDatabase::OnWritePointer() {
  std::lock_guard lock(mutex_);
  if (refusedPointers_ > 0) {
    --refusedPointers_;
    return Byte(refusedPointerAnswer_);
  }
  records_.clear();
  written_.clear();
  return Byte(serial::kAck);
}

std::string ReaderDatabase::OnWriteAttribute(std::string_view command) {
  if (command.size() < 5 || TokenIndex(command[1]) < 0) return Byte(serial::kNak);
  std::string text(command.substr(2));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text == "___") text.clear();
  std::lock_guard lock(mutex_);
  attributes_[static_cast<std::size_t>(TokenIndex(command[1]))] = text;
  written_.emplace_back(command);
  return Byte(serial::kAck);
}

std::string ReaderDatabase::OnWriteRecord(std::string_view command) {
  std::lock_guard lock(mutex_);
  if (refusedWrites_ > 0) {
    --refusedWrites_;
    return Byte(refusedWriteAnswer_);
  }
  records_.emplace_back(command.substr(1));
  written_.emplace_back(command);
  return Byte(serial::kAck);
}

}  // namespace tagline::sim
