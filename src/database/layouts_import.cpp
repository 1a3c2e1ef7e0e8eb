// SPDX-License-Identifier: Apache-2.0
// Sheet rows back into records and attribute entries.
#include "database/layouts_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>

#include "codes/code_text.h"
#include "codes/iso_code.h"
#include "database/layouts_write.h"
#include "database/sheet_checks.h"
#include "database/sheet_rows.h"
#include "database/xml_text.h"
#include "platform/crt.h"

namespace tagline::database {

namespace {

using codes::BitOrder;
using protocol::ReaderModel;

constexpr std::size_t kCodeDigits = 16;
constexpr std::size_t kTextCodeDigits = 28;
constexpr std::size_t kTextCodeField = 32;
constexpr std::size_t kDateTimeLength = 23;  // 2024-03-05T14:30:05.000
constexpr std::size_t kFirstRecordRow = 2;

std::size_t FieldIndex(SheetField field) {
  return static_cast<std::size_t>(field);
}

bool IsFdx(char type) {
  return type == '1' || type == 'D';
}
bool IsHdx(char type) {
  return type == '6' || type == 'E';
}

bool IsSpreadsheetDateTime(std::string_view text) {
  return text.size() == kDateTimeLength && text.find('T') != std::string_view::npos;
}

std::string WithoutCharacter(std::string_view text, char removed) {
  std::string out(text);
  std::erase(out, removed);
  return out;
}

// Cut to `length` and filled up behind with `fill`.
std::string FixedWidth(std::string_view text, std::size_t length, char fill) {
  std::string out(text.substr(0, length));
  out.resize(length, fill);
  return out;
}

// The code length digit and the 16 "F"-filled code digits.
using CodeField = std::array<char, kCodeDigits + 1>;
CodeField CodeFieldOf(std::string_view code) {
  const std::string_view cut = code.substr(0, kCodeDigits);
  CodeField field;
  field.fill('F');
  field[0] = cut.empty() ? '0' : codes::UpperHexDigit(static_cast<unsigned int>(cut.size() - 1));
  std::copy(cut.begin(), cut.end(), field.begin() + 1);
  return field;
}

void AppendCodeField(std::string& out, std::string_view code) {
  const CodeField field = CodeFieldOf(code);
  out.append(field.data(), field.size());
}

// A record holding nothing but a code and its type: all that the code cells derive from.
// Held in place, as every row makes one or two.
class CodeOnlyRecord {
 public:
  CodeOnlyRecord(std::string_view code, char type) {
    bytes_.fill('0');
    bytes_.front() = '#';
    const CodeField field = CodeFieldOf(code);
    std::copy(field.begin(), field.end(), bytes_.begin() + kRecordCodeLengthPosition);
    bytes_.back() = type;
  }
  std::string_view View() const { return {bytes_.data(), bytes_.size()}; }

