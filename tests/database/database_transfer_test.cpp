// SPDX-License-Identifier: Apache-2.0
// Reading the reader's tag database into files and writing sheets back, against the
// simulated reader with its database.
#include <gtest/gtest.h>

#include "database/read_job.h"
#include "dialog_fixture.h"
#include "sample_records.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

const std::vector<std::string>& kRecords = kSampleRecords;

class DatabaseTransferTest : public DialogFixture {
 protected:
  void StartReader(const std::string& version = "KTR H9 V4.30054") {
    StartWithSimulator(version);
    database = sim::ReaderDatabase::Install(*reader);
  }
  void SetPath(bool read, const std::string& path) {
    host.QueueFileAnswer(path);
    dialog->OnCommand(read ? ctl::kReadPathButton : ctl::kWritePathButton);
  }
  std::string ReadBack(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool RunWriteJob() {
    dialog->OnCommand(ctl::kWrite);
    return host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 60000);
  }
  std::shared_ptr<sim::ReaderDatabase> database;
};

TEST_F(DatabaseTransferTest, ReadIntoASheetAndOpenIt) {
  StartReader();
  database->SetRecords(kRecords);
  database->SetAttribute(0, "Herd");
  database->SetAttribute(1, "K\xFChe & <Kälber>");
  const std::string path = (dir / "read.xml").string();
  SetPath(true, path);
  dialog->OnCommand(ctl::kRead);
  ASSERT_EQ(dialog->tagTable.LeadingCount(), 3u);
  EXPECT_EQ(dialog->tagTable.At(0), kRecords[0]);
  EXPECT_EQ(dialog->attributeList.Entry(0), "#Herd");
  EXPECT_EQ(dialog->attributeList.Entry(2), "B");
  EXPECT_EQ(Text(ctl::kDataset), "3");
  EXPECT_EQ(host.shellOpens(), (std::vector<std::pair<std::string, std::string>>{{path, "open"}}));
  const std::string sheet = ReadBack(path);
  EXPECT_NE(sheet.find("<Worksheet ss:Name=\"Data\">"), std::string::npos);
  EXPECT_NE(sheet.find("K&#252;he &amp; &lt;K"), std::string::npos);
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RN"), 4);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "TZ"), 1);
  EXPECT_TRUE(Enabled(ctl::kRead));
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(DatabaseTransferTest, EmptyDatabaseToADbFile) {
  StartReader();
  const std::string path = (dir / "read.db").string();
  SetPath(true, path);
  dialog->OnCommand(ctl::kRead);
  const std::string text = ReadBack(path);
  EXPECT_EQ(text.substr(0, 45), "Datafile used by Tagline Console program\r\n0\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 27);
}

// A desktop without a program for the file: the panes say where the sheet is.
TEST_F(DatabaseTransferTest, ReadSheetThatNoProgramOpensIsNamedInThePanes) {
  StartReader();
  database->SetRecords(kRecords);
  host.SetShellOpenResult(false);
  const std::string path = (dir / "read.xml").string();
  SetPath(true, path);
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(host.shellOpens().size(), 1u);
  EXPECT_NE(dialog->terminal().panes.received.find(
                "// " + path + " is written; no program to open it was found\r\n"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(path));
}

TEST_F(DatabaseTransferTest, DatFileLines) {
  StartReader();
  database->SetRecords({kRecords[0]});
  database->SetAttribute(0, "Herd");
  const std::string path = (dir / "read.dat").string();
  SetPath(true, path);
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(ReadBack(path), "Herd;ISO HDX;07.03.2026;10:15:00;9180451CBE991A14;Cow 1         \r\n");
}

TEST_F(DatabaseTransferTest, ReadOnlyFileIsNotOverwritten) {
  StartReader();
  database->SetRecords({kRecords[0]});
  database->SetAttribute(0, "Herd");
  const std::string path = (dir / "read.dat").string();
  std::ofstream(path, std::ios::binary) << "earlier read";
  fs::permissions(path, fs::perms::owner_read);
  SetPath(true, path);
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"can not save received data,\r\nno access on file"});
  EXPECT_EQ(ReadBack(path), "earlier read");
  EXPECT_TRUE(host.shellOpens().empty());
}

TEST_F(DatabaseTransferTest, ShortEndMarkerEndsTheRead) {
  StartReader();
  database->SetRecords(kRecords);
  database->SetEndMarker("_");
  SetPath(true, (dir / "read.xml").string());
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(dialog->tagTable.LeadingCount(), 3u);
}

TEST_F(DatabaseTransferTest, ReaderThatKeepsRefusingEndsTheRead) {
  StartReader();
  reader->SetHandler("RN", [](std::string_view) { return std::string(1, serial::kNak); });
  SetPath(true, (dir / "read.xml").string());
  dialog->OnCommand(ctl::kRead);
  ASSERT_EQ(MessageTexts().size(), 2u);
  EXPECT_EQ(MessageTexts()[0], "Communication Error with reader");
  EXPECT_EQ(MessageTexts()[1].rfind("The reader kept refusing to send its records. 0 records", 0),
            0u);
  EXPECT_EQ(dialog->tagTable.LeadingCount(), 0u);
  EXPECT_FALSE(fs::exists(dir / "read.xml"));
  EXPECT_TRUE(fs::exists(dir / "read.incomplete.xml"));
  EXPECT_FALSE(dialog->LastJobResult(JobKind::DatabaseRead)->ok);
}

TEST_F(DatabaseTransferTest, UnsupportedFormatsAndReaders) {
  StartReader("S3 2.0");  // text-code sheet: no plain files
  SetPath(true, (dir / "read.dat").string());
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"*.dat database file format is not supported with this "
                                     "reader,\r\nplease choose *.xml format"});
  host.ClearMessages();
  reader->SetVersion("xyz");
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"database function is not supported"});
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RP"), 1);
}

