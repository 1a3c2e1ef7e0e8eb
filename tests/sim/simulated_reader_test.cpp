// SPDX-License-Identifier: Apache-2.0
#include "sim/simulated_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "serial/frame.h"
#include "serial/serial_port.h"
#include "sim/command_reader.h"
#include "sim/fault.h"
#include "sim/pseudo_terminal.h"
#include "sim/unique_fd.h"

extern char** environ;

namespace tagline::sim {
namespace {

using Clock = std::chrono::steady_clock;
using serial::kAck;
using serial::kBel;
using serial::kCr;
using serial::kEtx;
using serial::kNak;
using serial::kStx;
using Kind = ReceivedCommand::Kind;

constexpr int kWaitMs = 2000;  // generous bound for replies that must come

long MsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string Frame(const std::string& text) {
  return std::string(1, kStx) + text + serial::CrcDigits(text) + kEtx;
}

UniqueFd OpenSlave(const std::string& path) {
  return UniqueFd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    ASSERT_GT(n, 0) << std::strerror(errno);
    done += static_cast<std::size_t>(n);
  }
}

// Reads until `want` bytes have come or `timeoutMs` has passed; never more than `want`.
std::string ReadBytes(int fd, std::size_t want, int timeoutMs = kWaitMs) {
  std::string out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < want) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0 || (p.revents & POLLIN) == 0) break;
    std::array<char, 256> buffer{};
    const ssize_t n = read(fd, buffer.data(), std::min(buffer.size(), want - out.size()));
    if (n <= 0) break;
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return out;
}

std::string ReadQueued(int fd) {
  std::string out;
  std::array<char, 256> buffer{};
  ssize_t n = 0;
  while ((n = read(fd, buffer.data(), buffer.size())) > 0) {
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return out;
}

bool NothingArrives(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) == 0;
}

std::filesystem::path ScratchPath(const std::string& name) {
  static std::atomic<int> counter{0};
  return std::filesystem::temp_directory_path() /
         ("tagline-sim-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" + name);
}

SimOptions QuickOptions() {
  SimOptions options;
  options.latencyMs = 0;
  options.paceByBaud = false;
  return options;
}

// ---------------------------------------------------------------------------------------
// Splitting received bytes into commands.

TEST(SimulatedReaderCommandReader, FramesWithGoodCrcBecomeCommandsHoweverSplit) {
  CommandReader reader;
  const auto commands = reader.Feed(Frame("SV") + Frame("s22400"));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0], (ReceivedCommand{Kind::Framed, "SV"}));
  EXPECT_EQ(commands[1], (ReceivedCommand{Kind::Framed, "s22400"}));

  const std::string frame = Frame("GT");
  for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
    EXPECT_TRUE(reader.Feed(frame.substr(i, 1)).empty()) << "at byte " << i;
  }
  EXPECT_EQ(reader.Feed(frame.substr(frame.size() - 1)),
            std::vector<ReceivedCommand>{(ReceivedCommand{Kind::Framed, "GT"})});
}

TEST(SimulatedReaderCommandReader, WrongOrMissingCrcDigitsAreReported) {
  CommandReader reader;
  const std::string good = serial::CrcDigits("SV");
  std::string wrong = good;
  wrong[3] = wrong[3] == '0' ? '1' : '0';
  const auto commands = reader.Feed(std::string(1, kStx) + "SV" + wrong + kEtx +
                                    std::string(1, kStx) + "SV" + kEtx + kStx + kEtx);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], (ReceivedCommand{Kind::BadCrc, "SV" + wrong}));
  EXPECT_EQ(commands[1], (ReceivedCommand{Kind::BadCrc, "SV"}));
  EXPECT_EQ(commands[2], (ReceivedCommand{Kind::BadCrc, ""}));
}

