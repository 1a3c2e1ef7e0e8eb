// SPDX-License-Identifier: Apache-2.0
// The window's views of the line: a trace recorded from the menu, the received pane in
// hex, and times before the lines the receive poll adds.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "serial/trace_file.h"
#include "temp_dir.h"

namespace tagline::app {
namespace {

class LineViews : public DialogFixture {};

TEST_F(LineViews, TraceIsRecordedFromTheMenuUntilItIsStopped) {
  StartWithSimulator();
  host.QueueFileAnswer(std::nullopt);  // cancelled: nothing recorded
  dialog->OnCommand(menu::kRecordTrace);
  EXPECT_FALSE(dialog->recordingTrace());

  const std::string path = (dir / "line.txt").string();
  host.QueueFileAnswer(path);
  dialog->OnCommand(menu::kRecordTrace);
  ASSERT_TRUE(dialog->recordingTrace());
  dialog->OnCommand(ctl::kSv);
  dialog->OnCommand(menu::kRecordTrace);
  EXPECT_FALSE(dialog->recordingTrace());
  dialog->OnCommand(ctl::kSv);  // after the stop: not recorded

  std::string error;
  const auto trace = serial::ReadTrace(path, error);
  ASSERT_TRUE(trace) << error;
  std::size_t sent = 0;
  for (const auto& event : trace->events) {
    if (event.kind == serial::TraceKind::Sent) {
      ++sent;
      EXPECT_EQ(event.bytes, "\x02SVCE2C\x03");
    }
  }
  EXPECT_EQ(sent, 1u);
  EXPECT_NE(test::ReadBytes(path).find("# port: " + reader->DevicePath()), std::string::npos);
  EXPECT_NE(Text(ctl::kReceived).find("// recording the line into " + path), std::string::npos);
  EXPECT_NE(Text(ctl::kReceived).find("// trace saved to " + path), std::string::npos);
}

TEST_F(LineViews, ReceivedPaneInHexAndWithTimes) {
  StartWithSimulator();
  dialog->OnCommand(menu::kHexView);
  reader->SendRaw(std::string("\x02OK\x03", 4));
  ASSERT_TRUE(
      host.RunUntil([this] { return Text(ctl::kReceived).find("03") != std::string::npos; }, 2000));
  EXPECT_NE(Text(ctl::kReceived).find("02 4F 4B 03\r\n"), std::string::npos)
      << Text(ctl::kReceived);

  dialog->OnCommand(menu::kHexView);
  dialog->OnCommand(menu::kPaneTimestamps);
  dialog->OnCommand(menu::kEditClear);
  reader->SendRaw("one\r\ntwo\r\n");
  ASSERT_TRUE(host.RunUntil(
      [this] { return Text(ctl::kReceived).find("two") != std::string::npos; }, 2000));
  const std::string& pane = Text(ctl::kReceived);
  // "2026-12-09T14:03:12.345+01:00 one\r\n..."
  ASSERT_GT(pane.size(), 30u);
  EXPECT_EQ(pane[10], 'T');
  EXPECT_EQ(pane.substr(29, 4), " one");
  const std::size_t second = pane.find("\r\n") + 2;
  EXPECT_EQ(pane.substr(second + 29, 4), " two") << pane;
}

}  // namespace
}  // namespace tagline::app
