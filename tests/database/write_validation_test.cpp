// SPDX-License-Identifier: Apache-2.0
// A sheet is checked whole before the reader is erased: what cannot be written is named and
// the reader keeps its database.
#include <gtest/gtest.h>

#include <regex>

#include "codes/iso_code.h"
#include "database/layouts_write.h"
#include "dialog_fixture.h"
#include "sample_records.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

const std::vector<std::string>& kRecords = kSampleRecords;
const std::vector<std::string> kOldRecords = {"Z010101000000F0000000000000000000Old record  "};

class WriteValidationTest : public DialogFixture {
 protected:
  void StartReader(const std::string& version = "KTR H9 V4.30054") {
    StartWithSimulator(version);
    database = sim::ReaderDatabase::Install(*reader);
  }
  // A sheet as the program reads it from a reader holding `records`.
  std::string SheetOf(const std::vector<std::string>& records) {
    database->SetRecords(records);
    database->SetAttribute(0, "Herd");
    const std::string path = (dir / "sheet.xml").string();
    dialog->settings().read_path = path;
    dialog->OnCommand(ctl::kRead);
    EXPECT_TRUE(dialog->LastJobResult(JobKind::DatabaseRead)->ok);
    return ReadFile(path);
  }
  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Writes `sheet` to the reader, which holds kOldRecords until it is erased.
  const JobResult& Write(const std::string& sheet) {
    const std::string path = (dir / "write.xml").string();
    std::ofstream(path, std::ios::binary) << sheet;
    database->SetRecords(kOldRecords);
    reader->ClearRecord();
    host.ClearMessages();
    dialog->settings().write_path = path;
    dialog->OnCommand(ctl::kWrite);
    EXPECT_TRUE(
        host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 60000));
    return *dialog->LastJobResult(JobKind::DatabaseWrite);
  }
  // The reader got nothing but the identification and kept its records.
  void ExpectReaderUntouched(const JobResult& result) {
    EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
    EXPECT_EQ(database->Records(), kOldRecords);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.summary.find("'EC'\tClear Eeprom\tNOK"), std::string::npos);
    EXPECT_NE(result.summary.find("'w'\tWrite Records\tNOK"), std::string::npos);
  }
  bool Sent(const std::string& command) const {
    const auto commands = reader->Commands();
    return std::find(commands.begin(), commands.end(), command) != commands.end();
  }
  std::shared_ptr<sim::ReaderDatabase> database;
};

TEST_F(WriteValidationTest, ReaderWithoutASheetLayoutIsNotErased) {
  for (const char* version : {"KTR H9 HF V1.1", "xyz", "B2.1 VIP"}) {
    StartReader(version);
    const JobResult& result = Write("<Workbook></Workbook>");
    ExpectReaderUntouched(result);
    ASSERT_EQ(result.failures.size(), 1u) << version;
    EXPECT_EQ(result.failures[0].rfind("This reader's database cannot be written from a sheet.", 0),
              0u);
    dialog.reset();
  }
}

TEST_F(WriteValidationTest, SheetWithoutRecordsForThisReaderIsRefused) {
  StartReader();
  std::string sheet = SheetOf(kRecords);  // an attribute sheet
  reader->SetVersion("Talvikko");         // read back into an inspection reader
  const JobResult& result = Write(sheet);
  ExpectReaderUntouched(result);
  ASSERT_FALSE(result.failures.empty());
  EXPECT_NE(result.failures.back().find("holds no records"), std::string::npos);
}

TEST_F(WriteValidationTest, UnreadableSheetKeepsItsFormatMessage) {
  StartReader();
  const JobResult& result = Write("<Workbook><Row><Cell></Workbook>");
  ExpectReaderUntouched(result);
  EXPECT_EQ(result.failures, std::vector<std::string>{"DB has wrong format"});
}

TEST_F(WriteValidationTest, RowWithoutARecordBetweenRecordsIsNamed) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  // Empty the record token of the second record (sheet row 4): the row holds no record now.
  const std::size_t row = sheet.rfind("<Data ss:Type=\"String\">A</Data>", sheet.find("08.03.26"));
  ASSERT_NE(row, std::string::npos);
  sheet.replace(row, 31, "<Data ss:Type=\"String\"></Data>");
  const JobResult& result = Write(sheet);
  ExpectReaderUntouched(result);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("Row 4 of the sheet hold", 0), 0u) << result.failures[0];
}

TEST_F(WriteValidationTest, ShortDateCellIsNamedEvenOnTheLastRecord) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  const std::size_t date = sheet.find("09.03.26");
  ASSERT_NE(date, std::string::npos);
  sheet.replace(date, 8, "9.3.26");
  const JobResult& result = Write(sheet);
  ExpectReaderUntouched(result);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("Row 5 of the sheet", 0), 0u) << result.failures[0];
}