TEST(SimulatedReaderCommandReader, LinesAndHostAcknowledgementsAreRecognised) {
  CommandReader reader;
  const auto commands =
      reader.Feed("SV\r\nXT\r\r\n" + std::string{kStx, kAck, kEtx} + std::string{kStx, kNak, kEtx});
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0], (ReceivedCommand{Kind::Line, "SV"}));
  EXPECT_EQ(commands[1], (ReceivedCommand{Kind::Line, "XT"}));
  EXPECT_EQ(commands[2], (ReceivedCommand{Kind::Acknowledge, std::string(1, kAck)}));
  EXPECT_EQ(commands[3], (ReceivedCommand{Kind::Acknowledge, std::string(1, kNak)}));
}

TEST(SimulatedReaderCommandReader, NewStxDropsUnfinishedFrameOrLine) {
  CommandReader reader;
  const auto commands = reader.Feed("junk" + std::string(1, kStx) + "SVCE" + Frame("XT"));
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].text, "XT");
  EXPECT_TRUE(reader.Feed(std::string(1, kEtx)).empty());
}

TEST(SimulatedReaderCommandReader, OverlongFrameIsDroppedAndReaderRecovers) {
  CommandReader reader;
  const std::string huge(CommandReader::kMaxLength + 10, 'A');
  EXPECT_TRUE(reader.Feed(std::string(1, kStx) + huge + kEtx).empty());
  EXPECT_TRUE(reader.Feed(huge + "\r").empty());
  const auto commands = reader.Feed(Frame("SV") + "XT\r");
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].text, "SV");
  EXPECT_EQ(commands[1].text, "XT");
}

// ---------------------------------------------------------------------------------------
// Reply shaping by faults.

TEST(SimulatedReaderFaultShape, GarbageHoldsNoProtocolByte) {
  const std::string_view garbage = GarbageBytes();
  EXPECT_GE(garbage.size(), 3u);
  for (const char c : std::string_view("\x02\x03\x06\x07\x15\r\n", 7)) {
    EXPECT_EQ(garbage.find(c), std::string_view::npos) << static_cast<int>(c);
  }
}

TEST(SimulatedReaderFaultShape, SplitCoversReplyInNearlyEqualParts) {
  const std::string reply = Frame("KTR H9 V4.30054");
  const auto parts = ShapeReply(Fault{.kind = FaultKind::Split, .parts = 4, .pauseMs = 7}, reply);
  ASSERT_EQ(parts.size(), 4u);
  std::string joined;
  std::size_t shortest = reply.size();
  std::size_t longest = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    joined += parts[i].bytes;
    shortest = std::min(shortest, parts[i].bytes.size());
    longest = std::max(longest, parts[i].bytes.size());
    EXPECT_EQ(parts[i].delayMs, i == 0 ? 0u : 7u);
  }
  EXPECT_EQ(joined, reply);
  EXPECT_LE(longest - shortest, 1u);
}

TEST(SimulatedReaderFaultShape, SplitPartCountIsBoundedByReply) {
  const auto many = ShapeReply(Fault{.kind = FaultKind::Split, .parts = 10}, "ab");
  ASSERT_EQ(many.size(), 2u);
  EXPECT_EQ(many[0].bytes, "a");
  EXPECT_EQ(many[1].bytes, "b");
  const auto none = ShapeReply(Fault{.kind = FaultKind::Split, .parts = -3}, "ab");
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].bytes, "ab");
  EXPECT_TRUE(ShapeReply(Fault{.kind = FaultKind::Split, .parts = 3}, "").empty());
}

TEST(SimulatedReaderFaultQueue, FaultsApplyInOrderForTheirCount) {
  FaultQueue queue;
  queue.Push(Fault{.kind = FaultKind::Nak, .count = 2});
  queue.Push(Fault{.kind = FaultKind::Bel, .count = 0});  // nothing to apply
  queue.Push(Fault{.kind = FaultKind::Silence, .count = 1});
  EXPECT_EQ(queue.TakeNext()->kind, FaultKind::Nak);
  EXPECT_EQ(queue.TakeNext()->kind, FaultKind::Nak);
  EXPECT_EQ(queue.TakeNext()->kind, FaultKind::Silence);
  EXPECT_FALSE(queue.TakeNext().has_value());
  EXPECT_TRUE(queue.Empty());
}

