// SPDX-License-Identifier: Apache-2.0
// Reader configuration profiles: saved from one simulated reader, applied to others.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <memory>
#include <vector>

#include "cli/cli_program.h"
#include "cli/cli_run.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace tagline::cli {
namespace {

// A B20 offers selections, numeric parameters and tag types.
constexpr const char* kB20 = "B2.0";

class ConfigProfiles : public CliProgram {
 protected:
  struct Reader {
    std::unique_ptr<sim::SimulatedReader> reader;
    std::shared_ptr<sim::ReaderDevice> device;
    std::string port;
  };

  Reader& Start(const std::string& version) {
    sim::SimOptions options;
    options.latencyMs = 1;
    options.version = version;
    options.linkPath = (dir / ("reader" + std::to_string(readers.size()))).string();
    std::string error;
    Reader started;
    started.reader = sim::SimulatedReader::Start(options, error);
    EXPECT_TRUE(started.reader) << error;
    started.device = sim::ReaderDevice::Install(*started.reader);
    started.port = options.linkPath;
    readers.push_back(std::move(started));
    return readers.back();
  }

  CliRun On(const Reader& reader, const std::string& args) const {
    return Tagline("--ini t.ini --port '" + reader.port + "' " + args);
  }

  // A configuration a technician would set: every value one the window offers.
  static void Configure(sim::ReaderDevice& device) {
    device.SetCell(0x012, 0x01);  // Buzzer on
    device.SetCell(0x013, 0x01);  // Time on
    device.SetCell(0x010, 0x07);  // TimeoutRead
    device.SetCell(0x00E, 0xC8);  // TimeoutOn = 200, low byte first
    device.SetCell(0x00F, 0x00);
    device.SetCell(0x00C, 0x30);  // HDX, FDX-B
    device.SetCell(0x00D, 0x00);
  }

  static std::vector<std::string> Writes(const Reader& reader) {
    std::vector<std::string> writes;
    for (const std::string& command : reader.reader->Commands()) {
      if (!command.empty() && command[0] == 's') writes.push_back(command);
    }
    return writes;
  }

  std::string Profile(const std::string& name) const { return ReadFile((dir / name).string()); }

