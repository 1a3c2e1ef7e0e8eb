// SPDX-License-Identifier: Apache-2.0
// The window's Save / Apply Reader Configuration items.
#include <gtest/gtest.h>

#include <fstream>

#include "dialog_fixture.h"

namespace tagline::app {
namespace {

class ConfigurationMenu : public DialogFixture {
 protected:
  bool RunJob() {
    return host.RunUntil([this] { return !dialog->JobRunning(JobKind::Configuration); }, 60000);
  }
  std::string Summary() const {
    return host.messages().empty() ? std::string() : host.messages().back().text;
  }
  std::size_t Writes() const {
    std::size_t count = 0;
    for (const std::string& command : reader->Commands()) count += command.starts_with("s");
    return count;
  }
};

TEST_F(ConfigurationMenu, SavedThenAppliedBackAfterTheReaderWasChanged) {
  StartWithSimulator("B2.0");
  device->SetCell(0x012, 0x01);  // Buzzer on
  const std::string profile = (dir / "b20.profile").string();
  host.QueueFileAnswer(profile);
  dialog->OnCommand(menu::kSaveConfiguration);
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Summary().find("\tProfile Saved\tOK"), std::string::npos) << Summary();
  ASSERT_TRUE(fs::exists(profile));
  EXPECT_EQ(Writes(), 0u);

  device->SetCell(0x012, 0x00);
  host.QueueFileAnswer(profile);
  dialog->OnCommand(menu::kApplyConfiguration);
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Summary().find("\tEqual to Profile\tOK"), std::string::npos) << Summary();
  EXPECT_EQ(device->Cell(0x012), 1);
  EXPECT_TRUE(host.TimerActive(timer::kPoll)) << "the receive poll runs again after the job";
}

TEST_F(ConfigurationMenu, CancelAndABrokenProfileWriteNothing) {
  StartWithSimulator("B2.0");
  host.QueueFileAnswer(std::nullopt);
  dialog->OnCommand(menu::kApplyConfiguration);
  EXPECT_FALSE(dialog->JobRunning(JobKind::Configuration));
  EXPECT_TRUE(host.messages().empty());

  const std::string broken = (dir / "broken.profile").string();
  std::ofstream(broken) << "[selection]\nBuzzer\n";
  host.QueueFileAnswer(broken);
  dialog->OnCommand(menu::kApplyConfiguration);
  EXPECT_FALSE(dialog->JobRunning(JobKind::Configuration));
  EXPECT_EQ(Summary(), broken + ", line 2: no \"name = value\".\r\nNothing was written.");
  EXPECT_EQ(Writes(), 0u);
}

TEST_F(ConfigurationMenu, AProfileOfAnotherModelIsRefusedInTheWindowToo) {
  StartWithSimulator("KTR H9 V4.30054");
  const std::string profile = (dir / "b20.profile").string();
  std::ofstream(profile) << "[reader]\nmodel = B20\n[selection]\nBuzzer = on\n";
  host.QueueFileAnswer(profile);
  dialog->OnCommand(menu::kApplyConfiguration);
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Summary().find("The profile is of a B20"), std::string::npos) << Summary();
  EXPECT_EQ(Writes(), 0u);
  const JobResult* result = dialog->LastJobResult(JobKind::Configuration);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
}

}  // namespace
}  // namespace tagline::app