TEST(SimulatedReaderFaultQueue, NegativeCountLastsUntilCleared) {
  FaultQueue queue;
  queue.Push(Fault{.kind = FaultKind::Bel, .count = -1});
  queue.Push(Fault{.kind = FaultKind::Nak, .count = 1});
  for (int i = 0; i < 50; ++i) ASSERT_EQ(queue.TakeNext()->kind, FaultKind::Bel);
  queue.Clear();
  EXPECT_FALSE(queue.TakeNext().has_value());
}

// ---------------------------------------------------------------------------------------
// The running reader, seen from an open slave.

class SimulatedReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { StartWith(QuickOptions()); }

  void StartWith(SimOptions options) {
    tty = UniqueFd();
    reader.reset();
    std::string error;
    reader = SimulatedReader::Start(std::move(options), error);
    ASSERT_NE(reader, nullptr) << error;
    tty = OpenSlave(reader->DevicePath());
    ASSERT_TRUE(tty.valid()) << std::strerror(errno);
  }

  // Sends a command and returns what came back within `ms` (at most `want` bytes).
  std::string Exchange(const std::string& bytes, std::size_t want, int ms = kWaitMs) {
    WriteAll(tty.get(), bytes);
    return ReadBytes(tty.get(), want, ms);
  }

  std::string VersionFrame() const { return Frame(reader->Version()); }

  std::unique_ptr<SimulatedReader> reader;
  UniqueFd tty;
};

TEST_F(SimulatedReaderTest, FramedSvIsAnsweredWithVersionFrame) {
  const std::string version = SimOptions{}.version;
  const std::string expected =
      std::string(1, kStx) + version + serial::CrcDigits(version) + std::string(1, kEtx);
  EXPECT_EQ(reader->Version(), version);
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
  EXPECT_TRUE(NothingArrives(tty.get(), 30));
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
  EXPECT_EQ(reader->RawReceived(), serial::FrameCommand("SV"));
}

TEST_F(SimulatedReaderTest, VersionCanBeChanged) {
  reader->SetVersion("B2.1 VIP 0815");
  EXPECT_EQ(reader->Version(), "B2.1 VIP 0815");
  const std::string expected = Frame("B2.1 VIP 0815");
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
  reader->SetVersion("");
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), 6), Frame(""));

  SimOptions options = QuickOptions();
  options.version = "Talvikko 1.2";
  StartWith(options);
  const std::string fromOptions = Frame("Talvikko 1.2");
  EXPECT_EQ(Exchange("SV\r", fromOptions.size()), fromOptions);  // a CR line works as well
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
}

TEST_F(SimulatedReaderTest, WrongCrcIsAnsweredWithNakAndCounted) {
  EXPECT_EQ(Exchange(std::string(1, kStx) + "SV0000" + kEtx, 1), std::string(1, kNak));
  EXPECT_TRUE(NothingArrives(tty.get(), 30));
  EXPECT_EQ(reader->CrcErrors(), 1u);
  EXPECT_TRUE(reader->Commands().empty());
  // The next good frame is answered normally.
  const std::string expected = VersionFrame();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
}

TEST_F(SimulatedReaderTest, UnknownCommandIsAnsweredWithNak) {
  EXPECT_EQ(Exchange(serial::FrameCommand("QQ"), 1), std::string(1, kNak));
  EXPECT_TRUE(NothingArrives(tty.get(), 30));
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"QQ"});
  EXPECT_EQ(reader->CrcErrors(), 0u);
}

TEST_F(SimulatedReaderTest, HostAcknowledgementIsRecordedButNotAnswered) {
  WriteAll(tty.get(), std::string{kStx, kAck, kEtx});
  ASSERT_TRUE(reader->WaitForCommands(1, kWaitMs));
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{std::string(1, kAck)});
  EXPECT_TRUE(NothingArrives(tty.get(), 60));
}