 private:
  std::array<char, kRecordTypePosition + 1> bytes_;
};
static_assert(kRecordCodePosition + kCodeDigits == kRecordTypePosition);

// An encoder result only stands for a text that was given: the encoders produce 16 digits
// even for "".
template <typename Encode>
std::string EncodeIfGiven(std::string_view text, Encode encode) {
  return text.empty() ? std::string() : encode(text);
}

std::string FirstNonEmpty(std::initializer_list<std::string> candidates) {
  for (const std::string& candidate : candidates) {
    if (!candidate.empty()) return candidate;
  }
  return {};
}

// The decoded ISO and BDE cells back to a code: BDE, then Industry ISO, then Animal ISO.
std::string EncodedCode(const SheetRowFields& fields, std::optional<BitOrder> bdeOrder,
                        std::optional<BitOrder> isoOrder) {
  const std::string& retag = fields.Get(SheetField::RetagCounter);
  const std::string& user = fields.Get(SheetField::UserInformation);
  std::string bde;
  if (bdeOrder) {
    bde = EncodeIfGiven(fields.Get(SheetField::Bde), [&](std::string_view text) {
      return codes::EncodeManufacturerSerial(text, *bdeOrder);
    });
  }
  std::string industry;
  std::string animal;
  if (isoOrder) {
    industry = EncodeIfGiven(fields.Get(SheetField::IndustryIso), [&](std::string_view text) {
      return codes::EncodeIsoIndustry(text, retag, user, *isoOrder);
    });
    animal = EncodeIfGiven(fields.Get(SheetField::AnimalIso), [&](std::string_view text) {
      return codes::EncodeIsoAnimal(text, retag, user, *isoOrder);
    });
  }
  return FirstNonEmpty({std::move(bde), std::move(industry), std::move(animal)});
}

// The code of a row that shows it both as HEX and decoded. The HEX cell gives it (with the
// bit reversal the sheet shows undone) unless the user changed a decoded cell, which then
// differs from what the HEX decodes to: the changed cells are encoded instead.
template <typename DeriveCells>
std::string CodeFromHexAndCells(const SheetRowFields& fields, char type, ReaderModel model,
                                std::optional<BitOrder> bdeOrder, std::optional<BitOrder> isoOrder,
                                const DeriveCells& derive, std::string_view fallbackHex) {
  const std::string& hexText = fields.Get(SheetField::Hex);
  if (hexText.empty()) return EncodedCode(fields, bdeOrder, isoOrder);
  // Which way the HEX cell shows the code takes only the HEX cell of each reading; the
  // decoded cells are derived once, for the reading chosen. A HEX cell that shows the code
  // neither way was written by the user: taken as it stands.
  std::string reversed;
  std::string_view chosen = fallbackHex;
  if (HexCell(CodeOnlyRecord(hexText, type).View(), model) == hexText) {
    chosen = hexText;
  } else {
    reversed = codes::ReverseHexBits(hexText);
    if (HexCell(CodeOnlyRecord(reversed, type).View(), model) == hexText) chosen = reversed;
  }
  std::string code(chosen);
  const auto changed = [&fields](SheetField field, const std::string& shownText) {
    const std::string& text = fields.Get(field);
    return !text.empty() && text != shownText;
  };
  const bool anyDecoded =
      !fields.Get(SheetField::AnimalIso).empty() || !fields.Get(SheetField::IndustryIso).empty() ||
      !fields.Get(SheetField::RetagCounter).empty() ||
      !fields.Get(SheetField::UserInformation).empty() || !fields.Get(SheetField::Bde).empty();
  // With every decoded cell empty, none can have been changed.
  if (!anyDecoded) return code;
  const CodeCells shown = derive(CodeOnlyRecord(code, type).View());
  const bool isoChanged = changed(SheetField::AnimalIso, shown.animalIso) ||
                          changed(SheetField::IndustryIso, shown.industryIso) ||
                          changed(SheetField::RetagCounter, shown.retagCounter) ||
                          changed(SheetField::UserInformation, shown.userInformation);
  const bool bdeChanged = changed(SheetField::Bde, shown.bde);
  if (!isoChanged && !bdeChanged) return code;
  SheetRowFields edited = fields;
  if (!bdeChanged) edited.Set(SheetField::Bde, "");
  if (!isoChanged) {
    edited.Set(SheetField::AnimalIso, "");
    edited.Set(SheetField::IndustryIso, "");
  }
  const std::string encoded = EncodedCode(edited, bdeOrder, isoOrder);
  return encoded.empty() ? code : encoded;
}

// How rare a byte is in a sheet, for picking the byte of a tag to search for: letters by
// their frequency in English text, everything else (markup, digits, space) as common.
std::size_t Rarity(char c) {
  constexpr std::string_view kLettersByFrequency = "etaoinshrdlcumwfgypbvkjxqz";
  const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  const std::size_t rank = kLettersByFrequency.find(lower);
  return rank == std::string_view::npos ? 0 : rank + 1;
}

// text.find(needle, from), but with the library's byte search run on the needle's rarest
// byte: searching on the "<" that every tag starts with stops at every tag of a large sheet.
std::size_t FindTag(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty() || from > text.size() || text.size() - from < needle.size()) {
    return text.find(needle, from);
  }
  std::size_t key = 0;
  for (std::size_t i = 1; i < needle.size(); ++i) {
    if (Rarity(needle[i]) > Rarity(needle[key])) key = i;
  }
  const std::size_t last = text.size() - needle.size();  // last possible start
  for (std::size_t at = from + key; at <= last + key;) {
    at = text.find(needle[key], at);
    if (at == std::string_view::npos || at > last + key) break;
    if (text.compare(at - key, needle.size(), needle) == 0) return at - key;
    ++at;
  }
  return std::string_view::npos;
}

bool HasSingleCharacter(const std::string& text) {
  return text.size() == 1;
}

// Reading access to the two kinds of parsed tree, so that one import serves both.
class NodeTreeAccess {
 public:
  using Node = const XmlNode*;
  static constexpr Node kNoNode = nullptr;

