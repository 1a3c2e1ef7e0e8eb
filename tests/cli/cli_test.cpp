// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_program.h"
#include "cli/cli_run.h"
#include "serial/frame.h"

namespace tagline::cli {
namespace {

namespace fs = std::filesystem;

std::optional<CliOptions> Parse(std::vector<std::string> args) {
  return ParseCommandLine(args).options;
}

TEST(CliOptions, CommandsAndTheirOptions) {
  auto o = Parse(
      {"--ini", "x.ini", "--port", "ttyUSB0", "send", "SV", "--protocol", "1", "--listen", "300"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->iniPath, "x.ini");
  EXPECT_EQ(o->port, "ttyUSB0");
  EXPECT_EQ(o->command, "send");
  EXPECT_EQ(o->args, std::vector<std::string>{"SV"});
  EXPECT_EQ(o->Value("protocol"), "1");
  EXPECT_EQ(o->Value("listen"), "300");
  EXPECT_FALSE(o->Value("ms"));

  o = Parse({"--simulate", "--version", "KTR X", "listen", "--ms", "10"});
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->simulate);
  EXPECT_EQ(o->version, "KTR X");
  EXPECT_TRUE(Parse({"frame", ""}));  // an empty command text is a valid frame
  EXPECT_TRUE(Parse({"ports"}));
}

TEST(CliOptions, UsageErrors) {
  EXPECT_FALSE(Parse({}));
  EXPECT_FALSE(Parse({"bogus"}));
  EXPECT_FALSE(Parse({"frame"}));
  EXPECT_FALSE(Parse({"frame", "a", "b"}));
  EXPECT_FALSE(Parse({"send", "SV", "--listen"}));
  EXPECT_FALSE(Parse({"listen"}));
  EXPECT_FALSE(Parse({"ports", "--protocol", "1"}));
  EXPECT_FALSE(Parse({"--version", "X", "send", "SV"}));
  EXPECT_FALSE(Parse({"--simulate", "--port", "ttyS0", "ports"}));
  EXPECT_FALSE(Parse({"--frobnicate", "ports"}));
  EXPECT_FALSE(Parse({"classify"}));
  EXPECT_FALSE(Parse({"classify", "--batch", "text"}));
  EXPECT_FALSE(Parse({"send", "SV", "--batch"}));
  EXPECT_TRUE(Parse({"classify", "--batch"}));
  EXPECT_FALSE(Parse({"--listen", "5", "send", "SV"}));  // command options follow the command
  EXPECT_FALSE(Parse({"convert", "hex2dez"}));
  EXPECT_TRUE(Parse({"convert", "hex2dez", "--batch"}));
  EXPECT_FALSE(Parse({"param"}));
  EXPECT_TRUE(Parse({"clock", "--set"}));
  EXPECT_FALSE(Parse({"tag", "--set"}));
  EXPECT_NE(ParseCommandLine({"bogus"}).error.find("bogus"), std::string::npos);
}

TEST(CliOptions, NumbersAreCheckedAgainstTheirRange) {
  const auto o = Parse({"send", "SV", "--protocol", "3", "--listen", "x"});
  ASSERT_TRUE(o);
  std::string error;
  EXPECT_FALSE(NumberOption(*o, "protocol", 0, 2, 0, error));
  EXPECT_NE(error.find("--protocol"), std::string::npos);
  EXPECT_FALSE(NumberOption(*o, "listen", 0, 100, 0, error));
  EXPECT_EQ(NumberOption(*o, "repeat", 1, 5, 4, error), 4);
}

TEST(CliOutput, HexBytes) {
  EXPECT_EQ(HexBytes("\x02SV"), "02 53 56");
  EXPECT_EQ(HexBytes("\xff\x0a"), "FF 0A");
  EXPECT_EQ(HexBytes(""), "");
}

TEST_F(CliProgram, FramePrintsHexBytes) {
  const CliRun run = Tagline("frame SV");
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "02 53 56 43 45 32 43 03\n");
}

TEST_F(CliProgram, SendToTheSimulatedReaderShowsItsAnswer) {
  const CliRun run = Tagline("--simulate --version 'KTR T8 V1.2' send SV --listen 600");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  // The terminal shows the frame without STX and ETX: the text and its CRC digits.
  EXPECT_EQ(run.out, "KTR T8 V1.2" + serial::CrcDigits("KTR T8 V1.2") + "\n");
}

// Run from the wrong folder, a script must not clear a reader of the imagination.
TEST_F(CliProgram, NoReaderConfiguredIsRefusedWithAHint) {
  for (const char* command : {"send SV --listen 600", "db clear", "version"}) {
    const CliRun run = Tagline(command);
    EXPECT_EQ(run.status, kExitPortError) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_NE(run.err.find("--port NAME"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--simulate"), std::string::npos) << run.err;
  }
  // What needs no reader still runs, and the settings can be put right.
  EXPECT_EQ(Tagline("frame SV").status, kExitOk);
  EXPECT_EQ(Tagline("settings").status, kExitOk);
}

TEST_F(CliProgram, RefusedCommandExitsOne) {
  const CliRun run = Tagline("--simulate send ZZ --listen 600");
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_EQ(run.out, "// NAK\n");
}

TEST_F(CliProgram, PortThatCannotBeOpened) {
  const CliRun run = Tagline("--port /nonexistent/ttyX send SV");
  EXPECT_EQ(run.status, kExitPortError);
  EXPECT_NE(run.err.find("message: error on open com port"), std::string::npos);
  EXPECT_NE(run.err.find("No such file or directory"), std::string::npos);
}

TEST_F(CliProgram, PortFromTheSettingsFile) {
  std::ofstream(dir / "Tagline_Console.ini") << "[COM]\r\nport=/nonexistent/ttyINI\r\n";
  const CliRun run = Tagline("listen --ms 10");
  EXPECT_EQ(run.status, kExitPortError);
  EXPECT_NE(run.err.find("/nonexistent/ttyINI"), std::string::npos);
  // --port overrides it for this run only
  const CliRun other = Tagline("--port /nonexistent/ttyARG listen --ms 10");
  EXPECT_NE(other.err.find("/nonexistent/ttyARG"), std::string::npos);
  EXPECT_EQ(ReadFile((dir / "Tagline_Console.ini").string()),
            "[COM]\r\nport=/nonexistent/ttyINI\r\n");
}

TEST_F(CliProgram, VersionShowsTheTextAndTheModel) {
  CliRun run = Tagline("--simulate --version 'KTR H9 HF V1.20025' version");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "KTR H9 HF V1.20025\nmodel: 21 HfV1Recent\n");
  run = Tagline("--simulate --version '' version");
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_EQ(run.out, "");
}

TEST_F(CliProgram, ClassifyOneText) {
  const CliRun run = Tagline("classify 'B2.1 VIP'");
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "1 B21Vip\n");
}

TEST_F(CliProgram, ClassifyBatchAgreesWithTheClassifier) {
  // Texts built from the fragments the rules look for, in random order and spacing.
  const std::vector<std::string> fragments = {"KTR H9 V2.",
                                              "KTR H9 V3.",
                                              "KTR H9 V4.",
                                              "KTR H9 HF V1.",
                                              "KTR H9 HF V4.",
                                              "LMW",
                                              "LMW 1H V1.",
                                              "1H V4.3",
                                              "Talvikko",
                                              "Fenra",
                                              "V2.0",
                                              "B2.0",
                                              "V2.1",
                                              "V2.20011",
                                              "V2.2",
                                              "V2.40000",
                                              "V2.4",
                                              "V2.5",
                                              "V2.6",
                                              "V2.7",
                                              "V2.8",
                                              "V2.9",
                                              "V2.9000",
                                              "V3.0",
                                              "B2.1",
                                              "VIP",
                                              "6",
                                              "S3 2.0",
                                              "S3 2.1",
                                              "CS3",
                                              "0",
                                              "1",
                                              "2",
                                              "3",
                                              "5",
                                              "9",
                                              "00",
                                              "39",
                                              "54",
                                              " ",
                                              ".",
                                              "x"};
  std::mt19937 random(20261208);
  std::vector<std::string> texts = {"", "xyz", "v2.0", "629", "630", "KTR H9 V4.30039"};
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const int parts = static_cast<int>(random() % 6);
    for (int p = 0; p < parts; ++p) text += fragments[random() % fragments.size()];
    texts.push_back(text);
  }
  std::string input;
  std::string expected;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    input += text + (i % 2 ? "\n" : "\r\n");  // LF and CR LF files alike
    expected += ClassifyLine(text) + "\n";
  }
  const CliRun run = Tagline("classify --batch", input);
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, expected);
}

