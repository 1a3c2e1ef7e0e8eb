// SPDX-License-Identifier: Apache-2.0
#include "serial/trace_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "serial/trace_file.h"

namespace tagline::serial {

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
// What stays of the events when the limit is reached: the last quarter of it.
constexpr std::uint64_t kKeptShare = 4;

}  // namespace

std::unique_ptr<TraceWriter> TraceWriter::Open(const std::string& path, const TraceStart& start,
                                               std::uint64_t limitBytes, std::string& error) {
  // Append mode: a file that is there is never replaced or cut.
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "ab"));
  if (!file) {
    error = "cannot write the trace " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::error_code ignored;
  const auto existing = std::filesystem::file_size(path, ignored);
  const std::uint64_t before = ignored ? 0 : existing;
  std::unique_ptr<TraceWriter> writer(new TraceWriter(path, std::move(file), before, limitBytes));
  std::string header;
  if (before > 0) header += "\n";  // a recording after another
  header += std::string(kTraceMagic) + "\n";
  if (!start.program.empty()) header += "# program: " + start.program + "\n";
  header += "# started: " + writer->clock_.Format(platform::UnixMsNow()) + "\n";
  if (!start.port.empty()) header += "# port: " + start.port + "\n";
  if (!start.line.empty()) header += "# line: " + start.line + "\n";
  if (!start.model.empty()) header += "# model: " + start.model + "\n";
  writer->Write(header);
  writer->eventsStart_ = writer->size_;
  if (!writer->Flush()) {
    error = "cannot write the trace " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return writer;
}

TraceWriter::TraceWriter(std::string path, std::unique_ptr<std::FILE, FileCloser> file,
                         std::uint64_t ownStart, std::uint64_t limitBytes)
    : path_(std::move(path)),
      file_(std::move(file)),
      eventsStart_(ownStart),
      size_(ownStart),
      limit_(limitBytes) {
  buffer_.reserve(kBufferBytes);
}

TraceWriter::~TraceWriter() {
  Flush();
}

bool TraceWriter::Flush() {
  if (!file_) return false;
  if (!buffer_.empty()) {
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
    if (written != buffer_.size()) failed_ = true;
    buffer_.clear();
  }
  if (std::fflush(file_.get()) != 0) failed_ = true;
  return !failed_;
}

void TraceWriter::Write(std::string_view text) {
  buffer_.insert(buffer_.end(), text.begin(), text.end());
  size_ += text.size();
  if (buffer_.size() >= kBufferBytes) Flush();
  if (limit_ > 0 && size_ - eventsStart_ > limit_) DropOldest();
}

void TraceWriter::Event(std::string_view kind, std::string_view detail, std::uint32_t agoMs) {
  // Never before the event written last: the times of a trace only go forward.
  lastMs_ = std::max(lastMs_, platform::UnixMsNow() - agoMs);
  std::string line = clock_.Format(lastMs_);
  line += ' ';
  line += kind;
  if (!detail.empty()) {
    line += ' ';
    line += detail;
  }
  line += '\n';
  Write(line);
}

void TraceWriter::Bytes(std::string_view kind, std::string_view bytes, std::uint32_t agoMs) {
  Event(kind, TraceHex(bytes) + " |" + TracePrintable(bytes) + "|", agoMs);
}

void TraceWriter::Opened(const std::string& port, const platform::Dcb& line) {
  Event("open", port + " " + LineSettingsText(line));
}

void TraceWriter::Closed() {
  Event("close", {});
  Flush();
}

void TraceWriter::Sent(std::string_view bytes) {
  Bytes(">", bytes);
}

void TraceWriter::Received(std::string_view bytes, std::uint32_t agoMs) {
  Bytes("<", bytes, agoMs);
}

void TraceWriter::Flushed() {
  Event("flush", {});
}

void TraceWriter::Lost() {
  Event("lost", {});
  Flush();  // what led to it must survive whatever comes next
}

void TraceWriter::Note(std::string_view text) {
  Event("note", text);
}

void TraceWriter::DropOldest() {
  if (!Flush()) return;
  const std::uint64_t keep = limit_ / kKeptShare;
  std::string tail;
  {
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size_ - keep));
    tail.resize(keep);
    in.read(tail.data(), static_cast<std::streamsize>(keep));
    tail.resize(static_cast<std::size_t>(in.gcount()));
  }
  // The kept part starts with a whole event.
  const std::size_t cut = tail.find('\n');
  tail.erase(0, cut == std::string::npos ? tail.size() : cut + 1);
  file_.reset();
  std::error_code error;
  std::filesystem::resize_file(path_, eventsStart_, error);
  file_.reset(std::fopen(path_.c_str(), "ab"));
  if (error || !file_) {
    failed_ = true;
    return;
  }
  size_ = eventsStart_;
  const std::string note = clock_.Format(platform::UnixMsNow()) + " limit " +
                           std::to_string(limit_) +
                           " bytes reached; the events before the next one were dropped\n";
  buffer_.insert(buffer_.end(), note.begin(), note.end());
  buffer_.insert(buffer_.end(), tail.begin(), tail.end());
  size_ += note.size() + tail.size();
  Flush();
}

}  // namespace tagline::serial
