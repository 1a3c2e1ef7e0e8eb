// SPDX-License-Identifier: Apache-2.0
// The tag table, the attribute list and field access to records.
#include "database/tag_table.h"

#include <utility>

namespace tagline::database {

namespace {

const std::string kNoEntry;

}  // namespace

TagTable::TagTable() : entries_(kTagTableSize) {}

void TagTable::Fill(std::string_view text) {
  for (TagRecord& entry : entries_) entry.assign(text);
  appended_ = 0;
}

bool TagTable::Append(TagRecord record) {
  if (appended_ >= entries_.size()) return false;
  entries_[appended_++] = std::move(record);
  return true;
}

bool TagTable::Set(std::size_t index, TagRecord record) {
  if (index >= entries_.size()) return false;
  entries_[index] = std::move(record);
  return true;
}

const TagRecord& TagTable::At(std::size_t index) const {
  return index < entries_.size() ? entries_[index] : kNoEntry;
}

std::size_t TagTable::LeadingCount() const {
  std::size_t count = 0;
  while (count < entries_.size() && !entries_[count].empty()) ++count;
  return count;
}

char AttributeList::TokenAt(std::size_t index) {
  return protocol::AttributeToken(index);
}

std::optional<std::size_t> AttributeList::IndexOfToken(char token) {
  if (token == '#') return 0;
  if (token >= 'A' && token <= 'Z') return static_cast<std::size_t>(token - 'A') + 1;
  return std::nullopt;
}

std::size_t AttributeList::LookupIndex(char token) {
  return IndexOfToken(token).value_or(0);
}

void AttributeList::Fill(std::string_view text) {
  for (std::string& entry : entries_) entry.assign(text);
}

bool AttributeList::Set(std::size_t index, std::string entry) {
  if (index >= entries_.size()) return false;
  entries_[index] = std::move(entry);
  return true;
}

const std::string& AttributeList::Entry(std::size_t index) const {
  if (index >= entries_.size()) return kNoEntry;
  return entries_[index];
}

std::string AttributeList::DepositedText(std::size_t index) const {
  const std::string& entry = Entry(index);
  if (entry.size() <= 2) return {};
  return entry.substr(1, kDepositedTextLength);
}

char RecordCharAt(std::string_view record, std::size_t position) {
  return position < record.size() ? record[position] : '\0';
}

std::string_view RecordPart(std::string_view record, std::size_t position, std::size_t count) {
  if (position >= record.size()) return {};
  return record.substr(position, count);
}

unsigned int CodeLengthDigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return static_cast<unsigned int>(digit - '0');
  if (digit >= 'A' && digit <= 'F') return static_cast<unsigned int>(digit - 'A') + 10;
  return 0;
}

std::string_view RecordCode(std::string_view record) {
  const unsigned int n = CodeLengthDigitValue(RecordCharAt(record, kRecordCodeLengthPosition));
  return RecordPart(record, kRecordCodePosition, n + 1);
}

std::string RecordDate(std::string_view record) {
  std::string date(RecordPart(record, 1, 2));
  date += '.';
  date += RecordPart(record, 3, 2);
  date += '.';
  date += RecordPart(record, 5, 2);
  return date;
}

std::string RecordTime(std::string_view record) {
  std::string time(RecordPart(record, 7, 2));
  time += ':';
  time += RecordPart(record, 9, 2);
  time += ':';
  time += RecordPart(record, 11, 2);
  return time;
}

std::string_view RecordText(std::string_view record) {
  return record.size() <= kRecordTextLength ? record
                                            : record.substr(record.size() - kRecordTextLength);
}

}  // namespace tagline::database
