// SPDX-License-Identifier: Apache-2.0
#include "database/attribute_check.h"

#include "database/layouts.h"

namespace tagline::database {

bool IsCodeSheetModel(protocol::ReaderModel model) {
  return model == protocol::ReaderModel::KtrH9V2 || model == protocol::ReaderModel::KtrH9V2Rev5;
}

job::AttributeTables CheckAttributeTables(protocol::ReaderModel model, const TagTable& table,
                                          const AttributeList& attributes) {
  using job::AttributeTables;
  if (IsCodeSheetModel(model)) {
    const std::string& first = table.At(0);
    if (first.size() < 14 || first[13] == '0') return AttributeTables::WrongFormat;
    return AttributeTables::NothingToClear;
  }
  const auto layout = LayoutForModel(model);
  if (layout != SheetLayout::AttributeSheet && layout != SheetLayout::TextCodeSheet) {
    return AttributeTables::NothingToClear;
  }
  if (attributes.Entry(0) == " ") return AttributeTables::WrongFormat;
  return AttributeTables::Clear;
}

}  // namespace tagline::database