TEST_F(SimulatedReaderTest, LongestPrefixHandlerWins) {
  reader->SetHandler(
      "s", [](std::string_view command) { return std::string(1, kAck) + std::string(command); });
  reader->SetHandler("s2", [](std::string_view) { return std::string(1, kBel); });
  EXPECT_EQ(Exchange(serial::FrameCommand("s22400"), 1), std::string(1, kBel));
  EXPECT_EQ(Exchange(serial::FrameCommand("s10105"), 7), std::string(1, kAck) + "s10105");
  // The built-in "SV" is not shadowed by a shorter prefix.
  reader->SetHandler("S", [](std::string_view) { return std::string("short"); });
  const std::string expected = VersionFrame();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
  EXPECT_EQ(Exchange(serial::FrameCommand("S224"), 5), "short");
  // Removing a handler falls back to the next shorter prefix, then to NAK.
  reader->SetHandler("s2", nullptr);
  EXPECT_EQ(Exchange(serial::FrameCommand("s22400"), 7), std::string(1, kAck) + "s22400");
  reader->SetHandler("s", nullptr);
  EXPECT_EQ(Exchange(serial::FrameCommand("s22400"), 1), std::string(1, kNak));
}

TEST_F(SimulatedReaderTest, HandlerMayUseTheReaderAndAnswerNothing) {
  reader->SetHandler("GT", [this](std::string_view) {
    reader->SetVersion("changed by handler");
    return std::string();
  });
  WriteAll(tty.get(), serial::FrameCommand("GT"));
  ASSERT_TRUE(reader->WaitForCommands(1, kWaitMs));
  EXPECT_TRUE(NothingArrives(tty.get(), 60));
  EXPECT_EQ(reader->Version(), "changed by handler");
}

TEST_F(SimulatedReaderTest, WaitForCommandsReportsTimeoutAndArrival) {
  EXPECT_FALSE(reader->WaitForCommands(1, 20));
  WriteAll(tty.get(), serial::FrameCommand("XT") + "ET\r");
  EXPECT_TRUE(reader->WaitForCommands(2, kWaitMs));
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"XT", "ET"}));
  reader->ClearRecord();
  EXPECT_TRUE(reader->Commands().empty());
  EXPECT_TRUE(reader->RawReceived().empty());
}

TEST_F(SimulatedReaderTest, OnlineCodesAreSentFramedOrWithCr) {
  reader->SendOnlineCode("0123456789ABCDEF");
  const std::string framed = Frame("0123456789ABCDEF");
  EXPECT_EQ(ReadBytes(tty.get(), framed.size()), framed);
  reader->SendOnlineCode("999000000012345", Terminator::Cr);
  EXPECT_EQ(ReadBytes(tty.get(), 16), std::string("999000000012345") + kCr);
  reader->SendRaw(std::string("\x00\x06z", 3));
  EXPECT_EQ(ReadBytes(tty.get(), 3), std::string("\x00\x06z", 3));
  EXPECT_TRUE(NothingArrives(tty.get(), 30));
}

TEST_F(SimulatedReaderTest, OutputWaitsForRoomAndKeepsOrderWhenNobodyReads) {
  // More than a pseudo-terminal buffers, so the reader must wait for the host to read.
  std::string sent;
  for (int block = 0; block < 40; ++block) {
    std::string bytes(1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<char>((sent.size() + i) % 251);
    }
    reader->SendRaw(bytes);
    sent += bytes;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadBytes(tty.get(), sent.size()), sent);
  EXPECT_TRUE(NothingArrives(tty.get(), 20));
}

TEST_F(SimulatedReaderTest, LatencyDelaysEveryReply) {
  SimOptions options = QuickOptions();
  options.latencyMs = 60;
  StartWith(options);
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(serial::FrameCommand("QQ"), 1), std::string(1, kNak));
  EXPECT_GE(MsSince(start), 60);
}

// ---------------------------------------------------------------------------------------
// Faults, as the host sees them.

using SimulatedReaderFaults = SimulatedReaderTest;

