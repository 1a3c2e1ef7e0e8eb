// SPDX-License-Identifier: Apache-2.0
// `db read FILE.csv` and `db write FILE.csv` on a simulated reader.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "cli/cli_program.h"
#include "cli/cli_run.h"
#include "sample_records.h"
#include "sim/reader_database.h"
#include "sim/simulated_reader.h"
#include "xvfb_server.h"

namespace tagline::cli {
namespace {

class CsvFiles : public CliProgram {
 protected:
  void SetUp() override {
    CliProgram::SetUp();
    sim::SimOptions options;
    options.latencyMs = 1;
    options.version = "B2.0";
    options.linkPath = (dir / "reader").string();
    std::string error;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
    database = sim::ReaderDatabase::Install(*reader);
  }
  CliRun Run(const std::string& args) const {
    return Tagline("--ini t.ini --port '" + (dir / "reader").string() + "' " + args);
  }
  std::unique_ptr<sim::SimulatedReader> reader;
  std::shared_ptr<sim::ReaderDatabase> database;
};

TEST_F(CsvFiles, ReadIntoCsvAndWrittenBackToAnEmptyReader) {
  std::vector<std::string> records = kSampleRecords;
  // An ISO FDX tag whose decoded cells start with zeros.
  records.push_back(
      "C100326131503F0000000000012345"
      "1Calf 0012     ");
  database->SetRecords(records);
  const CliRun read = Run("db read herd.csv");
  ASSERT_EQ(read.status, kExitOk) << read.out << read.err;
  EXPECT_NE(read.out.find("written: herd.csv (4 records)"), std::string::npos) << read.out;
  const std::string csv = ReadFile((dir / "herd.csv").string());
  EXPECT_NE(csv.find("\r\nC,,C,,2026-03-10,13:15:03,0000000000012345,"), std::string::npos) << csv;

  // Python's csv module in strict mode, as a consumer of the file would read it.
  if (!tagline::testing::FindInPath("python3").empty()) {
    const std::string check =
        "python3 -c \"import csv,sys; rows=list(csv.reader(open(sys.argv[1], newline='', "
        "encoding='utf-8'), strict=True)); assert len(set(map(len, rows))) == 1, rows; "
        "assert rows[0][4] == 'Date'; print(len(rows))\" '" +
        (dir / "herd.csv").string() + "' > '" + (dir / "rows.txt").string() + "'";
    ASSERT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(ReadFile((dir / "rows.txt").string()), "28\n") << "header and the 27 attributes";
  }

  database->SetRecords({});
  const CliRun write = Run("db write herd.csv");
  ASSERT_EQ(write.status, kExitOk) << write.out << write.err;
  std::vector<std::string> written = database->Records();
  written.resize(records.size());
  EXPECT_EQ(written, records);
}

TEST_F(CsvFiles, ACsvOfAnotherReaderIsRefusedBeforeTheErase) {
  database->SetRecords(kSampleRecords);
  std::ofstream(dir / "other.csv") << "Code HEX,Code BDE\r\n0123,45\r\n";
  const CliRun write = Run("db write other.csv");
  EXPECT_EQ(write.status, kExitReaderFailed);
  EXPECT_NE(write.err.find("this reader's sheet has \"Attribute Token\" there"), std::string::npos)
      << write.err << write.out;
  EXPECT_EQ(database->Records().size(), kSampleRecords.size()) << "nothing was erased";
}

}  // namespace
}  // namespace tagline::cli