TEST(CliOutput, PaneAdditionAllowsForLinesCutAtTheFront) {
  EXPECT_EQ(PaneAddition("", "abc\r\n"), "abc\r\n");
  EXPECT_EQ(PaneAddition("a\r\nb\r\n", "a\r\nb\r\nc\r\n"), "c\r\n");
  EXPECT_EQ(PaneAddition("a\r\nb\r\n", "b\r\nc\r\n"), "c\r\n");
  EXPECT_EQ(PaneAddition("a\r\n", "a\r\n"), "");
  EXPECT_EQ(PaneAddition("a\r\nb\r\n", ""), "");
}

TEST_F(CliProgram, ReaderButtonsThroughTheCommandLine) {
  CliRun run = Tagline("--simulate tag --repeat 2 --interval 10");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  // The simulated reader has an HDX tag in its field.
  EXPECT_EQ(run.out, "9180451CBE991A14\n9180451CBE991A14\n");
  run = Tagline("--simulate comm");
  EXPECT_EQ(run.out, "// ACK\n");
  run = Tagline("--simulate --version V2.2 param Mode");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "00 // Standard\n");
  run = Tagline("--simulate --version V2.2 param 'Handshake BT' on");
  EXPECT_EQ(run.status, kExitReaderFailed);
  run = Tagline("--simulate --version 'B2.1 VIP' numeric Timeout2 500");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "// ACK\n// ACK\n");
  run = Tagline("--simulate --version B2.0 tagtypes 'Trovan, HDX, FDX-B'");
  EXPECT_EQ(run.status, kExitOk);
  run = Tagline("--simulate clock --set");
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out.substr(run.out.size() - 7), "// ACK\n");
  run = Tagline("--simulate --version B2.0 params");
  EXPECT_EQ(run.out.substr(0, 13), "model: 4 B20\n");
  EXPECT_NE(run.out.find("selection\tLanguage\n"), std::string::npos);
  EXPECT_NE(run.out.find("tagtype\tTrovan\n"), std::string::npos);
}