TEST_F(SimulatedReaderFaults, ReplacingFaultsApplyInOrderThenNormalReplyReturns) {
  std::atomic<int> handlerRuns{0};
  reader->SetHandler("GT", [&handlerRuns](std::string_view) {
    ++handlerRuns;
    return std::string(1, kAck);
  });
  reader->InjectFault(Fault{.kind = FaultKind::Nak});
  reader->InjectFault(Fault{.kind = FaultKind::Bel});
  reader->InjectFault(Fault{.kind = FaultKind::Byte, .byte = 'x'});
  reader->InjectFault(Fault{.kind = FaultKind::Garbage});
  const std::string command = serial::FrameCommand("GT");
  EXPECT_EQ(Exchange(command, 1), std::string(1, kNak));
  EXPECT_EQ(Exchange(command, 1), std::string(1, kBel));
  EXPECT_EQ(Exchange(command, 1), "x");
  EXPECT_EQ(Exchange(command, GarbageBytes().size()), GarbageBytes());
  EXPECT_EQ(handlerRuns, 0);
  EXPECT_EQ(Exchange(command, 1), std::string(1, kAck));
  EXPECT_EQ(handlerRuns, 1);
  EXPECT_TRUE(NothingArrives(tty.get(), 30));
}

TEST_F(SimulatedReaderFaults, SilenceLastsForItsCount) {
  reader->InjectFault(Fault{.kind = FaultKind::Silence, .count = 2});
  WriteAll(tty.get(), serial::FrameCommand("SV"));
  WriteAll(tty.get(), serial::FrameCommand("SV"));
  ASSERT_TRUE(reader->WaitForCommands(2, kWaitMs));
  EXPECT_TRUE(NothingArrives(tty.get(), 80));
  const std::string expected = VersionFrame();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
}

TEST_F(SimulatedReaderFaults, NegativeCountAppliesUntilCleared) {
  reader->InjectFault(Fault{.kind = FaultKind::Nak, .count = -1});
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Exchange(serial::FrameCommand("SV"), 1), std::string(1, kNak));
  }
  reader->ClearFaults();
  const std::string expected = VersionFrame();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
}

TEST_F(SimulatedReaderFaults, SplitReplyArrivesInPartsButComplete) {
  constexpr std::uint32_t kPauseMs = 100;
  reader->InjectFault(Fault{.kind = FaultKind::Split, .parts = 3, .pauseMs = kPauseMs});
  const std::string expected = VersionFrame();
  const auto start = Clock::now();
  WriteAll(tty.get(), serial::FrameCommand("SV"));
  // The first part alone is there at first; the rest follows after the pauses.
  const std::string first = ReadBytes(tty.get(), 1);
  ASSERT_EQ(first.size(), 1u);
  const std::string firstPart = first + ReadQueued(tty.get());
  EXPECT_LT(firstPart.size(), expected.size());
  const std::string all =
      firstPart + ReadBytes(tty.get(), expected.size() - firstPart.size(), 3 * kWaitMs);
  EXPECT_EQ(all, expected);
  EXPECT_GE(MsSince(start), static_cast<long>(2 * kPauseMs));
}

TEST_F(SimulatedReaderFaults, DelayPostponesTheReply) {
  reader->InjectFault(Fault{.kind = FaultKind::Delay, .delayMs = 80});
  const std::string expected = VersionFrame();
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
  EXPECT_GE(MsSince(start), 80);
}

TEST_F(SimulatedReaderFaults, WrongCrcUsesUpAFault) {
  reader->InjectFault(Fault{.kind = FaultKind::Bel});
  EXPECT_EQ(Exchange(std::string(1, kStx) + "SVFFFF" + kEtx, 1), std::string(1, kBel));
  const std::string expected = VersionFrame();
  EXPECT_EQ(Exchange(serial::FrameCommand("SV"), expected.size()), expected);
}

// ---------------------------------------------------------------------------------------
// The device link and unplugging.

class SimulatedReaderLink : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
  }
  std::unique_ptr<SimulatedReader> StartLinked(std::string& error) {
    SimOptions options = QuickOptions();
    options.linkPath = link.string();
    return SimulatedReader::Start(std::move(options), error);
  }
  std::filesystem::path link = ScratchPath("link");
};