  template <typename Visit>
  void ForEachChild(Node node, Visit visit) const {
    for (std::size_t i = 0; i < node->ChildCount(); ++i) visit(&node->Child(i));
  }
  // Stops at the first child for which `visit` returns true.
  template <typename Visit>
  void ForEachChildUntil(Node node, Visit visit) const {
    for (std::size_t i = 0; i < node->ChildCount(); ++i) {
      if (visit(&node->Child(i))) return;
    }
  }
  template <typename Visit>
  void ForEachAttribute(Node node, Visit visit) const {
    for (const XmlAttribute& attribute : node->attributes) visit(attribute.name, attribute.value);
  }
  std::string_view Name(Node node) const { return node->name; }
  std::string_view Value(Node node) const { return node->value; }
};

class FlatTreeAccess {
 public:
  using Node = XmlFlatTree::Id;
  static constexpr Node kNoNode = XmlFlatTree::kNone;

  explicit FlatTreeAccess(const XmlFlatTree& tree) : tree_(tree) {}

  template <typename Visit>
  void ForEachChild(Node node, Visit visit) const {
    for (Node child = tree_.FirstChild(node); child != kNoNode; child = tree_.NextSibling(child)) {
      visit(child);
    }
  }
  // Stops at the first child for which `visit` returns true.
  template <typename Visit>
  void ForEachChildUntil(Node node, Visit visit) const {
    for (Node child = tree_.FirstChild(node); child != kNoNode; child = tree_.NextSibling(child)) {
      if (visit(child)) return;
    }
  }
  template <typename Visit>
  void ForEachAttribute(Node node, Visit visit) const {
    tree_.ForEachAttribute(node, visit);
  }
  std::string_view Name(Node node) const { return tree_.Name(node); }
  std::string_view Value(Node node) const { return tree_.Value(node); }

 private:
  const XmlFlatTree& tree_;
};

// The value of the first attribute named `name`, looked up by one pass over the node's
// attributes together with the other names a cell is read for.
struct FirstValue {
  std::string_view name;
  std::optional<std::string_view> value;

