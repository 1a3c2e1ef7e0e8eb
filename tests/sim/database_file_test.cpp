// SPDX-License-Identifier: Apache-2.0
// The stand-alone simulated reader takes its database from a file the program wrote.
#include "sim/database_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sample_records.h"
#include "temp_dir.h"

namespace tagline::sim {
namespace {

using protocol::ReaderModel;

class DatabaseFileTest : public ::testing::Test {
 protected:
  // The demo reader's database as `tagline` saves it to `name`.
  std::string Saved(const std::string& name) {
    const std::string path = (Folder() / name).string();
    const std::string command = "cd '" + Folder().string() +
                                "' && '" TAGLINE_CLI_PATH "' --ini t.ini --simulate db read '" +
                                name + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << name;
    return path;
  }
  std::filesystem::path Folder() const { return dir.path(); }
  test::TempDir dir{"database-file"};
  std::string error;
};

TEST_F(DatabaseFileTest, EveryFormatGivesBackTheRecordsAndAttributes) {
  for (const char* name : {"demo.xml", "demo.db", "demo.dat"}) {
    SCOPED_TRACE(name);
    const auto seed = LoadDatabaseFile(Saved(name), ReaderModel::KtrH9V43Build54, error);
    ASSERT_TRUE(seed) << error;
    EXPECT_EQ(seed->records, kSampleRecords);
    EXPECT_EQ(seed->attributes[0], "Herd");
    EXPECT_EQ(seed->attributes[1], "Barn A");
    EXPECT_EQ(seed->attributes[2], "Barn B");
    EXPECT_EQ(seed->attributes[3], "");
  }
}

TEST_F(DatabaseFileTest, UnfitFilesAreRefusedWithTheReason) {
  EXPECT_FALSE(
      LoadDatabaseFile((Folder() / "missing.xml").string(), ReaderModel::KtrH9V43Build54, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);

  const std::string db = Saved("demo.db");
  EXPECT_FALSE(LoadDatabaseFile(db, ReaderModel::Talvikko, error));
  EXPECT_NE(error.find("45-character"), std::string::npos);

  std::ofstream(Folder() / "short.db") << "Datafile\r\n9\r\n#0703\r\n";
  EXPECT_FALSE(
      LoadDatabaseFile((Folder() / "short.db").string(), ReaderModel::KtrH9V43Build54, error));
  std::ofstream(Folder() / "bad.dat") << "Herd;ISO HDX;7.3.26;10:15:00;91;x\r\n";
  EXPECT_FALSE(
      LoadDatabaseFile((Folder() / "bad.dat").string(), ReaderModel::KtrH9V43Build54, error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  std::ofstream(Folder() / "notes.txt") << "x";
  EXPECT_FALSE(
      LoadDatabaseFile((Folder() / "notes.txt").string(), ReaderModel::KtrH9V43Build54, error));
}

TEST_F(DatabaseFileTest, MadeUpRecordsAreDistinctAndOfTheReadersLength) {
  const auto seed = MadeUpDatabase(1500, ReaderModel::KtrH9V43Build54, error);
  ASSERT_TRUE(seed) << error;
  ASSERT_EQ(seed->records.size(), 1500u);
  for (const std::string& record : seed->records) ASSERT_EQ(record.size(), 45u) << record;
  EXPECT_NE(seed->records[0], seed->records[1499]);
  EXPECT_EQ(seed->records[1].substr(7, 6), "000100");  // one a minute
  EXPECT_FALSE(MadeUpDatabase(5001, ReaderModel::KtrH9V43Build54, error));
  EXPECT_FALSE(MadeUpDatabase(10, ReaderModel::Fenra, error));
}

}  // namespace
}  // namespace tagline::sim