TEST_F(CliProgram, DatabaseJobs) {
  CliRun run = Tagline("--simulate db read db.xml");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("written: db.xml (3 records)"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "db.xml"));
  run = Tagline("--simulate db write db.xml");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("'w'\tWrite Records\tOK"), std::string::npos);
  run = Tagline("--simulate db write missing.xml");
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("message: no access on DB"), std::string::npos);
  run = Tagline("--simulate db clear");
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(Tagline("--simulate db copy x").status, kExitUsage);
}

TEST_F(CliProgram, DatabaseJobsThatCannotBeDoneWholeExitOne) {
  ASSERT_EQ(Tagline("--simulate db read db.xml").status, kExitOk);
  const std::string sheet = ReadFile((dir / "db.xml").string());
  // A sheet cut off after a row is refused before the reader is erased.
  std::ofstream((dir / "cut.xml").string(), std::ios::binary)
      << sheet.substr(0, sheet.find("</Row>", sheet.size() / 2) + 6);
  CliRun run = Tagline("--simulate db write cut.xml");
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("</Workbook> is missing"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("'EC'\tClear Eeprom\tNOK"), std::string::npos) << run.out;
  // A target the read cannot write is refused before anything is read.
  run = Tagline("--simulate db read noformat");
  EXPECT_EQ(run.status, kExitReaderFailed);
  EXPECT_NE(run.err.find("this database file format is not supported"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "noformat"));
}