TEST_F(WriteValidationTest, TruncatedSheetIsRefusedWhereverItIsCut) {
  StartReader();
  const std::string sheet = SheetOf(kRecords);
  std::vector<std::size_t> cuts;
  for (std::size_t at = sheet.find("</Row>"); at != std::string::npos;
       at = sheet.find("</Row>", at + 1)) {
    cuts.push_back(at + 6);
  }
  ASSERT_GT(cuts.size(), 5u);
  for (const std::size_t cut : {cuts[2], cuts[4], cuts.back(), cuts[3] - 20}) {
    const JobResult& result = Write(sheet.substr(0, cut));
    ExpectReaderUntouched(result);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_NE(result.failures[0].find("</Workbook> is missing"), std::string::npos);
  }
}

TEST_F(WriteValidationTest, SheetFarLargerThanTheTableIsNotRead) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  const std::size_t end = sheet.rfind("</Workbook>");
  ASSERT_NE(end, std::string::npos);
  sheet.insert(end, std::size_t{33} << 20, ' ');
  const JobResult& result = Write(sheet);
  ExpectReaderUntouched(result);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("The sheet is larger than 32 MB", 0), 0u)
      << result.failures[0];
  EXPECT_EQ(result.records, 0u);
}

TEST_F(WriteValidationTest, RecordRefusedAfterItsRepeatsFailsTheWrite) {
  StartReader();
  const std::string sheet = SheetOf(kRecords);
  database->RefuseWrites(6, serial::kNak);  // the second record's six attempts
  database->SetRecords(kOldRecords);
  const std::string path = (dir / "write.xml").string();
  std::ofstream(path, std::ios::binary) << sheet;
  dialog->settings().write_path = path;
  host.ClearMessages();
  // The first record is acknowledged, then every attempt at the second is refused.
  int writes = 0;
  reader->SetHandler("w", [&writes](std::string_view) {
    return std::string(1, ++writes == 1 ? serial::kAck : serial::kNak);
  });
  dialog->OnCommand(ctl::kWrite);
  ASSERT_TRUE(host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 60000));
  const JobResult& result = *dialog->LastJobResult(JobKind::DatabaseWrite);
  EXPECT_EQ(writes, 7);
  EXPECT_EQ(result.failures, std::vector<std::string>{"Error sending dataset 2"});
  EXPECT_NE(result.summary.find("'w'\tWrite Records\tNOK"), std::string::npos);
  EXPECT_EQ(result.records, 1u);
  EXPECT_FALSE(result.ok);
}

TEST_F(WriteValidationTest, Utf8SheetWithoutADeclarationIsReadAsUtf8) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  // A program that saved the sheet as UTF-8 and dropped the declaration.
  sheet.erase(0, sheet.find("?>") + 2);
  const std::size_t herd = sheet.find(">Herd<");
  ASSERT_NE(herd, std::string::npos);
  sheet.replace(herd, 6, ">K\xC3\xBChe<");
  const JobResult& result = Write(sheet);
  EXPECT_TRUE(result.ok) << result.summary;
  EXPECT_EQ(database->Attributes()[0], "K\xFChe");
}

TEST_F(WriteValidationTest, LongAttributeTextsAreShownBeforeTheyAreCut) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  const std::size_t herd = sheet.find(">Herd<");
  sheet.replace(herd, 6, ">Herd of the north field<");
  // Attribute A's text of blanks alone would come back empty: shown as well.
  const std::string emptyCell = "<Data ss:Type=\"String\"></Data>";
  const std::size_t tokenA = sheet.find("<Data ss:Type=\"String\">A</Data>");
  const std::size_t textA = sheet.find(emptyCell, tokenA);
  ASSERT_NE(textA, std::string::npos);
  sheet.replace(textA, emptyCell.size(), "<Data ss:Type=\"String\">   </Data>");
  host.QueueMessageAnswer(id::kCancel);
  const JobResult& declined = Write(sheet);
  ExpectReaderUntouched(declined);
  ASSERT_FALSE(host.messages().empty());
  EXPECT_NE(host.messages()[0].text.find("A: \"   \" -> \"\""), std::string::npos);
  EXPECT_NE(host.messages()[0].text.find("#: \"Herd of the north field\" -> \"Herd of the \""),
            std::string::npos)
      << host.messages()[0].text;

  host.QueueMessageAnswer(id::kOk);
  const JobResult& accepted = Write(sheet);
  EXPECT_TRUE(accepted.ok) << accepted.summary;
  EXPECT_EQ(database->Attributes()[0], "Herd of the");
  EXPECT_EQ(database->Records(), kRecords);
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

// On the code sheet the HEX cell and the decoded cells show the same code.
TEST_F(WriteValidationTest, UneditedCodeSheetWritesTheSameCodesBack) {
  const std::vector<std::string> records = {
      "#000000000000F9180451CBE991A141______________",  // ISO FDX, shown reversed
      "#000000000000F0123456789ABCDEFD______________",  // BDE FDX, shown reversed
      "#000000000000F9180451CBE991A146______________",  // ISO HDX
  };
  for (const char* version : {"KTR H9 V2.4", "KTR H9 V2.5"}) {
    StartReader(version);
    const std::string sheet = SheetOf(records);
    const JobResult& result = Write(sheet);
    EXPECT_TRUE(result.ok) << version << "\n" << result.summary;
    EXPECT_EQ(database->Records(), records) << version;
    dialog.reset();
  }
}

