// SPDX-License-Identifier: Apache-2.0
// More than the reader's table takes, and a sheet far larger than any database: the write
// says so and the reader is not erased for a sheet it could never hold.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fault/fault_fixture.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

using Texts = std::vector<std::string>;

constexpr const char* kLeftAsItIs = "Nothing was written; the reader was left as it is.";

// `count` records, each with its own number in the code and the text.
std::vector<std::string> NumberedRecords(std::size_t count) {
  std::vector<std::string> records;
  for (std::size_t i = 0; i < count; ++i) {
    char code[17];
    std::snprintf(code, sizeof code, "%016zX", i + 1);
    char text[15];
    std::snprintf(text, sizeof text, "Cow %-10zu", i + 1);
    records.push_back("A080326111501F" + std::string(code) + "1" + text);
  }
  return records;
}

// The sheet of `records` with one more record row than the program writes: the rows of
// the last record repeated `extra` times before the table's closing row.
std::string SheetWithExtraRows(const std::vector<std::string>& records, std::size_t extra) {
  std::string sheet = SampleSheet(records);
  const std::string last = records.back().substr(31, 14);
  std::size_t cell = sheet.rfind(last.substr(0, last.find_last_not_of(' ') + 1));
  EXPECT_NE(cell, std::string::npos);
  const std::size_t rowStart = sheet.rfind("<Row", cell);
  const std::size_t rowEnd = sheet.find("</Row>", cell) + 6;
  const std::string row = sheet.substr(rowStart, rowEnd - rowStart);
  for (std::size_t i = 0; i < extra; ++i) sheet.insert(rowEnd, row);
  return sheet;
}

using FaultVolume = FaultFixture;

TEST_F(FaultVolume, SheetWithMoreRecordsThanTheTableTakesSaysSo) {
  StartReader();
  const auto records = NumberedRecords(database::TagTable::Capacity());
  WriteSheetFile(SheetWithExtraRows(records, 2));
  database->SetRecords(kOldRecords);
  // Writing 5000 records takes minutes: the write pointer is refused, which ends the job
  // before the records.
  database->RefuseWritePointer(6, serial::kNak);
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  const std::string full =
      "The sheet holds more than 5000 records; only the first 5000 are written.";
  EXPECT_EQ(MessageTexts(), (Texts{full, kCommunicationError, result->summary}));
  EXPECT_EQ(result->failures, (Texts{full, kCommunicationError}));
  EXPECT_EQ(result->summary,
            "'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tNOK\r\n'w'\tWrite Records\tNOK\r\n");
  // The first 5000 records were taken from the sheet, in order.
  ASSERT_EQ(dialog->tagTable.LeadingCount(), records.size());
  EXPECT_EQ(dialog->tagTable.At(0), records.front());
  EXPECT_EQ(dialog->tagTable.At(records.size() - 1), records.back());
  EXPECT_EQ(CountCommands("WP"), 6u);
  EXPECT_EQ(CountCommandsStartingWith("w"), 0u);
}

// A sheet of 100 MB: refused before it is read, with nothing but the identification sent.
class FaultHugeSheet : public FaultFixture {
 protected:
  std::string MakeHugeSheet() {
    const std::string sheet = SampleSheet();
    const std::size_t end = sheet.rfind("</Workbook>");
    EXPECT_NE(end, std::string::npos);
    const std::string path = (dir / "huge.xml").string();
    {
      std::ofstream out(path, std::ios::binary);
      out << sheet.substr(0, end);
    }
    // The middle is a hole in the file: no 100 MB are written to the disk.
    fs::resize_file(path, kHugeSize - 12);
    std::ofstream(path, std::ios::binary | std::ios::app) << "</Workbook>\n";
    EXPECT_EQ(fs::file_size(path), kHugeSize);
    return path;
  }
  static constexpr std::uintmax_t kHugeSize = 100u * 1000u * 1000u;
};

TEST_F(FaultHugeSheet, IsRefusedBeforeTheReaderIsTouched) {
  StartReader();
  const std::string path = MakeHugeSheet();
  dialog->settings().write_path = path;
  database->SetRecords(kOldRecords);
  const auto attributes = database->Attributes();
  reader->ClearRecord();
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(reader->Commands(), Texts{"SV"});
  EXPECT_EQ(database->Records(), kOldRecords);
  EXPECT_EQ(database->Attributes(), attributes);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->records, 0u);
  ASSERT_EQ(result->failures.size(), 1u);
  const std::string& failure = result->failures[0];
  EXPECT_EQ(failure.rfind("The sheet is larger than", 0), 0u) << failure;
  ASSERT_GE(failure.size(), std::string(kLeftAsItIs).size());
  EXPECT_EQ(failure.substr(failure.size() - std::string(kLeftAsItIs).size()), kLeftAsItIs)
      << failure;
  EXPECT_EQ(MessageTexts(), (Texts{failure, result->summary}));
  EXPECT_NE(result->summary.find("'EC'\tClear Eeprom\tNOK"), std::string::npos);
  EXPECT_NE(result->summary.find("'w'\tWrite Records\tNOK"), std::string::npos);
  EXPECT_EQ(fs::file_size(path), kHugeSize);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

}  // namespace
}  // namespace tagline::app