  void Offer(std::string_view attributeName, std::string_view attributeValue) {
    if (!value && attributeName == name) value = attributeValue;
  }
};

template <typename Access>
SheetRowFields ReadFields(const Access& access, typename Access::Node row, SheetLayout layout,
                          bool utf8) {
  using Node = typename Access::Node;
  SheetRowFields fields;
  SheetColumns columns(layout);
  SheetRowNotes notes;
  const auto readCell = [&](Node cell) {
    SheetCell read;
    FirstValue index{"ss:Index", std::nullopt};
    FirstValue style{"ss:StyleID", std::nullopt};
    access.ForEachAttribute(cell, [&](std::string_view name, std::string_view value) {
      index.Offer(name, value);
      style.Offer(name, value);
    });
    read.index = index.value;
    read.style = style.value;
    // The first "Data" child, or else the first "ss:Data" one.
    Node data = Access::kNoNode;
    Node prefixedData = Access::kNoNode;
    access.ForEachChildUntil(cell, [&](Node child) {
      const std::string_view name = access.Name(child);
      if (name == "Data") {
        data = child;
        return true;
      }
      if (prefixedData == Access::kNoNode && name == "ss:Data") prefixedData = child;
      return false;
    });
    if (data == Access::kNoNode) data = prefixedData;
    if (data != Access::kNoNode) {
      read.hasData = true;
      read.raw = access.Value(data);
      FirstValue type{"ss:Type", std::nullopt};
      access.ForEachAttribute(data, [&type](std::string_view name, std::string_view value) {
        type.Offer(name, value);
      });
      read.type = type.value;
    }
    const SheetField field = columns.Place(read, notes);
    if (field == SheetField::None) return;
    if (read.hasData && read.type == std::string_view("Number")) fields.SetNumber(field);
    fields.Set(field, DecodeCellText(read.raw, utf8));
  };
  // Some programs write the spreadsheet namespace's prefix on every element; a row is read
  // by its "ss:Cell" children only when it has no "Cell" child.
  bool plainCells = false;
  access.ForEachChild(row, [&](Node child) {
    if (access.Name(child) == "Cell") {
      plainCells = true;
      readCell(child);
    }
  });
  if (!plainCells) {
    access.ForEachChild(row, [&](Node child) {
      if (access.Name(child) == "ss:Cell") readCell(child);
    });
  }
  notes.ApplyTo(fields);
  return fields;
}

template <typename FieldsOfRow>
SheetImportResult ImportRows(std::size_t rowCount, const FieldsOfRow& fieldsOf, SheetLayout layout,
                             ReaderModel model, TagTable& table, AttributeList& attributes,
                             const ImportProgress& progress, std::size_t rowNumberBase = 1) {
  SheetImportResult result;
  if (layout == SheetLayout::SensorSheet) return result;
  const bool hasAttributes =
      layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet;
  const std::size_t length = RecordLength(model);
  bool closed = false;
  bool gapless = true;
  std::vector<std::size_t> rowsWithoutRecord;  // since the last record
  for (std::size_t r = kFirstRecordRow; r < rowCount; ++r) {
    SheetRowFields fields = fieldsOf(r);
    NormaliseHexCell(fields);
    if (hasAttributes) {
      if (auto update = BuildAttributeEntry(fields)) {
        attributes.Set(update->index, std::move(update->entry));
        ++result.attributesSet;
      }
    }
    if (closed) continue;
    if (fields.closesRecords()) {
      closed = true;
      continue;
    }
    std::optional<TagRecord> record = BuildRecord(layout, fields, model);
    if (!record) {
      rowsWithoutRecord.push_back(r + rowNumberBase);
      continue;
    }
    const char type = RecordCharAt(*record, kRecordTypePosition);
    if (RestoreNumberHexCell(fields, type)) record = BuildRecord(layout, fields, model);
    for (std::string& problem : RecordRowProblems(fields, layout, r + rowNumberBase, type)) {
      result.problems.push_back(std::move(problem));
    }
    // Rows without a record between records would end the write there.
    result.incompleteRows.insert(result.incompleteRows.end(), rowsWithoutRecord.begin(),
                                 rowsWithoutRecord.end());
    gapless = gapless && rowsWithoutRecord.empty();
    rowsWithoutRecord.clear();
    const bool complete = record->size() >= length;
    if (!complete) {
      result.incompleteRows.push_back(r + rowNumberBase);
      gapless = false;
    }
    if (!table.Set(r - kFirstRecordRow, std::move(*record))) {
      result.tableFull = true;
      break;
    }
    ++result.recordsStored;
    if (complete && gapless) ++result.completeRecords;
    if (progress) progress(r - 1);
  }
  return result;
}

}  // namespace

const std::string& SheetRowFields::Get(SheetField field) const {
  static const std::string kNoText;
  if (FieldIndex(field) >= texts_.size()) return kNoText;
  return texts_[FieldIndex(field)];
}