TEST_F(SimulatedReaderLink, LinkLeadsToTheDeviceAndGoesAwayWithIt) {
  std::string error;
  auto reader = StartLinked(error);
  ASSERT_NE(reader, nullptr) << error;
  EXPECT_EQ(reader->DevicePath(), link.string());
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), reader->SlavePath());
  const UniqueFd tty = OpenSlave(reader->DevicePath());
  ASSERT_TRUE(tty.valid());
  WriteAll(tty.get(), "SV\r");
  const std::string expected = Frame(reader->Version());
  EXPECT_EQ(ReadBytes(tty.get(), expected.size()), expected);
  reader.reset();
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST_F(SimulatedReaderLink, StaleLinkIsReplacedButOtherFilesAreKept) {
  std::filesystem::create_symlink("/nonexistent/tagline-device", link);
  std::string error;
  auto reader = StartLinked(error);
  ASSERT_NE(reader, nullptr) << error;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), reader->SlavePath());
  reader.reset();

  { std::ofstream(link) << "keep me"; }
  error.clear();
  EXPECT_EQ(StartLinked(error), nullptr);
  EXPECT_FALSE(error.empty());
  std::ifstream in(link);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST_F(SimulatedReaderLink, UnplugHangsUpOpenSlaveAndRemovesLink) {
  std::string error;
  auto reader = StartLinked(error);
  ASSERT_NE(reader, nullptr) << error;
  const UniqueFd tty = OpenSlave(reader->DevicePath());
  ASSERT_TRUE(tty.valid());
  termios tio{};
  ASSERT_EQ(tcgetattr(tty.get(), &tio), 0);
  EXPECT_FALSE(reader->IsUnplugged());

  reader->Unplug();
  EXPECT_TRUE(reader->IsUnplugged());
  errno = 0;
  EXPECT_NE(tcgetattr(tty.get(), &tio), 0);
  EXPECT_EQ(errno, EIO);
  pollfd p{tty.get(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 0), 1);
  EXPECT_NE(p.revents & POLLHUP, 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_LT(open(reader->SlavePath().c_str(), O_RDWR | O_NOCTTY), 0);

  // Everything after the unplug is a harmless no-op.
  reader->SendRaw("x");
  reader->SendOnlineCode("1");
  reader->InjectFault(Fault{});
  reader->Unplug();
  EXPECT_TRUE(reader->IsUnplugged());
  EXPECT_FALSE(reader->WaitForCommands(1, 10));
}

TEST_F(SimulatedReaderLink, UnplugFromInsideAHandlerTakesEffect) {
  std::string error;
  auto reader = StartLinked(error);
  ASSERT_NE(reader, nullptr) << error;
  SimulatedReader* const raw = reader.get();
  reader->SetHandler("XT", [raw](std::string_view) {
    raw->Unplug();
    return std::string(1, kAck);
  });
  const UniqueFd tty = OpenSlave(reader->DevicePath());
  ASSERT_TRUE(tty.valid());
  WriteAll(tty.get(), serial::FrameCommand("XT"));
  pollfd p{tty.get(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, kWaitMs), 1);
  EXPECT_NE(p.revents & POLLHUP, 0);
  termios tio{};
  EXPECT_NE(tcgetattr(tty.get(), &tio), 0);
  EXPECT_TRUE(reader->IsUnplugged());
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

// ---------------------------------------------------------------------------------------
// Through the program's own serial port.

class SimulatedReaderSerialPort : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    SimOptions options = QuickOptions();
    reader = SimulatedReader::Start(options, error);
    ASSERT_NE(reader, nullptr) << error;
    port.SetMessageSink([this](const std::string& text) { messages.push_back(text); });
  }
  bool OpenAt(std::uint32_t baud) {
    port.SetSettings(reader->DevicePath(), baud, 8, 0, 0, 0, 0);
    return port.Open();
  }

  std::unique_ptr<SimulatedReader> reader;
  serial::SerialPort port;
  std::vector<std::string> messages;
};