  void WriteProfile(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  std::deque<Reader> readers;  // references stay valid as readers are added
};

TEST_F(ConfigProfiles, SavedFromOneReaderAndAppliedToAnotherLeavesTheSameCells) {
  Reader& first = Start(kB20);
  Reader& second = Start(kB20);
  Configure(*first.device);

  const CliRun save = On(first, "config save b20.profile");
  ASSERT_EQ(save.status, kExitOk) << save.out << save.err;
  EXPECT_NE(save.out.find(" parameters saved to b20.profile, "), std::string::npos) << save.out;
  EXPECT_TRUE(Writes(first).empty()) << "a save only reads";
  const std::string profile = Profile("b20.profile");
  EXPECT_NE(profile.find("version = B2.0\n"), std::string::npos) << profile;
  EXPECT_NE(profile.find("model = B20\n"), std::string::npos) << profile;
  EXPECT_NE(profile.find("Buzzer = on\n"), std::string::npos) << profile;
  EXPECT_NE(profile.find("TimeoutOn = 200\n"), std::string::npos) << profile;
  EXPECT_NE(profile.find("Tag Types = HDX, FDX-B\n"), std::string::npos) << profile;

  const CliRun apply = On(second, "config apply b20.profile");
  EXPECT_EQ(apply.status, kExitOk) << apply.out << apply.err;
  EXPECT_NE(apply.out.find("\tEqual to Profile\tOK"), std::string::npos) << apply.out;
  for (unsigned address = 0; address < 0x100; ++address) {
    EXPECT_EQ(second.device->Cell(address).value_or(0), first.device->Cell(address).value_or(0))
        << "cell " << std::hex << address;
  }

  const CliRun diff = On(second, "config diff b20.profile");
  EXPECT_EQ(diff.status, kExitOk) << diff.out << diff.err;
  EXPECT_EQ(diff.out.find("differs"), std::string::npos) << diff.out;
}

TEST_F(ConfigProfiles, ValuesThatCannotBeReadBackAreListedNotGuessed) {
  Reader& reader = Start(kB20);
  Configure(*reader.device);
  reader.device->SetCell(0x012, 0x7F);  // no label of Buzzer has this code
  ASSERT_EQ(On(reader, "config save p.profile").status, kExitOk);
  const std::string profile = Profile("p.profile");
  const std::size_t notSaved = profile.find("[not saved]\n");
  ASSERT_NE(notSaved, std::string::npos) << profile;
  EXPECT_EQ(profile.substr(0, notSaved).find("\nBuzzer ="), std::string::npos) << profile;
  EXPECT_NE(profile.find("Buzzer = cell 012 gave 7F, which is none of its labels"),
            std::string::npos)
      << profile;
}

TEST_F(ConfigProfiles, ASaveThatLostItsReaderLeavesTheOldProfile) {
  Reader& reader = Start(kB20);
  WriteProfile("p.profile", "[reader]\nmodel = B20\n");
  reader.reader->UnplugAtCommand(5);
  const CliRun save = On(reader, "config save p.profile");
  EXPECT_NE(save.status, kExitOk);
  EXPECT_NE(save.out.find("not written: p.profile"), std::string::npos) << save.out;
  EXPECT_EQ(Profile("p.profile"), "[reader]\nmodel = B20\n");
}

TEST_F(ConfigProfiles, AnotherModelIsRefusedWithNothingWritten) {
  Reader& b20 = Start(kB20);
  Reader& other = Start("KTR H9 V4.30054");
  Configure(*b20.device);
  ASSERT_EQ(On(b20, "config save b20.profile").status, kExitOk);

  const CliRun apply = On(other, "config apply b20.profile");
  EXPECT_EQ(apply.status, kExitReaderFailed);
  EXPECT_NE(apply.out.find("The profile is of a B20, this reader is a KtrH9V43Build54. Nothing "
                           "was written"),
            std::string::npos)
      << apply.out;
  EXPECT_TRUE(Writes(other).empty());
}

TEST_F(ConfigProfiles, AnEntryTheModelLacksIsRefusedUnlessForced) {
  Reader& reader = Start(kB20);
  WriteProfile("p.profile",
               "[reader]\nmodel = B20\n[selection]\nBuzzer = on\nKeyboard Sound = on\n");
  const CliRun refused = On(reader, "config apply p.profile");
  EXPECT_EQ(refused.status, kExitReaderFailed);
  EXPECT_NE(refused.out.find("not offered: \"Keyboard Sound\" = on"), std::string::npos)
      << refused.out;
  EXPECT_TRUE(Writes(reader).empty());

  const CliRun forced = On(reader, "config apply --force p.profile");
  EXPECT_EQ(forced.status, kExitOk) << forced.out << forced.err;
  EXPECT_NE(forced.out.find("not offered: \"Keyboard Sound\" = on"), std::string::npos);
  EXPECT_EQ(Writes(reader), std::vector<std::string>{"s01201"});
}

TEST_F(ConfigProfiles, ValuesTheReaderCannotTakeRefuseTheWholeProfile) {
  Reader& reader = Start(kB20);
  for (const std::string line :
       {"Buzzer = loud", "\"Tag Types\" = HDX, Unicorn", "TimeoutRead = soon"}) {
    const std::string section = line.find("Tag") != std::string::npos       ? "[tag types]"
                                : line.find("Timeout") != std::string::npos ? "[numeric]"
                                                                            : "[selection]";
    WriteProfile("p.profile",
                 "[reader]\nmodel = B20\n[selection]\nTime = on\n" + section + "\n" + line + "\n");
    const CliRun apply = On(reader, "config apply p.profile");
    EXPECT_EQ(apply.status, kExitReaderFailed) << line;
    EXPECT_NE(apply.out.find("Nothing was written"), std::string::npos) << apply.out;
  }
  EXPECT_TRUE(Writes(reader).empty());
}

TEST_F(ConfigProfiles, AWriteTheReaderRefusesIsADifference) {
  Reader& reader = Start(kB20);
  reader.device->RefuseCell(0x012, '\x15');
  WriteProfile("p.profile", "[reader]\nmodel = B20\n[selection]\nBuzzer = on\nTime = on\n");
  const CliRun apply = On(reader, "config apply p.profile");
  EXPECT_EQ(apply.status, kExitReaderFailed);
  EXPECT_NE(apply.out.find("'s'\tWrite Parameters\tNOK"), std::string::npos) << apply.out;
  EXPECT_EQ(reader.device->Cell(0x013), 1) << "the other parameters are written all the same";
}

TEST_F(ConfigProfiles, DryRunPrintsTheCommandsAndSendsNone) {
  Reader& reader = Start(kB20);
  WriteProfile("p.profile",
               "[reader]\nmodel = B20\n[selection]\nBuzzer = on\n[numeric]\nTimeoutOn = 300\n"
               "[tag types]\nTag Types = HDX\n");
  const CliRun run = On(reader, "config apply --dry-run p.profile");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("s01201\ns00E2C\ns00F01\ns00C10\ns00D00\n"), std::string::npos) << run.out;
  EXPECT_TRUE(Writes(reader).empty());
}

TEST_F(ConfigProfiles, OneProfileOnManyReadersAtOnceAsJson) {
  Reader& first = Start(kB20);
  Reader& second = Start(kB20);
  WriteProfile("p.profile", "[reader]\nmodel = B20\n[selection]\nBuzzer = on\n");
  const CliRun run = Tagline("--ini t.ini --json --port '" + first.port + "' --port '" +
                             second.port + "' config apply p.profile");
  EXPECT_EQ(run.status, kExitOk) << run.out << run.err;
  EXPECT_EQ(first.device->Cell(0x012), 1);
  EXPECT_EQ(second.device->Cell(0x012), 1);
  EXPECT_NE(run.out.find("\"portsOk\":2"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"differences\":[]"), std::string::npos) << run.out;

  const CliRun save = Tagline("--ini t.ini --port '" + first.port + "' --port '" + second.port +
                              "' config save same.profile");
  EXPECT_EQ(save.status, kExitUsage);
  EXPECT_NE(save.err.find("needs {port}"), std::string::npos) << save.err;
}

TEST_F(ConfigProfiles, FactoryDefaultWithTheProfilesAnswersThenTheProfile) {
  Reader& reader = Start(kB20);
  reader.device->SetCell(0x012, 0x01);  // Buzzer on
  ASSERT_EQ(On(reader, "config save p.profile --language deutsch --delete-attributes no").status,
            kExitOk);
  EXPECT_NE(Profile("p.profile")
                .find("[factory default]\nlanguage = deutsch\n"
                      "delete-attributes = no\n"),
            std::string::npos)
      << Profile("p.profile");
  const CliRun run = On(reader, "config apply --factory-default p.profile");
  EXPECT_EQ(run.status, kExitOk) << run.out << run.err;
  const std::vector<std::string> commands = reader.reader->Commands();
  const auto erase = std::find(commands.begin(), commands.end(), "EC");
  const auto buzzer = std::find(commands.begin(), commands.end(), "s01201");
  EXPECT_NE(erase, commands.end());
  EXPECT_NE(buzzer, commands.end());
  EXPECT_LT(erase, buzzer) << "the profile comes after the factory default";
  EXPECT_NE(run.out.find("'s'\tWrite Parameters\tOK"), std::string::npos) << run.out;

  WriteProfile("bad.profile", "[reader]\nmodel = B20\n[factory default]\nlanguage = klingon\n");
  EXPECT_EQ(On(reader, "config apply --factory-default bad.profile").status, kExitUsage);
}

TEST_F(ConfigProfiles, AProfileThatDoesNotParseNamesItsLine) {
  Reader& reader = Start(kB20);
  WriteProfile("p.profile", "[reader]\nmodel = B20\n[selection]\nBuzzer on\n");
  const CliRun run = On(reader, "config apply p.profile");
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("p.profile, line 4: no \"name = value\""), std::string::npos) << run.err;
  EXPECT_TRUE(Writes(reader).empty());
}

}  // namespace
}  // namespace tagline::cli