bool SheetRowFields::IsNumber(SheetField field) const {
  return FieldIndex(field) < numbers_.size() && numbers_[FieldIndex(field)];
}

void SheetRowFields::SetNumber(SheetField field) {
  if (FieldIndex(field) < numbers_.size()) numbers_[FieldIndex(field)] = true;
}

void SheetRowFields::Set(SheetField field, std::string text) {
  if (FieldIndex(field) < texts_.size()) texts_[FieldIndex(field)] = std::move(text);
}

namespace {

// The part of a text that is left as wrapper tags are taken out of it: text[begin, end).
struct SheetBody {
  std::size_t begin;
  std::size_t end;

  std::string_view View(const std::string& text) const {
    return std::string_view(text).substr(begin, end - begin);
  }

  // Takes [from, to) of the view out by moving the shorter side over it. The wrapper tags lie
  // near a sheet's start and end, so its head or tail moves, not the rows.
  void CutOut(std::string& text, std::size_t from, std::size_t to) {
    const auto at = [&text, this](std::size_t offset) {
      return text.begin() + static_cast<std::ptrdiff_t>(begin + offset);
    };
    if (from <= end - begin - to) {
      std::copy_backward(at(0), at(from), at(to));
      begin += to - from;
    } else {
      std::copy(at(to), at(end - begin), at(from));
      end -= to - from;
    }
  }

  // The first start tag beginning with `open` (through its ">") out, and then the first
  // `close` after it (through its ">"); stops without further change where a part is missing.
  void CutWrapper(std::string& text, std::string_view open, std::string_view close) {
    const std::string_view view = View(text);
    const std::size_t start = FindTag(view, open, 0);
    if (start == std::string_view::npos) return;
    const std::size_t startEnd = view.find('>', start);
    if (startEnd == std::string_view::npos) return;
    // The end tag is looked for in the text as it is once the start tag is out, which is the
    // text after the start tag. The later cut goes first, so the earlier one's place holds.
    const std::size_t closing = FindTag(view, close, startEnd + 1);
    const std::size_t closingEnd =
        closing == std::string_view::npos ? closing : view.find('>', closing);
    if (closingEnd != std::string_view::npos) CutOut(text, closing, closingEnd + 1);
    CutOut(text, start, startEnd + 1);
  }

  // `text` made to hold just the view.
  void Keep(std::string& text) const {
    text.erase(end);
    text.erase(0, begin);
  }
};

SheetBody CutSheetWrappers(std::string& text) {
  SheetBody body{0, text.size()};
  body.CutWrapper(text, "<Worksheet ", "</Worksheet>");
  body.CutWrapper(text, "<Table ", "</Table>");
  body.CutWrapper(text, "<ss:Worksheet ", "</ss:Worksheet>");
  body.CutWrapper(text, "<ss:Table ", "</ss:Table>");
  return body;
}

}  // namespace

void RemoveSheetWrapper(std::string& text, std::string_view open, std::string_view close) {
  SheetBody body{0, text.size()};
  body.CutWrapper(text, open, close);
  body.Keep(text);
}

void RemoveSheetWrappers(std::string& text) {
  CutSheetWrappers(text).Keep(text);
}

std::string_view SheetWithoutWrappers(std::string& text) {
  return CutSheetWrappers(text).View(text);
}

XmlOptions SheetParseOptions() {
  XmlOptions options = XmlParseOptions();
  options.entities = false;
  options.escape.reset();
  return options;
}

SheetRowFields ReadRowFields(const XmlNode& row, SheetLayout layout, bool utf8) {
  return ReadFields(NodeTreeAccess(), &row, layout, utf8);
}

SheetRowFields ReadRowFields(const XmlFlatTree& tree, XmlFlatTree::Id row, SheetLayout layout,
                             bool utf8) {
  return ReadFields(FlatTreeAccess(tree), row, layout, utf8);
}

