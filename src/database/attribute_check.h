// SPDX-License-Identifier: Apache-2.0
// What the tables the last database load left hold for a reader model's attribute clear,
// and the models whose sheet is a code sheet.
#pragma once

#include "database/tag_table.h"
#include "job/attribute_tables.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// The models whose sheet holds codes only and no attributes.
bool IsCodeSheetModel(protocol::ReaderModel model);

// A code sheet needs a code in its first record; an attribute sheet needs its first
// attribute loaded.
job::AttributeTables CheckAttributeTables(protocol::ReaderModel model, const TagTable& table,
                                          const AttributeList& attributes);

}  // namespace tagline::database