TEST_F(DatabaseTransferTest, ReadPathGetsAnExtensionAndADefault) {
  StartReader();
  SetPath(true, (dir / "noext").string());
  EXPECT_EQ(dialog->settings().read_path, (dir / "noext.xml").string());
  dialog->settings().read_path.clear();
  host.QueueFileAnswer(std::nullopt);
  dialog->OnCommand(ctl::kReadPathButton);
  EXPECT_EQ(dialog->settings().read_path, database::DefaultDatabasePath(true));
  const std::string longPath = "/" + std::string(100, 'x') + ".xml";
  SetPath(true, longPath);
  EXPECT_EQ(Text(ctl::kReadPath), "..." + longPath.substr(longPath.size() - 80));
}

TEST_F(DatabaseTransferTest, ReadThenWriteGivesTheReaderTheSameDatabase) {
  StartReader();
  database->SetRecords(kRecords);
  database->SetAttribute(0, "Herd");
  database->SetAttribute(1, "K\xFChe & Co");
  const std::string path = (dir / "round.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  const auto attributes = database->Attributes();
  database->SetRecords({});
  for (int i = 0; i < 27; ++i) database->SetAttribute(i, "");

  ASSERT_TRUE(RunWriteJob());
  EXPECT_EQ(database->Records(), kRecords);
  EXPECT_EQ(database->Attributes(), attributes);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text,
            "'t'\tWrite Attributes\tOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n"
            "'w'\tWrite Records\tOK\r\n");
  EXPECT_TRUE(Enabled(ctl::kWrite));
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(DatabaseTransferTest, WritePointerAcknowledgedOnTheSixthAttempt) {
  StartReader();
  database->SetRecords(kRecords);
  const std::string path = (dir / "wp.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  database->RefuseWritePointer(5, serial::kNak);
  ASSERT_TRUE(RunWriteJob());
  EXPECT_EQ(database->Records(), kRecords);
  EXPECT_NE(host.messages().back().text.find("'WP'\tInit Pointer\tOK"), std::string::npos);
}

// The panes end with the last record written and its ACK, as the window shows them.
TEST_F(DatabaseTransferTest, PanesShowTheLastRecordWrittenAndItsAck) {
  StartReader();
  database->SetRecords(kRecords);
  const std::string path = (dir / "panes.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  ASSERT_TRUE(RunWriteJob());
  ASSERT_EQ(database->Records(), kRecords);
  const std::string sent = dialog->controls().at(ctl::kSent).text;
  const std::string received = dialog->controls().at(ctl::kReceived).text;
  EXPECT_TRUE(sent.ends_with("w" + kRecords.back() + "\r\n")) << sent;
  EXPECT_TRUE(received.ends_with("// ACK\r\n")) << received;
}

TEST_F(DatabaseTransferTest, RefusedRecordStopsTheWrite) {
  StartReader();
  database->SetRecords(kRecords);
  const std::string path = (dir / "refused.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  database->RefuseWrites(6, serial::kBel);
  ASSERT_TRUE(RunWriteJob());
  EXPECT_EQ(MessageTexts().front(), "Error sending dataset 1");
  EXPECT_NE(host.messages().back().text.find("'w'\tWrite Records\tNOK"), std::string::npos);
  EXPECT_TRUE(database->Records().empty());
}

TEST_F(DatabaseTransferTest, AttributeAnsweredWithBelIsRepeatedAFewTimesOnly) {
  StartReader();
  database->SetRecords(kRecords);
  const std::string path = (dir / "bel.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  // Attribute "A" is answered with BEL for ever (each BEL waits out the reply collection).
  reader->SetHandler("t", [](std::string_view command) {
    return std::string(1, command.substr(0, 2) == "tA" ? serial::kBel : serial::kAck);
  });
  ASSERT_TRUE(RunWriteJob());
  const auto commands = reader->Commands();
  const auto sent = [&commands](const char* prefix) {
    return std::count_if(commands.begin(), commands.end(),
                         [prefix](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(sent("tA"), 6);                  // sent once and repeated five times, then given up
  EXPECT_EQ(sent("t"), 6 + 26);              // every other attribute once
  EXPECT_EQ(database->Records(), kRecords);  // the job went on
}

TEST_F(DatabaseTransferTest, MissingSheetFailsTheJob) {
  StartReader();
  SetPath(false, (dir / "missing.xml").string());
  ASSERT_TRUE(RunWriteJob());
  EXPECT_EQ(MessageTexts().front(), "no access on DB\r\n" + (dir / "missing.xml").string() +
                                        "\r\nNothing was written; the reader was left as it is.");
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EC"), 0);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "WP"), 0);
}

TEST_F(DatabaseTransferTest, TalvikkoEndRecordIsKept) {
  StartReader("Talvikko");
  database->SetRecords(
      {"12345678101012024"
       "01022024",
       "X2345678101012024"
       "01022024"});
  database->SetEndMarker("_");
  SetPath(true, (dir / "talvikko.xml").string());
  dialog->OnCommand(ctl::kRead);
  EXPECT_EQ(dialog->tagTable.LeadingCount(), 2u);
  EXPECT_EQ(dialog->tagTable.At(1).front(), 'X');
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

struct RoundTripCase {
  const char* name;  // the layout, as the test's name shows it
  const char* version;
  std::vector<std::string> records;
};

class DatabaseRoundTrip : public DatabaseTransferTest,
                          public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(DatabaseRoundTrip, ReadThenWriteGivesTheReaderItsOwnDatabase) {
  StartReader(GetParam().version);
  database->SetRecords(GetParam().records);
  database->SetAttribute(3, "Stall 3");
  const std::string path = (dir / "round.xml").string();
  SetPath(true, path);
  SetPath(false, path);
  dialog->OnCommand(ctl::kRead);
  ASSERT_EQ(dialog->tagTable.LeadingCount(), GetParam().records.size());
  const auto attributes = database->Attributes();
  database->SetRecords({});
  for (int i = 0; i < 27; ++i) database->SetAttribute(i, "");
  ASSERT_TRUE(RunWriteJob());
  EXPECT_EQ(database->Records(), GetParam().records);
  if (GetParam().version == std::string("KTR H9 V4.30054") ||
      GetParam().version == std::string("S3 2.0")) {
    EXPECT_EQ(database->Attributes(), attributes);
  }
  EXPECT_EQ(host.messages().back().text.find("NOK"), std::string::npos)
      << host.messages().back().text;
}

INSTANTIATE_TEST_SUITE_P(
    EveryLayoutWithAnImport, DatabaseRoundTrip,
    ::testing::Values(RoundTripCase{"AttributeSheetReversedHex", "KTR H9 V4.30054", kRecords},
                      RoundTripCase{"AttributeSheet", "B2.0", kRecords},
                      RoundTripCase{"TextCodeSheet",
                                    "S3 2.0",
                                    {"#070326101500"
                                     "48656C6C6F20776F726C64212121"
                                     "FFFF"}},
                      RoundTripCase{"CodeSheet",
                                    "KTR H9 V2.4",
                                    {"#000000000000F9180451CBE991A146______________"}},
                      RoundTripCase{"Talvikko",
                                    "Talvikko",
                                    {"12345678"
                                     "1"
                                     "01012024"
                                     "01022024"}},
                      RoundTripCase{"Fenra",
                                    "Fenra",
                                    {"0123456789ABCDEF"
                                     "1"
                                     "010124"
                                     "01022024"}}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tagline::app
