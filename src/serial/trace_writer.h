// SPDX-License-Identifier: Apache-2.0
// Records the line into a trace file (see trace_file.h): buffered, so that a job pays no
// measurable time for it, and bounded: past its size limit the events of this recording
// before the last part are dropped, the header kept and the drop marked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iso_time.h"
#include "serial/line_recorder.h"

namespace tagline::serial {

inline constexpr std::uint64_t kDefaultTraceLimitBytes = std::uint64_t{100} * 1024 * 1024;

struct TraceStart {
  std::string program;  // "tagline 6.82"
  std::string port;     // as configured, when known
  std::string line;     // "9600 8N1", when known
  std::string model;    // when known
};

class TraceWriter final : public LineRecorder {
 public:
  // Appends to `path`: a new file, or after what is there (earlier recordings stay), each
  // recording with its own header. nullptr and `error` when the file cannot be written.
  static std::unique_ptr<TraceWriter> Open(const std::string& path, const TraceStart& start,
                                           std::uint64_t limitBytes, std::string& error);
  ~TraceWriter() override;
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;

  void Opened(const std::string& port, const platform::Dcb& line) override;
  void Closed() override;
  void Sent(std::string_view bytes) override;
  void Received(std::string_view bytes, std::uint32_t agoMs) override;
  void Flushed() override;
  void Lost() override;
  void Note(std::string_view text);

  // Writes out what is buffered; false once the file did not take something.
  bool Flush();
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { (void)std::fclose(file); }
  };
  TraceWriter(std::string path, std::unique_ptr<std::FILE, FileCloser> file, std::uint64_t ownStart,
              std::uint64_t limitBytes);

  void Write(std::string_view text);
  void Event(std::string_view kind, std::string_view detail, std::uint32_t agoMs = 0);
  void Bytes(std::string_view kind, std::string_view bytes, std::uint32_t agoMs = 0);
  // Past the limit: the oldest events of this recording go, its header stays.
  void DropOldest();

  std::string path_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::vector<char> buffer_;
  std::uint64_t eventsStart_;  // where this recording's events begin in the file
  std::uint64_t size_;         // the file's size with what is buffered
  std::uint64_t limit_;
  platform::IsoTimeFormatter clock_;
  std::int64_t lastMs_ = 0;
  bool failed_ = false;
};

}  // namespace tagline::serial
