// SPDX-License-Identifier: Apache-2.0
// The reader's tag database in memory: the records of one transfer and the 27 attribute
// texts, both as fixed-position single-byte texts exactly as the reader delivers them.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/attribute_tokens.h"

namespace tagline::database {

// One database record. Its layout depends on the reader model (see layouts.h); the full
// record has 45 characters:
//   0 attribute token, 1-6 date (ddmmyy), 7-12 time (hhmmss), 13 code length digit n,
//   14..14+n code hex digits, 30 transponder type character, 31-44 free text.
using TagRecord = std::string;

inline constexpr std::size_t kTagTableSize = 5000;

// The records of one transfer: a fixed number of entries, each "" (or the fill text) until
// a record is stored. Storing past the last entry is refused, never performed.
class TagTable {
 public:
  TagTable();

  static constexpr std::size_t Capacity() { return kTagTableSize; }

  // Every entry becomes `text` and the next Append goes to entry 0.
  void Fill(std::string_view text);

  // Stores `record` as the entry after the last appended one. False, with nothing stored,
  // when the table is full.
  bool Append(TagRecord record);

  // Stores `record` at `index`. False, with nothing stored, when `index` is past the end.
  bool Set(std::size_t index, TagRecord record);

  // The entry at `index`; "" past the end, so layouts can look one entry beyond the table.
  const TagRecord& At(std::size_t index) const;

  // Records appended since construction or the last Fill.
  std::size_t Appended() const { return appended_; }

  // The number of leading entries that are not "".
  std::size_t LeadingCount() const;

 private:
  std::vector<TagRecord> entries_;
  std::size_t appended_ = 0;
};

inline constexpr std::size_t kAttributeCount = protocol::kAttributeCount;
// Characters 1..14 of an entry are its deposited text.
inline constexpr std::size_t kDepositedTextLength = 14;

// The 27 attribute texts, entry 0 with token "#" and entries 1..26 with "A".."Z". An entry
// is its token followed by the attribute's deposited text.
class AttributeList {
 public:
  AttributeList() = default;

  // '#' for 0, 'A'..'Z' for 1..26; '#' for any index past the end.
  static char TokenAt(std::size_t index);

  // The entry a token names: '#' entry 0, 'A'..'Z' entries 1..26, anything else nothing.
  static std::optional<std::size_t> IndexOfToken(char token);

  // The entry a record's token refers to: as IndexOfToken, with any other character naming
  // entry 0.
  static std::size_t LookupIndex(char token);

  void Fill(std::string_view text);

  // False, with nothing stored, when `index` is past the end.
  bool Set(std::size_t index, std::string entry);

  // "" past the end.
  const std::string& Entry(std::size_t index) const;

  // Characters 1..14 of the entry if it is longer than 2 characters, else "".
  std::string DepositedText(std::size_t index) const;

 private:
  std::array<std::string, kAttributeCount> entries_{};
};

// Field access to a full record. Positions past the end of a short record read as nothing,
// so every helper is safe on any text.

inline constexpr std::size_t kFullRecordLength = 45;
inline constexpr std::size_t kRecordCodeLengthPosition = 13;
inline constexpr std::size_t kRecordCodePosition = 14;
inline constexpr std::size_t kRecordTypePosition = 30;
inline constexpr std::size_t kRecordTextLength = 14;

// The character at `position`, or '\0' past the end.
char RecordCharAt(std::string_view record, std::size_t position);

// Up to `count` characters from `position`; fewer (or "") where the record ends.
std::string_view RecordPart(std::string_view record, std::size_t position, std::size_t count);

// The code length digit's value: '0'..'9' and 'A'..'F'; any other character counts as 0.
unsigned int CodeLengthDigitValue(char digit);

// Positions 14 .. 14 + n, n from the code length digit at position 13.
std::string_view RecordCode(std::string_view record);

// Positions 1-6 as "dd.mm.yy".
std::string RecordDate(std::string_view record);

// Positions 7-12 as "hh:mm:ss".
std::string RecordTime(std::string_view record);

// The last 14 characters (the whole record if it is shorter).
std::string_view RecordText(std::string_view record);

}  // namespace tagline::database
