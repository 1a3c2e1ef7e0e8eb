// SPDX-License-Identifier: Apache-2.0
#include "reader/tag_type_masks.h"

#include <algorithm>
#include <cstddef>

#include "reader/model_set.h"
#include "reader/parameter_encoding.h"

namespace tagline::reader {

namespace {

// The mask cells: address and bit names 0x01 ... 0x80.
constexpr TagTypeCell kTypeCell = {
    0x00C, {"Trovan", "ASK", "Datamars", "Destron", "HDX", "FDX-B", "PSK2", "PSK1"}};
constexpr TagTypeCell kExtraCell = {0x00D, {"UID", "Data/Temp"}};
constexpr TagTypeCell kSensorCell = {0x014, {"VIP", "Humidity"}};

// Cells per model, in handling order.
constexpr TagTypeCell kSensorCells[] = {kSensorCell};
constexpr TagTypeCell kTypeCells[] = {kTypeCell, kExtraCell};
constexpr ModelSet kSensorModels = "1"_models;

// The full list of the row, in order.
constexpr std::string_view kNameOrder[] = {
    "Trovan", "ASK",  "Datamars", "Destron",  "HDX", "FDX-B",
    "PSK2",   "PSK1", "VIP",      "Humidity", "UID", "Data/Temp",
};

// Names offered per model; models in no row are offered none.
constexpr std::string_view kSensorNames[] = {"VIP", "Humidity"};
constexpr std::string_view kEightTypes[] = {"Trovan", "ASK",   "Datamars", "Destron",
                                            "HDX",    "FDX-B", "PSK2",     "PSK1"};
constexpr std::string_view kEightAndUid[] = {"Trovan", "ASK",  "Datamars", "Destron", "HDX",
                                             "FDX-B",  "PSK2", "PSK1",     "UID"};
constexpr std::string_view kEightUidAndData[] = {
    "Trovan", "ASK", "Datamars", "Destron", "HDX", "FDX-B", "PSK2", "PSK1", "UID", "Data/Temp"};
constexpr std::string_view kEightAndData[] = {"Trovan", "ASK",  "Datamars", "Destron",  "HDX",
                                              "FDX-B",  "PSK2", "PSK1",     "Data/Temp"};

struct NameOffer {
  ModelSet models;
  std::span<const std::string_view> names;
};

constexpr NameOffer kOffers[] = {
    {"1"_models, kSensorNames},       {"4-7, 9-13, 22-24, 27, 29-31"_models, kEightTypes},
    {"25, 28"_models, kEightAndUid},  {"33, 34, 39"_models, kEightUidAndData},
    {"37, 40"_models, kEightAndData},
};

// Where the read-back list is broken into a second line.
constexpr std::size_t kWrapColumn = 30;

int HexDigitOrZero(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

std::span<const std::string_view> TagTypeNameOrder() {
  return kNameOrder;
}

std::vector<std::string_view> OfferedTagTypeNames(ReaderModel model) {
  const ReaderModel m = CatalogueModel(model);
  for (const NameOffer& offer : kOffers) {
    if (!offer.models.Contains(m)) continue;
    std::vector<std::string_view> names;
    for (const std::string_view name : kNameOrder) {
      if (std::find(offer.names.begin(), offer.names.end(), name) != offer.names.end()) {
        names.push_back(name);
      }
    }
    return names;
  }
  return {};
}

std::span<const TagTypeCell> TagTypeCells(ReaderModel model) {
  if (kSensorModels.Contains(CatalogueModel(model))) return kSensorCells;
  return kTypeCells;
}

const TagTypeCell* TagTypeCellOf(std::string_view name, ReaderModel model) {
  for (const TagTypeCell& cell : TagTypeCells(model)) {
    if (!name.empty() && std::find(cell.bits.begin(), cell.bits.end(), name) != cell.bits.end()) {
      return &cell;
    }
  }
  return nullptr;
}

std::uint8_t TagTypeMask(const TagTypeCell& cell, std::string_view ticked_text) {
  std::uint8_t mask = 0;
  for (std::size_t bit = 0; bit < cell.bits.size(); ++bit) {
    const std::string_view name = cell.bits[bit];
    if (!name.empty() && ticked_text.find(name) != std::string_view::npos) {
      mask = static_cast<std::uint8_t>(mask | (1u << bit));
    }
  }
  return mask;
}

std::vector<std::string_view> TagTypeNames(const TagTypeCell& cell, std::uint8_t mask) {
  std::vector<std::string_view> names;
  for (std::size_t bit = 0; bit < cell.bits.size(); ++bit) {
    if ((mask >> bit) & 1u && !cell.bits[bit].empty()) names.push_back(cell.bits[bit]);
  }
  return names;
}

std::vector<std::string> TagTypeCommandBodies(std::string_view ticked_text, ReaderModel model) {
  std::vector<std::string> bodies;
  for (const TagTypeCell& cell : TagTypeCells(model)) {
    std::string body = CellAddress(cell.address);
    if (!ticked_text.empty()) body += HexByte(TagTypeMask(cell, ticked_text));
    bodies.push_back(std::move(body));
  }
  return bodies;
}

TagTypeReadBack DecodeTagTypes(std::string_view address, std::string_view value) {
  if (value.empty()) return {};
  const TagTypeCell* cell = nullptr;
  for (const TagTypeCell* candidate : {&kTypeCell, &kExtraCell, &kSensorCell}) {
    if (CellAddress(candidate->address) == address) cell = candidate;
  }
  if (cell == nullptr) return {};

  const int high = HexDigitOrZero(value[0]);
  const int low = value.size() > 1 ? HexDigitOrZero(value[1]) : 0;
  const auto mask = static_cast<std::uint8_t>(high * 16 + low);

  TagTypeReadBack result;
  result.text = " // ";
  for (const std::string_view name : TagTypeNames(*cell, mask)) {
    result.text += name;
    result.text += ", ";
  }
  if (result.text.size() > 4) result.text.resize(result.text.size() - 2);
  if (result.text.size() > kWrapColumn) {
    const std::size_t separator = result.text.find(", ", kWrapColumn);
    if (separator != std::string::npos) {
      result.text.insert(separator + 2, "\r\n   // ");
      result.wrapped = true;
    }
  }
  return result;
}

}  // namespace tagline::reader
