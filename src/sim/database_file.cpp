// SPDX-License-Identifier: Apache-2.0
#include "sim/database_file.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "codes/code_text.h"
#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/tag_table.h"
#include "serial/frame.h"

namespace tagline::sim {

namespace {

namespace db = tagline::database;

constexpr std::size_t kPlainRecordLength = 45;
constexpr std::size_t kCodeDigits = 16;
constexpr std::size_t kTextLength = 14;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::size_t begin = 0;
  for (std::size_t end; (end = line.find(separator, begin)) != std::string::npos; begin = end + 1) {
    fields.push_back(line.substr(begin, end - begin));
  }
  fields.push_back(line.substr(begin));
  return fields;
}

std::optional<SeedDatabase> FromSheet(std::string text, protocol::ReaderModel model,
                                      std::string& error) {
  const auto layout = db::LayoutForModel(model);
  const std::size_t length = db::RecordLength(model);
  if (!layout || length == 0) {
    error = "this reader keeps no records a sheet gives";
    return std::nullopt;
  }
  db::TagTable table;
  db::AttributeList attributes;
  table.Fill(" ");
  attributes.Fill(" ");
  const auto imported = db::ImportSheetText(std::move(text), *layout, model, table, attributes);
  SeedDatabase seed;
  for (std::size_t i = 0; i < imported.completeRecords; ++i) {
    seed.records.push_back(table.At(i).substr(0, length));
  }
  for (std::size_t i = 0; i < seed.attributes.size(); ++i) {
    // An entry is its token, a blank and the text the reader keeps.
    const std::string& entry = attributes.Entry(i);
    seed.attributes[i] = entry.size() > 2 ? TrimRight(entry.substr(2)) : std::string();
  }
  return seed;
}

// "Datafile used by ..." , the record count, the records, the 27 attribute texts.
std::optional<SeedDatabase> FromDbFile(const std::string& text, std::string& error) {
  const auto lines = Lines(text);
  std::size_t count = 0;
  const bool counted = lines.size() >= 2 && (std::istringstream(lines[1]) >> count) &&
                       count <= db::kTagTableSize && lines.size() >= 2 + count;
  if (!counted) {
    error = "not a .db file of this program (a header line, the record count, the records)";
    return std::nullopt;
  }
  SeedDatabase seed;
  for (std::size_t i = 0; i < count; ++i) seed.records.push_back(lines[2 + i]);
  for (std::size_t i = 0; i < seed.attributes.size() && 2 + count + i < lines.size(); ++i) {
    // The file keeps an entry from its second character on (the blank before the text), an
    // entry without a text as its bare token.
    const std::string& line = lines[2 + count + i];
    const bool bareToken = line == std::string(1, db::AttributeList::TokenAt(i));
    seed.attributes[i] = bareToken ? "" : TrimRight(line.starts_with(' ') ? line.substr(1) : line);
  }
  return seed;
}

// attribute;type name;DD.MM.20YY;HH:MM:SS;code;text: the record again. The file names a
// record's attribute by its text only: each text gets a token of its own ("#", "A", ...).
std::optional<SeedDatabase> FromDatFile(const std::string& text, protocol::ReaderModel model,
                                        std::string& error) {
  SeedDatabase seed;
  std::size_t tokensUsed = 0;
  const auto tokenOf = [&seed, &tokensUsed](const std::string& attribute) -> std::optional<char> {
    for (std::size_t i = 0; i < tokensUsed; ++i) {
      if (seed.attributes[i] == attribute) return db::AttributeList::TokenAt(i);
    }
    if (tokensUsed == seed.attributes.size()) return std::nullopt;
    seed.attributes[tokensUsed] = attribute;
    return db::AttributeList::TokenAt(tokensUsed++);
  };
  for (const std::string& line : Lines(text)) {
    if (line.empty()) continue;
    const auto f = Split(line, ';');
    if (f.size() != 6 || f[2].size() != 10 || f[3].size() != 8 || f[4].empty() ||
        f[4].size() > kCodeDigits) {
      error = "line " + std::to_string(seed.records.size() + 1) + " is no .dat record";
      return std::nullopt;
    }
    const char type = db::TransponderTypeChar(f[1], db::TypeNameColumn::Attribute, model);
    std::string code = f[4];
    if ((type == '1' || type == 'D') && db::IsReversedHexModel(model)) {
      code = codes::ReverseHexBits(code);
    }
    const auto token = tokenOf(TrimRight(f[0]));
    if (!token) {
      error = "the file names more attributes than a reader keeps";
      return std::nullopt;
    }
    std::string record = *token + f[2].substr(0, 2) + f[2].substr(3, 2) + f[2].substr(8, 2) +
                         f[3].substr(0, 2) + f[3].substr(3, 2) + f[3].substr(6, 2);
    record += serial::HexDigit(static_cast<unsigned>(code.size() - 1));
    record += code + std::string(kCodeDigits - code.size(), 'F');
    record += type;
    record += (f[5] + std::string(kTextLength, ' ')).substr(0, kTextLength);
    seed.records.push_back(record);
  }
  return seed;
}

}  // namespace

std::optional<SeedDatabase> LoadDatabaseFile(const std::string& path, protocol::ReaderModel model,
                                             std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string extension = Lower(std::filesystem::path(path).extension().string());
  if (extension != ".xml" && db::RecordLength(model) != kPlainRecordLength) {
    error = "a " + extension + " file holds 45-character records, which this reader does not keep";
    return std::nullopt;
  }
  std::optional<SeedDatabase> seed;
  if (extension == ".xml") {
    seed = FromSheet(std::move(text), model, error);
  } else if (extension == ".db") {
    seed = FromDbFile(text, error);
  } else if (extension == ".dat") {
    seed = FromDatFile(text, model, error);
  } else {
    error = "the database file must be a sheet (.xml), a .db or a .dat file";
  }
  if (!seed) return std::nullopt;
  for (const std::string& record : seed->records) {
    if (record.size() != db::RecordLength(model)) {
      error = "a record of " + path + " is not as long as this reader's records";
      return std::nullopt;
    }
  }
  if (seed->records.empty()) {
    error = path + " holds no records for this reader";
    return std::nullopt;
  }
  return seed;
}

std::optional<SeedDatabase> MadeUpDatabase(std::size_t count, protocol::ReaderModel model,
                                           std::string& error) {
  if (db::RecordLength(model) != kPlainRecordLength) {
    error = "--records makes 45-character records, which this reader does not keep";
    return std::nullopt;
  }
  if (count > db::kTagTableSize) {
    error = "a reader keeps at most " + std::to_string(db::kTagTableSize) + " records";
    return std::nullopt;
  }
  SeedDatabase seed;
  for (std::size_t i = 0; i < count; ++i) {
    // One record a minute from midnight on, codes counting up.
    constexpr std::size_t kMinutesADay = std::size_t{24} * 60;
    const std::size_t minutes = i % kMinutesADay;
    char clock[7];
    (void)std::snprintf(clock, sizeof clock, "%02zu%02zu00", minutes / 60, minutes % 60);
    char code[17];
    (void)std::snprintf(code, sizeof code, "%016llX", 0x9180000000000000ULL + i);
    std::string text = "Tag " + std::to_string(i + 1);
    text.resize(kTextLength, ' ');
    seed.records.push_back(std::string("#010126") + clock + "F" + code + "6" + text);
  }
  seed.attributes[0] = "Made up";
  return seed;
}

}  // namespace tagline::sim
