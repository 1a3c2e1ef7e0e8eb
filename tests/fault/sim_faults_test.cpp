// SPDX-License-Identifier: Apache-2.0
// The simulator's own faults the suite relies on: a reply cut short, a reader pulled out
// when a given command arrives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "serial/frame.h"
#include "sim/fault.h"
#include "sim/simulated_reader.h"
#include "sim/unique_fd.h"

namespace tagline::sim {
namespace {

TEST(FaultSim, CutKeepsTheHeadOfTheReplyOnly) {
  const std::string reply = serial::FrameCommand("KTR H9 V4.30054");
  auto parts = ShapeReply(Fault{.kind = FaultKind::Cut}, reply);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].bytes, reply.substr(0, reply.size() / 2));
  parts = ShapeReply(Fault{.kind = FaultKind::Cut, .length = 3}, reply);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].bytes, reply.substr(0, 3));
  // Never the whole reply, and a one-byte reply cut is no reply.
  parts = ShapeReply(Fault{.kind = FaultKind::Cut, .length = 500}, reply);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].bytes, reply.substr(0, reply.size() - 1));
  EXPECT_TRUE(ShapeReply(Fault{.kind = FaultKind::Cut}, std::string(1, serial::kAck)).empty());
  // The reader acted on the command: only its answer was lost on the way.
  EXPECT_FALSE(FaultReplacesReply(FaultKind::Cut));
}

std::string ReadFor(int fd, int ms) {
  std::string out;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) continue;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

TEST(FaultSim, UnplugAtCommandAnswersTheOnesBeforeAndNotThatOne) {
  SimOptions options;
  options.latencyMs = 1;
  options.paceByBaud = false;
  std::string error;
  auto reader = SimulatedReader::Start(options, error);
  ASSERT_TRUE(reader) << error;
  std::atomic<int> handled = 0;
  reader->SetHandler("X", [&handled](std::string_view) {
    ++handled;
    return std::string(1, serial::kAck);
  });
  reader->UnplugAtCommand(3);
  const UniqueFd port(open(reader->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_GE(port.get(), 0);
  const std::string command = serial::FrameCommand("X");
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(write(port.get(), command.data(), command.size()),
              static_cast<ssize_t>(command.size()));
    EXPECT_EQ(ReadFor(port.get(), 100), std::string(1, serial::kAck)) << i;
  }
  EXPECT_FALSE(reader->IsUnplugged());
  ASSERT_EQ(write(port.get(), command.data(), command.size()),
            static_cast<ssize_t>(command.size()));
  ASSERT_TRUE(reader->WaitForCommands(3, 2000));
  EXPECT_EQ(ReadFor(port.get(), 100), "");
  EXPECT_TRUE(reader->IsUnplugged());
  EXPECT_EQ(handled, 2);
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"X", "X", "X"}));
}

}  // namespace
}  // namespace tagline::sim
