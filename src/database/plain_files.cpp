// SPDX-License-Identifier: Apache-2.0
#include "database/plain_files.h"

#include "codes/code_text.h"
#include "database/layouts.h"

namespace tagline::database {

namespace {

// Characters 1..14 of an entry longer than 2 characters, else the whole entry.
std::string EntryText(const std::string& entry) {
  return entry.size() > 2 ? entry.substr(1, 14) : entry;
}

std::string Part(const std::string& record, std::size_t position, std::size_t count) {
  return std::string(RecordPart(record, position, count));
}

}  // namespace

std::string DbFileText(const TagTable& table, const AttributeList& attributes) {
  const std::size_t count = table.LeadingCount();
  std::string text = "Datafile used by Tagline Console program\r\n";
  text += std::to_string(count) + "\r\n";
  for (std::size_t i = 0; i < count; ++i) text += table.At(i).substr(0, 45) + "\r\n";
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    text += EntryText(attributes.Entry(i)) + "\r\n";
  }
  return text;
}

std::string DatFileText(const TagTable& table, const AttributeList& attributes,
                        protocol::ReaderModel model) {
  std::string text;
  for (std::size_t i = 0; i < table.LeadingCount(); ++i) {
    const std::string& record = table.At(i);
    const char token = RecordCharAt(record, 0);
    const char type = RecordCharAt(record, kRecordTypePosition);
    std::string code(RecordCode(record));
    if ((type == '1' || type == 'D') && IsReversedHexModel(model)) {
      code = codes::ReverseHexBits(code);
    }
    text += EntryText(attributes.Entry(AttributeList::LookupIndex(token))) + ";";
    text += std::string(TransponderTypeName(type, TypeNameColumn::Attribute, model)) + ";";
    text += Part(record, 1, 2) + "." + Part(record, 3, 2) + ".20" + Part(record, 5, 2) + ";";
    text += Part(record, 7, 2) + ":" + Part(record, 9, 2) + ":" + Part(record, 11, 2) + ";";
    text += code + ";";
    text += record.size() > 14 ? record.substr(record.size() - 14) : record;
    text += "\r\n";
  }
  return text;
}

}  // namespace tagline::database