TEST_F(SimulatedReaderSerialPort, VersionExchangeAndReopen) {
  const std::string expected = Frame(reader->Version());
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(OpenAt(19200)) << "round " << round;
    ASSERT_TRUE(port.Write(serial::FrameCommand("SV")));
    std::string reply;
    EXPECT_EQ(port.ReadTimed(reply, static_cast<std::uint32_t>(expected.size()), kWaitMs),
              static_cast<int>(expected.size()));
    EXPECT_EQ(reply, expected);
    EXPECT_TRUE(port.Close());
  }
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "SV"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(SimulatedReaderSerialPort, RepliesArePacedAtThePortsBaudRate) {
  std::string error;
  SimOptions options = QuickOptions();
  options.paceByBaud = true;
  reader = SimulatedReader::Start(options, error);
  ASSERT_NE(reader, nullptr) << error;
  ASSERT_TRUE(OpenAt(1200));
  const std::string expected = Frame(reader->Version());
  const auto start = Clock::now();
  ASSERT_TRUE(port.Write(serial::FrameCommand("SV")));
  std::string reply;
  port.ReadTimed(reply, static_cast<std::uint32_t>(expected.size()), 3 * kWaitMs);
  EXPECT_EQ(reply, expected);
  // Ten bits a byte at 1200 baud.
  EXPECT_GE(MsSince(start), static_cast<long>(expected.size() * 10 * 1000 / 1200));
}

TEST_F(SimulatedReaderSerialPort, WireAccurateLineTimesBothDirectionsInTheFrameFormat) {
  std::string error;
  SimOptions options = QuickOptions();
  options.wireAccurate = true;
  reader = SimulatedReader::Start(options, error);
  ASSERT_NE(reader, nullptr) << error;
  // 7 data bits, even parity, 2 stop bits: 11 bits a byte.
  port.SetSettings(reader->DevicePath(), 1200, 7, 2, 2, 0, 0);
  ASSERT_TRUE(port.Open());
  const std::string command = serial::FrameCommand("SV");
  const std::string expected = Frame(reader->Version());
  const auto start = Clock::now();
  ASSERT_TRUE(port.Write(command));
  std::string reply;
  port.ReadTimed(reply, static_cast<std::uint32_t>(expected.size()), 3 * kWaitMs);
  EXPECT_EQ(reply, expected);
  // The command's bytes reach the reader before it answers, then the reply's come in.
  EXPECT_GE(MsSince(start),
            static_cast<long>((command.size() + expected.size()) * 11 * 1000 / 1200));
}

TEST_F(SimulatedReaderSerialPort, UnplugMakesTheNextReadFail) {
  ASSERT_TRUE(OpenAt(19200));
  reader->Unplug();
  std::string reply;
  EXPECT_EQ(port.ReadTimed(reply, 1, 1), -1);
  EXPECT_TRUE(port.IsClosed());
  EXPECT_EQ(messages, std::vector<std::string>{"error com port had to be closed"});
  EXPECT_FALSE(OpenAt(19200));
}

// ---------------------------------------------------------------------------------------
// The tagline-sim program.

struct Child {
  pid_t pid = -1;
  UniqueFd out;
  UniqueFd err;
};