std::string DateCellDigits(std::string_view text) {
  if (IsSpreadsheetDateTime(text)) {
    std::string digits(text.substr(8, 2));
    digits += text.substr(5, 2);
    digits += text.substr(2, 2);
    return digits;
  }
  return WithoutCharacter(text, '.').substr(0, 6);
}

std::string TimeCellDigits(std::string_view text) {
  if (IsSpreadsheetDateTime(text)) {
    std::string digits(text.substr(11, 2));
    digits += text.substr(14, 2);
    digits += text.substr(17, 2);
    return digits;
  }
  return WithoutCharacter(text, ':').substr(0, 6);
}

std::optional<AttributeEntryUpdate> BuildAttributeEntry(const SheetRowFields& fields) {
  const std::string& token = fields.Get(SheetField::AttributeToken);
  if (!HasSingleCharacter(token)) return std::nullopt;
  const auto index = AttributeList::IndexOfToken(token.front());
  if (!index) return std::nullopt;
  return AttributeEntryUpdate{*index, token + " " + fields.Get(SheetField::AttributeText)};
}

std::optional<TagRecord> BuildAttributeRecord(const SheetRowFields& fields, ReaderModel model) {
  const std::string& token = fields.Get(SheetField::RecordToken);
  if (!HasSingleCharacter(token)) return std::nullopt;
  const char type = TransponderTypeChar(fields.Get(SheetField::TransponderType),
                                        TypeNameColumn::Attribute, model);
  const BitOrder fdxOrder = FdxOrder(model);

  // The sheet shows FDX codes bit-reversed on reversed-HEX models; a HEX cell the user
  // wrote in neither form is taken that way too.
  const std::string& hexText = fields.Get(SheetField::Hex);
  const bool reversedHex = IsFdx(type) && IsReversedHexModel(model);
  const std::string reversedHexText = reversedHex ? codes::ReverseHexBits(hexText) : std::string();
  const std::string_view fallbackHex = reversedHex ? std::string_view(reversedHexText) : hexText;

  std::optional<BitOrder> bdeOrder;
  if (IsFdx(type)) bdeOrder = fdxOrder;
  if (IsHdx(type)) bdeOrder = BitOrder::NumericOrder;
  std::optional<BitOrder> isoOrder;
  if (type == '1') isoOrder = fdxOrder;
  if (type == '6') isoOrder = BitOrder::NumericOrder;
  const std::string code = CodeFromHexAndCells(
      fields, type, model, bdeOrder, isoOrder,
      [model](std::string_view record) { return AttributeSheetCodeCells(record, model); },
      fallbackHex);

  TagRecord record;
  record.reserve(kRecordTypePosition + 1 + kRecordTextLength);
  record = token;
  record += DateCellDigits(fields.Get(SheetField::Date));
  record += TimeCellDigits(fields.Get(SheetField::Time));
  AppendCodeField(record, code);
  record += type;
  record += FixedWidth(fields.Get(SheetField::Text), kRecordTextLength, ' ');
  return record;
}

std::optional<TagRecord> BuildTextCodeRecord(const SheetRowFields& fields) {
  const std::string& token = fields.Get(SheetField::RecordToken);
  if (!HasSingleCharacter(token)) return std::nullopt;
  TagRecord record = token;
  record += DateCellDigits(fields.Get(SheetField::Date));
  record += TimeCellDigits(fields.Get(SheetField::Time));
  const std::string hex = codes::TextToHex(fields.Get(SheetField::CodeText));
  record += FixedWidth(std::string_view(hex).substr(0, kTextCodeDigits), kTextCodeField, 'F');
  return record;
}

