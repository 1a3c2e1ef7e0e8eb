// SPDX-License-Identifier: Apache-2.0
// The tag database as CSV, for farm, stock and access software: the sheet's columns and
// rows (without the empty column A, the spacer column and the table's closing rows), UTF-8
// with a header row. Decoded code columns stay texts with their leading zeros, dates are
// ISO 8601 (YYYY-MM-DD) and the animal number is given a second time as 15 digits without
// its blank, the form farm software takes.
//
// Reading such a file back goes through the sheet's import and its checks. A file saved
// again by a spreadsheet program may come with another delimiter or quoting, dates in the
// program's form (05.03.2024, 3/5/2024), times without a leading zero, and numbers that
// lost their leading zeros: those are put back where the HEX cell shows what they were.
#pragma once

#include <string>
#include <string_view>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/tag_table.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// The header of the 15-digit animal number column.
inline constexpr std::string_view kAnimalNumberHeader = "Code Animal ISO 15 digits";

// Whether a path names a CSV file (by its extension, in any case).
bool IsCsvPath(std::string_view path);

std::string CsvSheetText(SheetLayout layout, protocol::ReaderModel model, const TagTable& table,
                         const AttributeList& attributes, const SheetProgress& progress = {});

struct CsvImport {
  SheetImportResult imported;
  // Why the file was not imported at all: no CSV, or not the columns of this layout.
  std::string error;
};

CsvImport ImportCsvText(std::string_view text, SheetLayout layout, protocol::ReaderModel model,
                        TagTable& table, AttributeList& attributes,
                        const ImportProgress& progress = {});

}  // namespace tagline::database