TEST_F(CliProgram, FactoryDefault) {
  CliRun run = Tagline("--simulate --version B2.0 factory-default --language deutsch");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("'s'\tWrite Parameters\tOK"), std::string::npos);
  EXPECT_NE(run.out.find("// ACK, Languange -> Deutsch"), std::string::npos);
  run = Tagline("--simulate factory-default --serial 12");
  EXPECT_EQ(run.status, kExitUsage);
}

TEST_F(CliProgram, SettingsThroughTheDialog) {
  std::ofstream(dir / "Tagline_Console.ini") << "[COM]\r\nhex2dez=1\r\nprotocol=2\r\n";
  CliRun run = Tagline("--simulate settings");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("protocol=2\n"), std::string::npos);
  EXPECT_NE(run.out.find("hex2dez=1\n"), std::string::npos);
  run = Tagline("--simulate settings set hex2iso 1");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  run = Tagline("--simulate settings set nonsense 1");
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("hex2bde"), std::string::npos);
}

TEST_F(CliProgram, ConvertOneCodeOrABatch) {
  CliRun run = Tagline("convert hex2dez FF");
  EXPECT_EQ(run.out, "255\n");
  run = Tagline("convert decode-iso-animal 9180451CBE991A14 --order numeric");
  EXPECT_EQ(run.out, "276 123456789012\n");
  run = Tagline("convert hex2dez --batch", "1\r\nFF\n");
  EXPECT_EQ(run.out, "1\n255\n");
  run = Tagline("convert nonsense 1");
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("hex2dez"), std::string::npos);
}

TEST_F(CliProgram, OnlineTypesTheReadersCodesToStandardOutput) {
  // The reader is the simulator program, sending a code every 100 ms.
  const std::string link = (dir / "ttySIM").string();
  const std::string simOut = (dir / "sim.txt").string();
  const std::string start = "'" TAGLINE_SIM_PATH "' --link '" + link +
                            "' --online 0123 --every 100 --cr >'" + simOut + "' 2>&1 & echo $!";
  FILE* pipe = popen(start.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char pid[32] = {};
  ASSERT_NE(fgets(pid, sizeof pid, pipe), nullptr);
  pclose(pipe);
  for (int i = 0; i < 200 && !fs::exists(link); ++i) usleep(10000);
  const CliRun run =
      Tagline("--port '" + link + "' online --keyboard stdout --seconds 1 --log prot.csv");
  // Stop the simulator and let it remove its link before the directory goes.
  const std::string simPid = std::string(pid).substr(0, std::string(pid).find('\n'));
  std::system(("kill " + simPid + "; for i in $(seq 100); do kill -0 " + simPid +
               " 2>/dev/null || break; sleep 0.05; done")
                  .c_str());
  EXPECT_EQ(run.status, kExitOk) << run.err;
  ASSERT_GE(run.out.size(), 6u);
  EXPECT_EQ(run.out.substr(0, 6), "0123\r\n");
  EXPECT_EQ(ReadFile((dir / "prot.csv").string()), run.out);
  EXPECT_NE(run.err.find("0123"), std::string::npos);  // the pane's lines
}

TEST_F(CliProgram, UsageErrorExitsTwo) {
  const CliRun run = Tagline("send");
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("usage:"), std::string::npos);
}

}  // namespace
}  // namespace tagline::cli