std::optional<TagRecord> BuildCodeRecord(const SheetRowFields& fields, ReaderModel model) {
  const std::string& hex = fields.Get(SheetField::Hex);
  if (hex.empty() && fields.Get(SheetField::AnimalIso).empty() &&
      fields.Get(SheetField::IndustryIso).empty() && fields.Get(SheetField::Bde).empty()) {
    return std::nullopt;
  }
  const char type =
      TransponderTypeChar(fields.Get(SheetField::TransponderType), TypeNameColumn::Code, model);
  const BitOrder order = IsNumericOrderModel(model) || IsHdx(type) ? BitOrder::NumericOrder
                                                                   : BitOrder::TransmissionOrder;
  std::optional<BitOrder> bdeOrder;
  if (IsFdx(type) || IsHdx(type)) bdeOrder = order;
  std::optional<BitOrder> isoOrder;
  if (type == '1' || type == '6') isoOrder = order;
  const std::string code = CodeFromHexAndCells(
      fields, type, model, bdeOrder, isoOrder,
      [model](std::string_view record) { return CodeSheetCodeCells(record, model); }, hex);

  TagRecord record(CodeOnlyRecord(code, type).View());
  record += std::string(kRecordTextLength, '_');
  return record;
}

std::optional<TagRecord> BuildInspectionRecord(const SheetRowFields& fields, ReaderModel model) {
  const InspectionRecordLayout layout = InspectionLayoutFor(model);
  const std::string& uid = fields.Get(SheetField::Uid);
  if (uid.size() != layout.uidLength) return std::nullopt;
  // Dates are cut to their width and filled up with "0" in front.
  const auto date = [](const std::string& text, std::size_t length) {
    std::string digits = WithoutCharacter(text, '.').substr(0, length);
    digits.insert(0, length - digits.size(), '0');
    return digits;
  };
  const std::string& status = fields.Get(SheetField::InspectionStatus);
  TagRecord record = uid;
  record += status.empty() ? std::string("0") : status.substr(0, 1);
  record += date(fields.Get(SheetField::NextInspectionDate), layout.nextDateLength);
  record += date(fields.Get(SheetField::InspectionDay), InspectionRecordLayout::kDayLength);
  return record;
}

std::optional<TagRecord> BuildRecord(SheetLayout layout, const SheetRowFields& fields,
                                     ReaderModel model) {
  switch (layout) {
    case SheetLayout::AttributeSheet:
      return BuildAttributeRecord(fields, model);
    case SheetLayout::TextCodeSheet:
      return BuildTextCodeRecord(fields);
    case SheetLayout::InspectionSheet:
      return BuildInspectionRecord(fields, model);
    case SheetLayout::CodeSheet:
      return BuildCodeRecord(fields, model);
    case SheetLayout::SensorSheet:
      break;
  }
  return std::nullopt;
}

SheetImportResult ImportSheetRows(const std::vector<const XmlNode*>& rows, SheetLayout layout,
                                  ReaderModel model, bool utf8, TagTable& table,
                                  AttributeList& attributes, const ImportProgress& progress) {
  const NodeTreeAccess access;
  const auto fieldsOf = [&](std::size_t r) {
    return rows[r] == nullptr ? SheetRowFields() : ReadFields(access, rows[r], layout, utf8);
  };
  return ImportRows(rows.size(), fieldsOf, layout, model, table, attributes, progress);
}

SheetImportResult ImportSheetRows(const XmlFlatTree& tree, const std::vector<XmlFlatTree::Id>& rows,
                                  SheetLayout layout, ReaderModel model, bool utf8, TagTable& table,
                                  AttributeList& attributes, const ImportProgress& progress) {
  const FlatTreeAccess access(tree);
  const auto fieldsOf = [&](std::size_t r) {
    return rows[r] == XmlFlatTree::kNone ? SheetRowFields()
                                         : ReadFields(access, rows[r], layout, utf8);
  };
  return ImportRows(rows.size(), fieldsOf, layout, model, table, attributes, progress);
}

SheetImportResult ImportFieldRows(std::size_t rowCount,
                                  const std::function<SheetRowFields(std::size_t)>& fieldsOf,
                                  SheetLayout layout, ReaderModel model, TagTable& table,
                                  AttributeList& attributes, std::size_t rowNumberBase,
                                  const ImportProgress& progress) {
  return ImportRows(rowCount, fieldsOf, layout, model, table, attributes, progress, rowNumberBase);
}

