// Sheet rows back into records and attribute entries.
#include "database/layouts_import.h"

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>

#include "codes/code_text.h"
#include "codes/iso_code.h"
#include "database/xml_text.h"
#include "platform/crt.h"

namespace tagline::database {

namespace {

using codes::BitOrder;
using reader::ReaderModel;

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
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != removed) out += c;
  }
  return out;
}

// Cut to `length` and filled up behind with `fill`.
std::string FixedWidth(std::string_view text, std::size_t length, char fill) {
  std::string out(text.substr(0, length));
  out.resize(length, fill);
  return out;
}

// The code length digit and the 16 "F"-filled code digits.
std::string CodeField(std::string_view code) {
  const std::string_view cut = code.substr(0, kCodeDigits);
  std::string field(
      1, cut.empty() ? '0' : codes::UpperHexDigit(static_cast<unsigned int>(cut.size() - 1)));
  field += FixedWidth(cut, kCodeDigits, 'F');
  return field;
}

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

bool HasSingleCharacter(const std::string& text) {
  return text.size() == 1;
}

}  // namespace

const std::string& SheetRowFields::Get(SheetField field) const {
  static const std::string kNoText;
  return FieldIndex(field) < texts_.size() ? texts_[FieldIndex(field)] : kNoText;
}

void SheetRowFields::Set(SheetField field, std::string text) {
  if (FieldIndex(field) < texts_.size()) texts_[FieldIndex(field)] = std::move(text);
}

XmlOptions SheetParseOptions() {
  XmlOptions options = XmlParseOptions();
  options.entities = false;
  options.escape.reset();
  return options;
}

SheetRowFields ReadRowFields(const XmlNode& row, SheetLayout layout, bool utf8) {
  SheetRowFields fields;
  std::int32_t column = 0;
  // Some programs write the spreadsheet namespace's prefix on every element.
  std::vector<const XmlNode*> cells = FindChildren(row, "Cell");
  if (cells.empty()) cells = FindChildren(row, "ss:Cell");
  for (const XmlNode* cell : cells) {
    if (column < std::numeric_limits<std::int32_t>::max()) ++column;
    if (const auto index = AttributeValue(*cell, "ss:Index")) {
      const std::int32_t indexed = platform::Atol32(*index);
      if (indexed > column) column = indexed;
    }
    const SheetField field = FieldAtColumn(layout, column);
    if (field == SheetField::None) continue;
    std::optional<std::string> data = ChildText(*cell, "Data");
    if (!data) data = ChildText(*cell, "ss:Data");
    fields.Set(field, DecodeCellText(data.value_or(""), utf8));
  }
  return fields;
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

  // The sheet shows FDX codes bit-reversed on reversed-HEX models; exactly those are
  // reversed back, so that a sheet read from a reader writes the same codes into it.
  const std::string& hexText = fields.Get(SheetField::Hex);
  std::string hex =
      IsFdx(type) && IsReversedHexModel(model) ? codes::ReverseHexBits(hexText) : hexText;

  std::optional<BitOrder> bdeOrder;
  if (IsFdx(type)) bdeOrder = fdxOrder;
  if (IsHdx(type)) bdeOrder = BitOrder::NumericOrder;
  std::optional<BitOrder> isoOrder;
  if (type == '1') isoOrder = fdxOrder;
  if (type == '6') isoOrder = BitOrder::NumericOrder;
  const std::string code = hex.empty() ? EncodedCode(fields, bdeOrder, isoOrder) : std::move(hex);

  TagRecord record = token;
  record += DateCellDigits(fields.Get(SheetField::Date));
  record += TimeCellDigits(fields.Get(SheetField::Time));
  record += CodeField(code);
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
  std::string code = EncodedCode(fields, bdeOrder, isoOrder);
  if (code.empty()) code = hex;

  TagRecord record = "#000000000000";
  record += CodeField(code);
  record += type;
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
  SheetImportResult result;
  if (layout == SheetLayout::SensorSheet) return result;
  const bool hasAttributes =
      layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet;
  for (std::size_t r = kFirstRecordRow; r < rows.size(); ++r) {
    if (rows[r] == nullptr) continue;
    const SheetRowFields fields = ReadRowFields(*rows[r], layout, utf8);
    if (hasAttributes) {
      if (auto update = BuildAttributeEntry(fields)) {
        attributes.Set(update->index, std::move(update->entry));
        ++result.attributesSet;
      }
    }
    std::optional<TagRecord> record = BuildRecord(layout, fields, model);
    if (!record) continue;
    if (!table.Set(r - kFirstRecordRow, std::move(*record))) {
      result.tableFull = true;
      break;
    }
    ++result.recordsStored;
    if (progress) progress(r - 1);
  }
  return result;
}

}  // namespace tagline::database
