// SPDX-License-Identifier: Apache-2.0
// Command-line commands run in-process against the simulated reader on a pseudo-terminal:
// what the reader received, what was printed and the exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_in_process.h"
#include "serial/frame.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace tagline::cli {
namespace {

namespace fs = std::filesystem;

class CliCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tagline-cli-commands-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = (dir / "Tagline_Console.ini").string();
  }
  void TearDown() override {
    reader.reset();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  void StartReader(const std::string& version = "KTR H9 V4.30054") {
    sim::SimOptions options;
    options.version = version;
    options.latencyMs = 1;
    options.paceByBaud = false;
    std::string error;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
    device = sim::ReaderDevice::Install(*reader);
    database = sim::ReaderDatabase::Install(*reader);
  }

  // `tagline --ini INI --port READER ARGS...`
  Outcome Run(const std::vector<std::string>& args) const {
    std::vector<std::string> withPort = {"--port", reader->DevicePath()};
    withPort.insert(withPort.end(), args.begin(), args.end());
    return RunWithSettingsPort(withPort);
  }
  // `tagline --ini INI ARGS...`: the port is the settings file's.
  Outcome RunWithSettingsPort(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"--ini", ini};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunInProcess(argv);
  }

  std::string ReadIni() const {
    std::ifstream in(ini, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir;
  std::string ini;
  std::unique_ptr<sim::SimulatedReader> reader;
  std::shared_ptr<sim::ReaderDevice> device;
  std::shared_ptr<sim::ReaderDatabase> database;
};

using Commands = std::vector<std::string>;

TEST_F(CliCommandsTest, ListenPrintsEveryLineReceived) {
  StartReader();
  std::string burst;  // more lines than the pane keeps, all alike
  for (int i = 0; i < 25; ++i) burst += "same\r\n";
  reader->SetHandler("BURST", [burst](std::string_view) { return burst; });
  Outcome run;
  std::thread cli([&] { run = Run({"send", "BURST", "--listen", "1500"}); });
  // The same lines once more, in a later poll.
  const bool sent = reader->WaitForCommands(1, 3000);
  if (sent) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    reader->SendRaw(burst);
  }
  cli.join();
  ASSERT_TRUE(sent);
  EXPECT_EQ(reader->Commands(), Commands{"BURST"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "same\n";
  EXPECT_EQ(run.out, expected);
}

TEST_F(CliCommandsTest, TagExitsOneWithoutACode) {
  StartReader();
  Outcome run = Run({"tag"});  // nothing in the field
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_EQ(run.out, "NoREAD\n");
  reader->SetHandler("GT", [](std::string_view) { return std::string(1, serial::kNak); });
  run = Run({"tag"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "GT", "SV", "GT"}));

  reader->ClearRecord();
  reader->SetHandler("GT", {});
  device = sim::ReaderDevice::Install(*reader);
  device->SetTag('6', "9180451CBE991A14");
  run = Run({"tag"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "9180451CBE991A14\n");
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "GT"}));
}