bool IsRecordField(SheetField field) {
  return field != SheetField::None && field != SheetField::AttributeToken &&
         field != SheetField::AttributeText;
}

bool SheetIsComplete(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) --end;
  const std::string_view body = text.substr(0, end);
  return body.ends_with("</Workbook>") || body.ends_with("</ss:Workbook>");
}

bool LooksLikeUtf8(std::string_view text) {
  bool wide = false;
  for (std::size_t i = 0; i < text.size();) {
    // ASCII, nearly all of a sheet, is passed over 32 bytes at a time.
    if (std::array<std::uint64_t, 4> words{}; text.size() - i >= sizeof words) {
      std::memcpy(words.data(), text.data() + i, sizeof words);
      if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
        i += sizeof words;
        continue;
      }
    }
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t follow = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      follow = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      follow = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
    } else {
      return false;
    }
    if (i + follow >= text.size()) return false;
    for (std::size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    wide = true;
    i += follow + 1;
  }
  return wide;
}

namespace {

// The XML declaration's encoding in lower case, empty when it names none.
std::string DeclaredEncoding(const std::string& text) {
  const std::size_t end = text.find("?>");
  std::string head = text.substr(0, end == std::string::npos ? 0 : end);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = head.find("encoding=");
  if (at == std::string::npos || at + 10 > head.size()) return {};
  const char quote = head[at + 9];
  const std::size_t close = head.find(quote, at + 10);
  return close == std::string::npos ? std::string() : head.substr(at + 10, close - at - 10);
}

// Sheets declare their encoding; one that declares none and holds valid UTF-8 beyond ASCII
// was saved as UTF-8 (the XML default), not in the program's own code page.
bool ReadsAsUtf8(const std::string& text) {
  const std::string encoding = DeclaredEncoding(text);
  return encoding == "utf-8" || (encoding.empty() && LooksLikeUtf8(text));
}

}  // namespace

namespace {

SheetImportResult ImportText(std::string text, SheetLayout layout, protocol::ReaderModel model,
                             TagTable& table, AttributeList& attributes,
                             const ImportProgress& progress, bool scan) {
  const bool utf8 = ReadsAsUtf8(text);
  const std::string_view body = SheetWithoutWrappers(text);
  // Plain markup is read without a tree; the rest goes through the parser.
  if (std::optional<ScannedSheet> scanned = scan ? ScanSheetRows(body, layout) : std::nullopt) {
    const auto fieldsOf = [&scanned, utf8](std::size_t r) { return scanned->Fields(r, utf8); };
    return ImportRows(scanned->rows.size(), fieldsOf, layout, model, table, attributes, progress);
  }
  // The flat tree points into `text`, which stays as it is until the import is done.
  XmlFlatTree tree;
  XmlOptions options = SheetParseOptions();
  std::vector<XmlFlatTree::Id> rows;
  if (ParseDocument(tree, body, options)) {
    if (const auto root = tree.RootElement(); root != XmlFlatTree::kNone) {
      rows = tree.FindChildren(root, "Row");
      if (rows.empty()) rows = tree.FindChildren(root, "ss:Row");
    }
  }
  return ImportSheetRows(tree, rows, layout, model, utf8, table, attributes, progress);
}

}  // namespace

SheetImportResult ImportSheetText(std::string text, SheetLayout layout, protocol::ReaderModel model,
                                  TagTable& table, AttributeList& attributes,
                                  const ImportProgress& progress) {
  return ImportText(std::move(text), layout, model, table, attributes, progress, true);
}

SheetImportResult ImportSheetTextThroughTree(std::string text, SheetLayout layout,
                                             protocol::ReaderModel model, TagTable& table,
                                             AttributeList& attributes,
                                             const ImportProgress& progress) {
  return ImportText(std::move(text), layout, model, table, attributes, progress, false);
}

}  // namespace tagline::database
