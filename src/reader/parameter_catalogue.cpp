// SPDX-License-Identifier: Apache-2.0
// The catalogue's name lists, their refill, and the descriptors resolved per model.
#include "reader/parameter_catalogue.h"

#include <algorithm>
#include <array>

#include "reader/parameter_tables.h"

namespace tagline::reader {

namespace {

// The bit of each position of a mask cell, as the code of its descriptor.
constexpr std::array<std::string_view, 8> kBitCodes = {"01", "02", "04", "08",
                                                       "10", "20", "40", "80"};

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The combo's exact search: the whole text, case ignored.
bool SameItem(std::string_view item, std::string_view name) {
  return item.size() == name.size() &&
         std::equal(item.begin(), item.end(), name.begin(),
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool SelectionNameOffered(std::string_view name, ReaderModel model) {
  const ReaderModel m = CatalogueModel(model);
  const auto rows = tables::SelectionRows();
  return std::any_of(rows.begin(), rows.end(), [&](const tables::SelectionRow& row) {
    return row.name == name && row.offered.Contains(m);
  });
}

bool TagTypeNameOffered(std::string_view name, ReaderModel model) {
  const auto names = OfferedTagTypeNames(model);
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The models whose list offers a name.
ModelSet OfferingModels(ParameterKind kind, std::string_view name) {
  ModelSet models;
  for (int v = 0; v < kReaderModelCount; ++v) {
    const auto model = static_cast<ReaderModel>(v);
    if (IsNameOffered(kind, name, model)) models = models.With(model);
  }
  return models;
}

std::optional<ParameterDescriptor> DescribeSelection(std::string_view name, ReaderModel model,
                                                     ReaderModel last_timer_model) {
  const tables::SelectionRow* row = tables::FindSelection(name, model);
  if (row == nullptr) return std::nullopt;
  ParameterDescriptor d;
  d.name = row->name;
  d.kind = ParameterKind::Selection;
  d.addresses = {CellAddress(row->address)};
  for (const tables::ValueEntry& entry : tables::SelectionValues(*row, model)) {
    if (tables::Listed(entry, model, last_timer_model))
      d.values.push_back({entry.label, entry.code});
  }
  d.encoding = ValueEncoding::Byte;
  d.readback = ReadBack::ValueLabel;
  d.models = OfferingModels(ParameterKind::Selection, name);
  return d;
}

std::optional<ParameterDescriptor> DescribeNumeric(std::string_view name) {
  const tables::NumericRow* row = tables::FindNumeric(name);
  if (row == nullptr) return std::nullopt;
  ParameterDescriptor d;
  d.name = row->name;
  d.kind = ParameterKind::Numeric;
  for (int i = 0; i < CellCount(row->encoding); ++i) {
    d.addresses.push_back(CellAddress(static_cast<std::uint16_t>(row->first_address + i)));
  }
  d.range = row->range;
  d.encoding = row->encoding;
  d.readback = row->readback;
  d.models = OfferingModels(ParameterKind::Numeric, name);
  return d;
}

std::optional<ParameterDescriptor> DescribeTagType(std::string_view name, ReaderModel model) {
  const TagTypeCell* cell = TagTypeCellOf(name, model);
  if (cell == nullptr) return std::nullopt;
  const auto bit = static_cast<std::size_t>(std::find(cell->bits.begin(), cell->bits.end(), name) -
                                            cell->bits.begin());
  const auto order = TagTypeNameOrder();
  ParameterDescriptor d;
  d.name = *std::find(order.begin(), order.end(), name);
  d.kind = ParameterKind::AlgorithmMask;
  d.addresses = {CellAddress(cell->address)};
  d.values = {{d.name, kBitCodes[bit]}};
  d.encoding = ValueEncoding::Byte;
  d.readback = ReadBack::TagTypeNames;
  d.models = OfferingModels(ParameterKind::AlgorithmMask, name);
  return d;
}

}  // namespace

std::span<const std::string_view> CatalogueNames(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::Selection:
      return tables::SelectionNameOrder();
    case ParameterKind::Numeric:
      return tables::NumericNameOrder();
    case ParameterKind::AlgorithmMask:
      return TagTypeNameOrder();
  }
  return {};
}

bool IsNameOffered(ParameterKind kind, std::string_view name, ReaderModel model) {
  switch (kind) {
    case ParameterKind::Selection:
      return SelectionNameOffered(name, model);
    case ParameterKind::Numeric:
      return tables::NumericNameOffered(name, model);
    case ParameterKind::AlgorithmMask:
      return TagTypeNameOffered(name, model);
  }
  return false;
}

std::vector<std::string_view> OfferedNames(ParameterKind kind, ReaderModel model) {
  std::vector<std::string_view> names;
  for (const std::string_view name : CatalogueNames(kind)) {
    if (IsNameOffered(kind, name, model)) names.push_back(name);
  }
  return names;
}

void RefillNameList(std::vector<std::string>& items, ParameterKind kind, ReaderModel model) {
  for (const std::string_view name : CatalogueNames(kind)) {
    const auto present = std::find_if(
        items.begin(), items.end(), [&](const std::string& item) { return SameItem(item, name); });
    const bool offered = IsNameOffered(kind, name, model);
    if (offered && present == items.end()) {
      items.emplace_back(name);
    } else if (!offered && present != items.end()) {
      items.erase(present);
    }
  }
}

std::optional<ParameterDescriptor> DescribeParameter(ParameterKind kind, std::string_view name,
                                                     ReaderModel model,
                                                     ReaderModel last_timer_model) {
  switch (kind) {
    case ParameterKind::Selection:
      return DescribeSelection(name, model, last_timer_model);
    case ParameterKind::Numeric:
      return DescribeNumeric(name);
    case ParameterKind::AlgorithmMask:
      return DescribeTagType(name, model);
  }
  return std::nullopt;
}

}  // namespace tagline::reader
