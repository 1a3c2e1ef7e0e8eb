// SPDX-License-Identifier: Apache-2.0
// The trace file: what the writer puts down reads back event for event; a file is never
// replaced; past the size limit the header and the last events stay.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/iso_time.h"
#include "serial/trace_file.h"
#include "serial/trace_writer.h"
#include "temp_dir.h"

namespace tagline::serial {
namespace {

platform::Dcb Line9600() {
  platform::Dcb line;
  line.BaudRate = 9600;
  line.ByteSize = 8;
  line.Parity = platform::kEvenParity;
  line.StopBits = platform::kTwoStopBits;
  return line;
}

Trace ReadBack(const std::string& path) {
  std::string error;
  auto trace = ReadTrace(path, error);
  EXPECT_TRUE(trace.has_value()) << error;
  return trace.value_or(Trace{});
}

TEST(IsoTime, FormatsLocalTimeWithMillisecondsAndOffsetAndReadsItBack) {
  platform::IsoTimeFormatter formatter;
  const std::int64_t now = platform::UnixMsNow();
  for (const std::int64_t ms : {now, now + 1, now + 999, now + 1000, std::int64_t{0}}) {
    const std::string text = formatter.Format(ms);
    ASSERT_EQ(text.size(), 29u) << text;
    EXPECT_EQ(platform::ParseIsoTimeMs(text), ms) << text;
  }
  EXPECT_EQ(platform::ParseIsoTimeMs("2026-12-09T14:03:12.345+01:00"),
            platform::ParseIsoTimeMs("2026-12-09T13:03:12.345+00:00"));
  EXPECT_EQ(platform::ParseIsoTimeMs("1970-01-01T00:00:01.002-00:30"), 1002 + 1800 * 1000);
  for (const char* bad : {"", "2026-12-09 14:03:12.345+01:00", "2026-13-09T14:03:12.345+01:00",
                          "2026-12-09T14:03:12,345+01:00", "2026-12-09T14:03:12.345"}) {
    EXPECT_FALSE(platform::ParseIsoTimeMs(bad).has_value()) << bad;
  }
}

TEST(Trace, EveryEventReadsBackAsWritten) {
  test::TempDir dir;
  const std::string path = dir.path() + "/t.txt";
  const std::string all(256, '\0');
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  {
    std::string error;
    auto writer = TraceWriter::Open(path, {"tagline 6.82", "/dev/ttyUSB0", "9600 8E2", "41 Ktr"},
                                    kDefaultTraceLimitBytes, error);
    ASSERT_NE(writer, nullptr) << error;
    writer->Opened("/dev/ttyUSB0", Line9600());
    writer->Flushed();
    writer->Sent("\x02SVCE2C\x03");
    writer->Received(everyByte, 0);
    writer->Note("model known");
    writer->Lost();
    writer->Closed();
  }
  const std::string text = test::ReadBytes(path);
  EXPECT_NE(text.find("> 02 53 56 43 45 32 43 03 |.SVCE2C.|\n"), std::string::npos) << text;
  const Trace trace = ReadBack(path);
  EXPECT_EQ(trace.header.front(), "tagline trace 1");
  EXPECT_NE(std::find(trace.header.begin(), trace.header.end(), "line: 9600 8E2"),
            trace.header.end());
  ASSERT_EQ(trace.events.size(), 7u);
  EXPECT_EQ(trace.events[0].kind, TraceKind::Open);
  EXPECT_EQ(trace.events[0].detail, "/dev/ttyUSB0 9600 8E2");
  EXPECT_EQ(trace.events[1].kind, TraceKind::Flush);
  EXPECT_EQ(trace.events[2].bytes, "\x02SVCE2C\x03");
  EXPECT_EQ(trace.events[3].kind, TraceKind::Received);
  EXPECT_EQ(trace.events[3].bytes, everyByte);
  EXPECT_EQ(trace.events[4].detail, "model known");
  EXPECT_EQ(trace.events[5].kind, TraceKind::Lost);
  EXPECT_EQ(trace.events[6].kind, TraceKind::Close);
  for (std::size_t i = 1; i < trace.events.size(); ++i) {
    EXPECT_GE(trace.events[i].unixMs, trace.events[i - 1].unixMs);
  }
}

TEST(Trace, AnExistingFileIsAppendedToWithAHeaderOfItsOwn) {
  test::TempDir dir;
  const std::string path = dir.path() + "/t.txt";
  for (int run = 0; run < 2; ++run) {
    std::string error;
    auto writer = TraceWriter::Open(path, {"tagline", "", "", ""}, kDefaultTraceLimitBytes, error);
    ASSERT_NE(writer, nullptr) << error;
    writer->Sent(run == 0 ? "first" : "second");
  }
  const Trace trace = ReadBack(path);
  ASSERT_EQ(trace.events.size(), 2u);
  EXPECT_EQ(trace.events[0].bytes, "first");
  EXPECT_EQ(trace.events[1].bytes, "second");
  EXPECT_EQ(std::count(trace.header.begin(), trace.header.end(), "tagline trace 1"), 2);
}

TEST(Trace, PastItsLimitTheHeaderAndTheLastEventsStay) {
  test::TempDir dir;
  const std::string path = dir.path() + "/t.txt";
  test::WriteBytes(path, "an earlier recording stays as it was\n");
  constexpr std::uint64_t kLimit = 64 * 1024;
  {
    std::string error;
    auto writer = TraceWriter::Open(path, {"tagline", "/dev/ttyUSB0", "", ""}, kLimit, error);
    ASSERT_NE(writer, nullptr) << error;
    for (int i = 0; i < 5000; ++i) writer->Sent("command " + std::to_string(i));
  }
  const std::string text = test::ReadBytes(path);
  EXPECT_LE(text.size(), kLimit + 1024);
  EXPECT_EQ(text.rfind("an earlier recording stays as it was\n", 0), 0u);
  EXPECT_NE(text.find("# port: /dev/ttyUSB0\n"), std::string::npos);
  EXPECT_NE(text.find(" limit 65536 bytes reached"), std::string::npos);
  // The events kept are the last ones, whole and in order.
  std::string error;
  const auto trace = ParseTrace(text.substr(text.find("# tagline trace 1")), error);
  ASSERT_TRUE(trace.has_value()) << error;
  ASSERT_GT(trace->events.size(), 100u);
  EXPECT_EQ(trace->events.front().kind, TraceKind::Limit);
  EXPECT_EQ(trace->events.back().bytes, "command 4999");
  const std::string first = trace->events[1].bytes;
  const int firstNumber = std::stoi(first.substr(8));
  EXPECT_EQ(trace->events[1 + (4999 - firstNumber)].bytes, "command 4999");
}

TEST(Trace, TextsThatAreNoTraceAreRefusedWithTheLine) {
  std::string error;
  EXPECT_FALSE(ParseTrace("hello\n", error).has_value());
  EXPECT_EQ(error, "line 1: no \"# tagline trace 1\" header before it");
  EXPECT_FALSE(
      ParseTrace("# tagline trace 1\n2026-12-09T14:03:12.345+01:00 > 0G\n", error).has_value());
  EXPECT_EQ(error, "line 2: the bytes are no hex pairs");
  EXPECT_FALSE(
      ParseTrace("# tagline trace 1\n2026-12-09T14:03:12.345+01:00 jump\n", error).has_value());
  EXPECT_EQ(error, "line 2: unknown event \"jump\"");
  EXPECT_FALSE(ParseTrace("# a comment\n", error).has_value());
}

}  // namespace
}  // namespace tagline::serial
