// SPDX-License-Identifier: Apache-2.0
// The plain database files of attribute-database readers: ".db" and ".dat".
#pragma once

#include <string>

#include "database/tag_table.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// The ".db" file: a head line, the record count, the records, the 27 attributes.
std::string DbFileText(const TagTable& table, const AttributeList& attributes);

// The ".dat" file: one ";"-separated line per record.
std::string DatFileText(const TagTable& table, const AttributeList& attributes,
                        protocol::ReaderModel model);

}  // namespace tagline::database
