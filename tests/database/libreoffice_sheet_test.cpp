// SPDX-License-Identifier: Apache-2.0
// Sheets as a spreadsheet program sees them: LibreOffice converts a sheet the program
// wrote to CSV, and saves it again as "MS Excel 2003 XML" for the program to write back.
// Skipped where LibreOffice is not installed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "database/xml_text.h"
#include "dialog_fixture.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

// Every printable Windows-1252 character but the blank, twelve to an attribute (the most
// an attribute write carries), with a blank inside the first.
std::vector<std::string> AttributeTexts() {
  std::string all;
  for (int c = 0x21; c <= 0xFF; ++c) {
    if (c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) continue;
    all += static_cast<char>(c);
  }
  all.insert(5, " ");
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < all.size(); i += 12) texts.push_back(all.substr(i, 12));
  return texts;
}

std::string Utf8(const std::string& win1252) {
  std::string out;
  for (const char c : win1252) {
    const char32_t cp = database::Windows1252ToCodePoint(static_cast<unsigned char>(c));
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Rows of cells of a CSV text (quoted fields may hold line breaks and doubled quotes).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(cell);
      cell.clear();
    } else if (c == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      cell += c;
    }
  }
  if (!cell.empty() || !rows.back().empty()) rows.back().push_back(cell);
  return rows;
}

class LibreOfficeSheetTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "LibreOffice is not installed";
    }
  }
  // Runs soffice on `input`, writing into `outDir`; true when the output appeared.
  bool Convert(const std::string& input, const std::string& filter, const fs::path& outDir) {
    const std::string command =
        "timeout 180 soffice --headless --norestore -env:UserInstallation=file://" +
        (dir / "lo-profile").string() + " --infilter='MS Excel 2003 XML' --convert-to '" + filter +
        "' --outdir '" + outDir.string() + "' '" + input + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
};

TEST_F(LibreOfficeSheetTest, EveryCellTextSurvivesAndComesBack) {
  StartWithSimulator();
  auto database = sim::ReaderDatabase::Install(*reader);
  const std::vector<std::string> records = {
      "#070326101500F9180451CBE991A146\xC4rger & <Co>  ",
      "A080326111501F0123456789ABCDEF1\x80 \"quoted\" \xFF!!",
  };
  database->SetRecords(records);
  const auto texts = AttributeTexts();
  for (std::size_t i = 0; i < texts.size(); ++i)
    database->SetAttribute(static_cast<int>(i), texts[i]);
  const std::string sheet = (dir / "sheet.xml").string();
  dialog->settings().read_path = sheet;
  dialog->settings().write_path = (dir / "saved" / "sheet.xml").string();
  dialog->OnCommand(ctl::kRead);
  ASSERT_TRUE(fs::exists(sheet));

  // Every attribute text, in UTF-8, in column C of its row.
  ASSERT_TRUE(Convert(sheet, "csv:Text - txt - csv (StarCalc):44,34,76,1", dir / "csv"));
  std::ifstream csvFile(dir / "csv" / "sheet.csv", std::ios::binary);
  std::stringstream csv;
  csv << csvFile.rdbuf();
  const auto rows = ParseCsv(csv.str());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_GT(rows.size(), i + 2);
    ASSERT_GT(rows[i + 2].size(), 2u);
    EXPECT_EQ(rows[i + 2][2], Utf8(texts[i])) << "attribute " << i;
  }
  EXPECT_EQ(rows[2][15], Utf8(records[0].substr(31)));
  EXPECT_EQ(rows[3][15], Utf8(records[1].substr(31)));

  // Saved again by the spreadsheet program and written back: the reader gets it all back.
  ASSERT_TRUE(Convert(sheet, "xml:MS Excel 2003 XML", dir / "saved"));
  database->SetRecords({});
  for (int i = 0; i < 27; ++i) database->SetAttribute(i, "");
  dialog->OnCommand(ctl::kWrite);
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 600000));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(database->Attributes()[i], texts[i]) << "attribute " << i;
  }
  EXPECT_EQ(database->Records(), records);
}

}  // namespace
}  // namespace tagline::app