std::optional<Child> Spawn(const std::vector<std::string>& args) {
  std::array<int, 2> out{};
  std::array<int, 2> err{};
  if (pipe2(out.data(), O_CLOEXEC) != 0) return std::nullopt;
  if (pipe2(err.data(), O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return std::nullopt;
  }
  Child child;
  child.out.reset(out[0]);
  child.err.reset(err[0]);
  const UniqueFd outWrite(out[1]);
  const UniqueFd errWrite(err[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
  std::vector<std::string> argStore{TAGLINE_SIM_PATH};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStore) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int rc = posix_spawn(&child.pid, TAGLINE_SIM_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  return child;
}

// Waits for the child's exit status, killing it if it does not end in time.
int WaitExit(pid_t pid, int timeoutMs = 5000) {
  int status = 0;
  const auto start = Clock::now();
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (MsSince(start) > timeoutMs) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadLine(int fd, int timeoutMs = 5000) {
  std::string line;
  while (line.empty() || line.back() != '\n') {
    const std::string c = ReadBytes(fd, 1, timeoutMs);
    if (c.empty()) break;
    line += c;
  }
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

std::string ReadToEnd(int fd) {
  std::string text;
  std::string chunk;
  while (!(chunk = ReadBytes(fd, 256, 5000)).empty()) text += chunk;
  return text;
}

TEST(SimulatedReaderProgram, PrintsDevicePathAnswersAndStopsOnSigterm) {
  const std::filesystem::path link = ScratchPath("program-link");
  auto child = Spawn({"--version", "KTR H9 HF V1.2", "--latency", "0", "--link", link.string()});
  ASSERT_TRUE(child.has_value());
  const std::string path = ReadLine(child->out.get());
  EXPECT_EQ(path, link.string());
  {
    const UniqueFd tty = OpenSlave(path);
    ASSERT_TRUE(tty.valid()) << path;
    WriteAll(tty.get(), serial::FrameCommand("SV"));
    const std::string expected = Frame("KTR H9 HF V1.2");
    EXPECT_EQ(ReadBytes(tty.get(), expected.size()), expected);
  }
  ASSERT_EQ(kill(child->pid, SIGTERM), 0);
  EXPECT_EQ(WaitExit(child->pid), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SimulatedReaderProgram, SendsOnlineCodePeriodicallyAndStopsOnSigint) {
  for (const bool cr : {false, true}) {
    std::vector<std::string> args{"--online", "4711", "--every", "20"};
    if (cr) args.push_back("--cr");
    auto child = Spawn(args);
    ASSERT_TRUE(child.has_value());
    const std::string path = ReadLine(child->out.get());
    {
      const UniqueFd tty = OpenSlave(path);
      ASSERT_TRUE(tty.valid()) << path;
      // Codes queue up from the start, so the bytes begin at a code boundary.
      const std::string code = cr ? std::string("4711") + kCr : Frame("4711");
      EXPECT_EQ(ReadBytes(tty.get(), 2 * code.size()), code + code);
    }
    ASSERT_EQ(kill(child->pid, SIGINT), 0);
    EXPECT_EQ(WaitExit(child->pid), 0);
  }
}

TEST(SimulatedReaderProgram, MadeUpDatabaseIsReadByTheCommandLine) {
  auto child = Spawn({"--records", "40", "--latency", "0"});
  ASSERT_TRUE(child.has_value());
  const std::string path = ReadLine(child->out.get());
  const std::filesystem::path sheet = ScratchPath("made-up.xml");
  const std::string command = "'" TAGLINE_CLI_PATH "' --ini '" + ScratchPath("t.ini").string() +
                              "' --port '" + path + "' db read '" + sheet.string() + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    EXPECT_EQ(pclose(pipe), 0) << out;
  }
  EXPECT_NE(out.find("(40 records)"), std::string::npos) << out;
  ASSERT_EQ(kill(child->pid, SIGTERM), 0);
  EXPECT_EQ(WaitExit(child->pid), 0);
  std::filesystem::remove(sheet);
}

TEST(SimulatedReaderProgram, UnreadableDatabaseEndsTheRunAtOnce) {
  auto child = Spawn({"--database", ScratchPath("none.xml").string()});
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(WaitExit(child->pid), 2);
  EXPECT_NE(ReadToEnd(child->err.get()).find("cannot read"), std::string::npos);
  EXPECT_TRUE(ReadToEnd(child->out.get()).empty());
}

TEST(SimulatedReaderProgram, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> bad = {{"--bogus"},
                                                     {"--latency", "soon"},
                                                     {"--latency"},
                                                     {"--every", "10"},
                                                     {"--cr"},
                                                     {"--online", "1", "--every", "0"},
                                                     {"--link", ""},
                                                     {"--records", "many"},
                                                     {"--records", "5", "--database", "x.xml"}};
  for (const auto& args : bad) {
    auto child = Spawn(args);
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(WaitExit(child->pid), 2) << args[0];
    EXPECT_NE(ReadToEnd(child->err.get()).find("usage:"), std::string::npos) << args[0];
    EXPECT_TRUE(ReadToEnd(child->out.get()).empty()) << args[0];
  }
}

TEST(SimulatedReaderProgram, HelpPrintsUsageAndExitsZero) {
  auto child = Spawn({"--help"});
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(WaitExit(child->pid), 0);
  const std::string text = ReadToEnd(child->out.get());
  for (const char* option : {"--version", "--link", "--latency", "--online", "--every", "--cr"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace tagline::sim