TEST_F(CliCommandsTest, ClockExitsOneWhenTheReplyIsNoClock) {
  StartReader();
  reader->SetHandler("R", [](std::string_view) { return std::string(1, serial::kNak); });
  Outcome run = Run({"clock"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  reader->SetHandler("R", [](std::string_view) { return serial::FrameCommand("071226032700"); });
  run = Run({"clock"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "071226032700 // 07.12.26 03:27:00\n");
  EXPECT_EQ(reader->Commands(), (Commands{"R", "R"}));
}

TEST_F(CliCommandsTest, CommOnAndOffSendTheirHalfOnEveryModel) {
  for (const char* version : {"KTR H9 V4.30054", "V2.60018"}) {  // toggling, not toggling
    StartReader(version);
    Outcome run = Run({"comm", "off"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "// ACK\n");
    EXPECT_FALSE(device->CommunicationOpen());
    run = Run({"comm", "on"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "// ACK\n");
    EXPECT_TRUE(device->CommunicationOpen());
    EXPECT_EQ(reader->Commands(), (Commands{"SV", "XT", "SV", "s22400"})) << version;
  }
  reader->ClearRecord();
  EXPECT_EQ(Run({"comm", "up"}).status, kExitUsage);
  EXPECT_TRUE(reader->Commands().empty());
}

TEST_F(CliCommandsTest, CommOnARefusingReaderExitsOne) {
  StartReader("V2.60018");
  device->RefuseCell(0x224, serial::kNak);
  const Outcome run = Run({"comm", "on"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_EQ(run.out, "// NAK\n");
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "s22400"}));
}

TEST_F(CliCommandsTest, PressingTheButtonOnANonTogglingReaderSendsNothingAndSaysSo) {
  StartReader("V2.60018");
  const Outcome run = Run({"comm"});
  EXPECT_EQ(reader->Commands(), Commands{"SV"});
  EXPECT_EQ(run.status, kExitReaderFailed);
}

TEST_F(CliCommandsTest, TagTypesTakeOnlyTheModelsNames) {
  StartReader("B2.0");  // model 4: the eight types of cell 00C
  Outcome run = Run({"tagtypes", "Trovan, Bogus"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("'Bogus' is no tag type"), std::string::npos) << run.err;
  EXPECT_TRUE(reader->Commands().empty());

  run = Run({"tagtypes", "VIP"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("'VIP' is no tag type of this reader (model 4 B20)"), std::string::npos)
      << run.err;
  EXPECT_EQ(reader->Commands(), Commands{"SV"});

  reader->ClearRecord();
  run = Run({"tagtypes", ","});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_TRUE(reader->Commands().empty());

  run = Run({"tagtypes", "Trovan,HDX FDX-B"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "// ACK\n// ACK\n");
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "SV", "s00C31", "s00D00"}));

  reader->ClearRecord();
  run = Run({"tagtypes", "none"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "SV", "s00C00", "s00D00"}));
}

TEST_F(CliCommandsTest, TagTypesOfAReaderWithoutThemAreRefused) {
  StartReader("KTR H9 V2.4");  // model 2
  const Outcome run = Run({"tagtypes", "none"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("has no tag types"), std::string::npos) << run.err;
  EXPECT_EQ(reader->Commands(), Commands{"SV"});
}

TEST_F(CliCommandsTest, NumericNameMustBeOneOfTheModels) {
  StartReader();  // model 41: "00C" and "00D" are its tag-type cells, not Timeout2
  Outcome run = Run({"numeric", "Timeout2", "500"});
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("'Timeout2' is no numeric parameter of this reader"), std::string::npos)
      << run.err;
  EXPECT_EQ(reader->Commands(), Commands{"SV"});

  reader->ClearRecord();
  run = Run({"numeric", "Timeout9", "5"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_TRUE(reader->Commands().empty());

  reader->SetVersion("B2.1 VIP");  // model 1 has it
  run = Run({"numeric", "Timeout2", "500"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "// ACK\n// ACK\n");
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "s00CF4", "s00D01"}));
}

TEST_F(CliCommandsTest, FactoryDefaultOfAModelWithoutRows) {
  StartReader("KTR H9 V2.7");  // model 8
  const Outcome run = Run({"factory-default"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("'s'\tWrite Parameters\tOK\r\n"), std::string::npos) << run.out;
  EXPECT_EQ(reader->Commands(), (Commands{"SV", "EC"}));
}

TEST_F(CliCommandsTest, SettingsSetValidatesAndSaves) {
  StartReader();
  Outcome run = Run({"settings", "set", "baudrate", "fast"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("baudrate takes"), std::string::npos) << run.err;
  run = Run({"settings", "set", "parity", "Sometimes"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("parity takes None, Odd, Even, Mark or Space"), std::string::npos);
  run = Run({"settings", "set", "hex2iso", "yes"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_FALSE(fs::exists(ini));

  run = Run({"settings", "set", "hex2iso", "1"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(ReadIni().find("hex2iso=1\r\n"), std::string::npos) << ReadIni();
  // The run's own port is not saved.
  EXPECT_EQ(ReadIni().find(reader->DevicePath()), std::string::npos);
  run = Run({"settings"});
  EXPECT_NE(run.out.find("hex2iso=1\n"), std::string::npos);
  EXPECT_TRUE(reader->Commands().empty());
}

TEST_F(CliCommandsTest, SettingsSetWithALineThatDoesNotOpenExitsThree) {
  StartReader();
  const Outcome run = Run({"settings", "set", "port", "/nonexistent/ttyX"});
  EXPECT_EQ(run.status, kExitPortError);
  EXPECT_NE(run.err.find("cannot open /nonexistent/ttyX"), std::string::npos) << run.err;
  EXPECT_NE(ReadIni().find("port=/nonexistent/ttyX\r\n"), std::string::npos);
}

TEST_F(CliCommandsTest, SettingsPutABrokenPortRight) {
  StartReader();
  std::ofstream(ini, std::ios::binary)
      << "[COM]\r\nport=/nonexistent/ttyOld\r\nbaudrate=19200\r\ndatabits=8\r\n";
  EXPECT_EQ(RunWithSettingsPort({"version"}).status, kExitPortError);
  const Outcome run = RunWithSettingsPort({"settings", "set", "port", reader->DevicePath()});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.err.find("cannot open /nonexistent/ttyOld"), std::string::npos);
  EXPECT_NE(ReadIni().find("port=" + reader->DevicePath() + "\r\n"), std::string::npos);
  const Outcome version = RunWithSettingsPort({"version"});
  EXPECT_EQ(version.status, kExitOk) << version.err;
  EXPECT_EQ(reader->Commands(), Commands{"SV"});
}

TEST_F(CliCommandsTest, OnlineSaysWhenTheProtocolFileCannotBeOpened) {
  StartReader();
  const std::string log = (dir / "missing" / "prot.csv").string();
  Outcome run;
  std::thread cli([&] {
    run = Run({"online", "--keyboard", "none", "--seconds", "2", "--log", log});
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  reader->SendOnlineCode("0123", sim::Terminator::Cr);
  cli.join();
  EXPECT_NE(run.err.find("tagline: cannot open the protocol file " + log), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("0123"), std::string::npos) << run.err;  // the code came
  EXPECT_NE(run.err.find("6 typed characters are missing from the protocol file"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_TRUE(reader->Commands().empty());  // a CR-ended code is not acknowledged
}

TEST_F(CliCommandsTest, ListenShowsRepliesInHexAndLinesWithTheirTime) {
  StartReader();
  Outcome run;
  std::thread cli([&] { run = Run({"listen", "--ms", "1500", "--hex"}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  reader->SendRaw(std::string("\x02OK\x03", 4));
  cli.join();
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "02 4F 4B 03\n");

  std::thread stamped([&] { run = Run({"listen", "--ms", "1500", "--timestamps"}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  reader->SendRaw("one\r\ntwo\r\n");
  stamped.join();
  // "2026-12-09T14:03:12.345+01:00 one"
  std::istringstream lines(run.out);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), 2u) << run.out;
  for (const std::string& line : got) {
    ASSERT_GT(line.size(), 30u) << line;
    EXPECT_EQ(line[10], 'T');
    EXPECT_EQ(line[19], '.');
    EXPECT_EQ(line[29], ' ');
  }
  EXPECT_EQ(got[0].substr(30), "one");
  EXPECT_EQ(got[1].substr(30), "two");
}

TEST_F(CliCommandsTest, OnlineWithReconnectGoesOnWhenTheReaderComesBack) {
  const std::string link = (dir / "reader").string();
  const auto plugIn = [&](const std::string& version) {
    sim::SimOptions options;
    options.version = version;
    options.latencyMs = 1;
    options.paceByBaud = false;
    options.linkPath = link;
    std::string error;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
  };
  plugIn("KTR H9 V4.30054");
  // The real program, whose standard output is the typed text.
  const std::string out = (dir / "typed.txt").string();
  const std::string err = (dir / "err.txt").string();
  const std::string command = "cd '" + dir.string() + "' && '" TAGLINE_CLI_PATH "' --port '" +
                              link + "' online --reconnect --keyboard stdout --seconds 5 >'" + out +
                              "' 2>'" + err + "'";
  int status = -1;
  std::thread cli([&] { status = std::system(command.c_str()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(900));
  reader->SendOnlineCode("1234");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  reader->Unplug();
  reader.reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  plugIn("KTR H9 V4.30054");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  reader->SendOnlineCode("5678");
  cli.join();
  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  EXPECT_EQ(read(out), "1234\r\n5678\r\n");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitOk) << read(err);
  EXPECT_NE(read(err).find("// " + link + " reopened"), std::string::npos) << read(err);
}

// A reader's text that would retitle, clear or ring the user's terminal is printed escaped.
bool HoldsTerminalControls(const std::string& text) {
  return text.find('\x1b') != std::string::npos || text.find('\x07') != std::string::npos;
}

TEST_F(CliCommandsTest, ReaderBytesReachTheTerminalEscaped) {
  const std::string hostile = "\x1b]0;owned\x07\x1b[2J";
  const std::string shown = "\\x1b]0;owned\\x07\\x1b[2J";
  StartReader("KTR H9 V4.30054" + hostile);
  Outcome run = Run({"version"});
  EXPECT_FALSE(HoldsTerminalControls(run.out + run.err)) << run.out;
  EXPECT_NE(run.out.find(shown), std::string::npos) << run.out;

  reader.reset();
  StartReader();
  device->SetTag('H', "12" + hostile);
  run = Run({"tag"});
  EXPECT_FALSE(HoldsTerminalControls(run.out + run.err)) << run.out;
  EXPECT_NE(run.out.find(shown), std::string::npos) << run.out;

  std::thread cli([&] { run = Run({"listen", "--ms", "1500"}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  reader->SendRaw("hello" + hostile + "\r\n");
  cli.join();
  EXPECT_FALSE(HoldsTerminalControls(run.out + run.err)) << run.out;
  EXPECT_NE(run.out.find("hello" + shown), std::string::npos) << run.out;

  // The ONLINE echo on standard error, with nothing typed.
  std::thread online([&] { run = Run({"online", "--keyboard", "none", "--seconds", "2"}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  reader->SendOnlineCode("12" + hostile, sim::Terminator::Cr);
  online.join();
  EXPECT_FALSE(HoldsTerminalControls(run.out + run.err)) << run.err;
  EXPECT_NE(run.err.find("not a tag code, not typed"), std::string::npos) << run.err;
}

TEST_F(CliCommandsTest, JsonKeepsItsOwnEscapes) {
  StartReader("KTR H9 V4.30054\x1b[2J");
  const Outcome run = Run({"--json", "version"});
  EXPECT_FALSE(HoldsTerminalControls(run.out)) << run.out;
  EXPECT_NE(run.out.find("\\u001b[2J"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("\\x1b"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tagline::cli
