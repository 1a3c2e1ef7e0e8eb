// SPDX-License-Identifier: Apache-2.0
// Rows read from a sheet's text in one pass. The scan follows the parser's reading of the
// markup it accepts and gives up on everything else, so it never has to agree on the rest.
#include "database/sheet_rows.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "database/xml_text.h"
#include "platform/crt.h"

namespace tagline::database {

void SheetRowNotes::ApplyTo(SheetRowFields& fields) const {
  if (closesRecords) fields.SetClosesRecords();
  if (beyondColumns != 0) fields.NoteBeyondColumns(beyondColumns);
}

SheetColumns::SheetColumns(SheetLayout layout)
    : layout_(layout), columns_(static_cast<std::int32_t>(LayoutColumns(layout).size())) {}

SheetField SheetColumns::Place(const SheetCell& cell, SheetRowNotes& notes) {
  if (column_ < std::numeric_limits<std::int32_t>::max()) ++column_;
  if (cell.index) {
    const std::int32_t indexed = platform::Atol32(*cell.index);
    if (indexed > column_) column_ = indexed;
    if (indexed > columns_) notes.NoteBeyondColumns(indexed);
  }
  const SheetField field = FieldAtColumn(layout_, column_);
  if (field == SheetField::None) {
    if (column_ > columns_ && !cell.raw.empty()) notes.NoteBeyondColumns(column_);
    return field;
  }
  if (IsRecordField(field) && cell.style == std::string_view("s24")) notes.closesRecords = true;
  return field;
}

SheetRowFields ScannedSheet::Fields(std::size_t row, bool utf8) const {
  SheetRowFields fields;
  const ScannedRow& scanned = rows[row];
  scanned.notes.ApplyTo(fields);
  for (std::uint32_t i = 0; i < scanned.cellCount; ++i) {
    const ScannedCell& cell = cells[scanned.firstCell + i];
    if (cell.number) fields.SetNumber(cell.field);
    fields.Set(cell.field, DecodeCellText(cell.raw, utf8));
  }
  return fields;
}

namespace {

class ByteSet {
 public:
  constexpr explicit ByteSet(std::string_view bytes) {
    for (const char c : bytes) member_[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator()(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  std::array<bool, 256> member_{};
};

// The parser's delimiters.
constexpr ByteSet kSpace(" \t\r\n");
constexpr ByteSet kElementNameEnd(" />\t\r\n");
constexpr ByteSet kAttributeNameEnd(" =\t\r\n>/");

// Deeper nesting than a sheet has is left to the parser and its depth limit.
constexpr std::size_t kMaxDepth = 32;

enum class Role : std::uint8_t {
  Root,
  PlainRow,
  PrefixedRow,
  PlainCell,
  PrefixedCell,
  Data,
  Other
};

struct Frame {
  std::string_view name;
  std::string_view value;  // the first text that is not empty, as the parser keeps it
  Role role;
};

class Scanner {
 public:
  Scanner(std::string_view text, SheetLayout layout) : text_(text), columns_(layout) {}

  std::optional<ScannedSheet> Scan() {
    // Room for the rows and cells of a sheet this program writes, so the vectors do not move
    // while they fill; the pages they do not reach stay untouched.
    sheet_.rows.reserve(std::min(text_.size() / 512, limit_));
    sheet_.cells.reserve(std::min(text_.size() / 48, limit_));
    if (!SkipProlog() || !Element()) return std::nullopt;
    return std::move(sheet_);
  }

 private:
  // Text before the root and instructions, as the parser passes over them.
  bool SkipProlog() {
    for (;;) {
      pos_ = text_.find('<', pos_);
      if (pos_ == std::string_view::npos || pos_ + 1 >= text_.size()) return false;
      if (text_[pos_ + 1] == '!') return false;
      if (text_[pos_ + 1] != '?') return true;
      const std::size_t close = text_.find("?>", pos_ + 2);
      if (close == std::string_view::npos) return false;
      pos_ = close + 2;
    }
  }

  // First `c` at or after `from`, or the text's size. Markup is dense: the next bytes are
  // looked at directly before the library search is called.
  std::size_t Find(std::size_t from, char c) const {
    const std::size_t size = text_.size();
    const char* const data = text_.data();
    const std::size_t near = std::min(size, from + 32);
    for (; from + 4 <= near; from += 4) {
      if (data[from] == c) return from;
      if (data[from + 1] == c) return from + 1;
      if (data[from + 2] == c) return from + 2;
      if (data[from + 3] == c) return from + 3;
    }
    for (; from < near; ++from) {
      if (data[from] == c) return from;
    }
    if (from >= size) return size;
    const void* found = std::memchr(data + from, c, size - from);
    return found == nullptr ? size
                            : static_cast<std::size_t>(static_cast<const char*>(found) - data);
  }

  // First byte of `set` at or after `from`, or the text's size.
  std::size_t FindAny(std::size_t from, const ByteSet& set) const {
    const std::size_t size = text_.size();
    const char* const data = text_.data();
    for (; from + 4 <= size; from += 4) {
      if (set(data[from])) return from;
      if (set(data[from + 1])) return from + 1;
      if (set(data[from + 2])) return from + 2;
      if (set(data[from + 3])) return from + 3;
    }
    while (from < size && !set(data[from])) ++from;
    return from;
  }

  static bool Same(const char* data, std::string_view expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (data[i] != expected[i]) return false;
    }
    return true;
  }

  // The root element and everything in it; `pos_` is at its "<".
  bool Element() {
    bool selfClosed = false;
    if (!StartTag(selfClosed)) return false;
    if (selfClosed) return Closed();
    while (!stack_.empty()) {
      // The text up to the next tag.
      const std::size_t less = Find(pos_, '<');
      Frame& current = stack_.back();
      if (current.value.empty()) current.value = text_.substr(pos_, less - pos_);
      pos_ = less;
      if (pos_ + 1 >= text_.size()) return false;
      const char second = text_[pos_ + 1];
      if (second == '/') {
        const std::string_view name = current.name;
        const std::size_t after = pos_ + 2 + name.size();
        if (after >= text_.size() || text_[after] != '>' || !Same(text_.data() + pos_ + 2, name)) {
          return false;
        }
        pos_ = after + 1;
        if (!Closed()) return false;
        continue;
      }
      if (second == '?' || second == '!') return false;
      if (stack_.size() >= kMaxDepth) return false;
      if (!StartTag(selfClosed)) return false;
      if (selfClosed && !Closed()) return false;
    }
    return true;
  }

  // Reads the start tag at `pos_` and opens its frame.
  bool StartTag(bool& selfClosed) {
    std::size_t at = FindAny(pos_ + 1, kElementNameEnd);
    const std::string_view name = text_.substr(pos_ + 1, at - pos_ - 1);
    if (name.empty()) return false;
    const Role role = RoleOf(name);
    if (role == Role::PlainCell || role == Role::PrefixedCell) {
      cell_ = SheetCell();
      dataSeen_ = false;
      mixed_ = false;
    }
    for (;;) {
      while (at < text_.size() && kSpace(text_[at])) ++at;
      if (at >= text_.size()) return false;
      const char c = text_[at];
      if (c == '>') {
        selfClosed = false;
        ++at;
        break;
      }
      if (c == '/') {
        if (at + 1 >= text_.size() || text_[at + 1] != '>') return false;
        selfClosed = true;
        at += 2;
        break;
      }
      const std::size_t nameStart = at;
      at = FindAny(at, kAttributeNameEnd);
      if (at == nameStart || at + 1 >= text_.size() || text_[at] != '=') return false;
      const char quote = text_[at + 1];
      if (quote != '"' && quote != '\'') return false;
      const std::size_t valueStart = at + 2;
      const std::size_t valueEnd = Find(std::min(valueStart, text_.size()), quote);
      if (valueEnd >= text_.size()) return false;
      Attribute(role, text_.substr(nameStart, at - nameStart),
                text_.substr(valueStart, valueEnd - valueStart));
      at = valueEnd + 1;
    }
    pos_ = at;
    stack_.push_back({name, {}, role});
    return true;
  }

  Role RoleOf(std::string_view name) {
    if (stack_.empty()) return Role::Root;
    switch (stack_.back().role) {
      case Role::Root:
        if (name == "Row") return Role::PlainRow;
        if (name == "ss:Row") return Role::PrefixedRow;
        break;
      case Role::PlainRow:
      case Role::PrefixedRow:
        if (name == "Cell") return Role::PlainCell;
        if (name == "ss:Cell") return Role::PrefixedCell;
        break;
      case Role::PlainCell:
      case Role::PrefixedCell:
        // The first "Data" child is read, or else the first "ss:Data"; a cell with both kinds
        // is left to the tree.
        if (name == "Data" || name == "ss:Data") {
          if (!dataSeen_) {
            dataSeen_ = true;
            dataName_ = name;
            cell_.hasData = true;
            return Role::Data;
          }
          if (name != dataName_) mixed_ = true;
        }
        break;
      default:
        break;
    }
    return Role::Other;
  }

  void Attribute(Role role, std::string_view name, std::string_view value) {
    switch (role) {
      case Role::PlainCell:
      case Role::PrefixedCell:
        if (!cell_.index && name == "ss:Index") cell_.index = value;
        if (!cell_.style && name == "ss:StyleID") cell_.style = value;
        break;
      case Role::Data:
        if (!cell_.type && name == "ss:Type") cell_.type = value;
        break;
      default:
        break;
    }
  }

  // The innermost element ended.
  bool Closed() {
    const Frame frame = stack_.back();
    stack_.pop_back();
    switch (frame.role) {
      case Role::Data:
        cell_.raw = frame.value;
        break;
      case Role::PlainCell:
      case Role::PrefixedCell: {
        if (mixed_) return false;
        const Role kind = frame.role == Role::PlainCell ? Role::PlainCell : Role::PrefixedCell;
        if (cellKind_ == Role::Other) cellKind_ = kind;
        if (cellKind_ != kind) return false;
        const SheetField field = columns_.Place(cell_, notes_);
        if (field != SheetField::None) {
          if (sheet_.cells.size() >= limit_) return false;
          sheet_.cells.push_back(
              {cell_.raw, field, cell_.hasData && cell_.type == std::string_view("Number")});
        }
        break;
      }
      case Role::PlainRow:
      case Role::PrefixedRow: {
        if (rowKind_ == Role::Other) rowKind_ = frame.role;
        if (rowKind_ != frame.role) return false;
        // Held rows and cells cost more than their text when they are nearly empty: a text of
        // little else is left to the tree.
        if (sheet_.rows.size() >= limit_) return false;
        const auto cellCount = static_cast<std::uint32_t>(sheet_.cells.size() - firstCell_);
        sheet_.rows.push_back({static_cast<std::uint32_t>(firstCell_), cellCount, notes_});
        firstCell_ = sheet_.cells.size();
        notes_ = SheetRowNotes();
        columns_.Restart();
        cellKind_ = Role::Other;
        break;
      }
      default:
        break;
    }
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  SheetColumns columns_;
  std::vector<Frame> stack_;
  ScannedSheet sheet_;
  // Rows and cells held: one for every 16 bytes of text at most.
  const std::size_t limit_ = text_.size() / 16 + 64;
  std::size_t firstCell_ = 0;
  SheetRowNotes notes_;
  SheetCell cell_;
  bool dataSeen_ = false;
  bool mixed_ = false;
  std::string_view dataName_;
  Role rowKind_ = Role::Other;
  Role cellKind_ = Role::Other;
};

}  // namespace

std::optional<ScannedSheet> ScanSheetRows(std::string_view text, SheetLayout layout) {
  return Scanner(text, layout).Scan();
}

}  // namespace tagline::database