TEST_F(WriteValidationTest, ChangedDecodedCellOfTheCodeSheetIsEncoded) {
  StartReader("KTR H9 V2.4");
  std::string sheet = SheetOf({"#000000000000F9180451CBE991A146______________"});
  const std::string animal = "276 123456789012";
  const std::size_t at = sheet.find(animal);
  ASSERT_NE(at, std::string::npos);
  sheet.replace(at, animal.size(), "276 000000000042");
  const JobResult& result = Write(sheet);
  EXPECT_TRUE(result.ok) << result.summary;
  ASSERT_EQ(database->Records().size(), 1u);
  // The retagging counter and user information cells stay as the sheet shows them.
  const database::CodeCells shown = database::CodeSheetCodeCells(
      "#000000000000F9180451CBE991A146______________", protocol::ReaderModel::KtrH9V2);
  EXPECT_EQ(database->Records()[0].substr(14, 16),
            codes::EncodeIsoAnimal("276 000000000042", shown.retagCounter, shown.userInformation,
                                   codes::BitOrder::NumericOrder));
  EXPECT_NE(database->Records()[0].substr(14, 16), "9180451CBE991A14");
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

TEST_F(WriteValidationTest, UnpluggedReaderEndsTheWriteAtOnce) {
  StartReader();
  const std::string sheet = SheetOf(kRecords);
  database->SetEraseAnswer(serial::kAck, 20000);  // a slow erase, answered after 20 s
  const std::string path = (dir / "write.xml").string();
  std::ofstream(path, std::ios::binary) << sheet;
  dialog->settings().write_path = path;
  host.ClearMessages();
  dialog->OnCommand(ctl::kWrite);
  ASSERT_TRUE(host.RunUntil([this] { return Sent("EC"); }, 20000));
  reader->Unplug();
  // Within a few ticks, not after the erase's hundred polls.
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 4 * 250));
  const JobResult& result = *dialog->LastJobResult(JobKind::DatabaseWrite);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(std::find(result.failures.begin(), result.failures.end(),
                      std::string("The connection to the reader was lost.")),
            result.failures.end());
  EXPECT_NE(result.summary.find("'w'\tWrite Records\tNOK"), std::string::npos);
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

// Hand-edited sheets that would be written corrupt are refused before the erase, each with
// its row and cell named.
TEST_F(WriteValidationTest, HandEditedCellsAreRefusedWithTheirRowAndCell) {
  StartReader();
  const std::string sheet = SheetOf(kRecords);
  const auto edited = [&sheet](std::vector<std::pair<std::string, std::string>> edits) {
    std::string text = sheet;
    for (const auto& [from, to] : edits) {
      const std::size_t at = text.find(from);
      EXPECT_NE(at, std::string::npos) << from;
      if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
  };
  const struct {
    std::string sheet;
    const char* named;
  } cases[] = {
      {edited({{">07.03.26<", ">yesterday<"}}), "date: \"yesterday\" is no date"},
      {edited({{">10:15:00<", ">10:\xFF\xFF:00<"}}), "time: "},
      {edited({{">9180451CBE991A14<", ">9180451CBE99ZA14<"}}), "HEX: \"9180451CBE99ZA14\""},
      {edited({{">9180451CBE991A14<", "><"}, {">276 123456789012<", "><"}}),
       "the record holds no code"},
      {edited({{"<Cell ss:StyleID=\"s23\"><Data ss:Type=\"String\">Cow 1",
                "<Cell ss:Index=\"4000\" ss:StyleID=\"s23\"><Data ss:Type=\"String\">Cow 1"}}),
       "lies beyond the sheet's columns"},
  };
  for (const auto& c : cases) {
    const JobResult& result = Write(c.sheet);
    ExpectReaderUntouched(result);
    ASSERT_FALSE(result.failures.empty()) << c.named;
    EXPECT_NE(result.failures[0].find("Row "), std::string::npos) << result.failures[0];
    EXPECT_NE(result.failures[0].find(c.named), std::string::npos) << result.failures[0];
  }
}

// Lower-case hex is the same code: taken as upper case.
TEST_F(WriteValidationTest, LowerCaseHexIsWrittenAsUpperCase) {
  StartReader();
  std::string sheet = SheetOf(kRecords);
  const std::size_t at = sheet.find(">9180451CBE991A14<");
  ASSERT_NE(at, std::string::npos);
  sheet.replace(at, 18, ">9180451cbe991a14<");
  const JobResult& result = Write(sheet);
  EXPECT_TRUE(result.ok) << ::testing::PrintToString(result.failures);
  EXPECT_EQ(database->Records(), kRecords);
}

}  // namespace
}  // namespace tagline::app
