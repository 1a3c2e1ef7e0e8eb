// SPDX-License-Identifier: Apache-2.0
// What a sheet's record row must hold before it is written into a reader: checked for the
// whole sheet before anything is erased, each problem naming its row and cell.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"

namespace tagline::database {

// The HEX cell as a record takes it: upper case.
void NormaliseHexCell(SheetRowFields& fields);
// An FDX or HDX code (16 hex digits) that a spreadsheet program made a number of (decimal
// digits only, typed Number) padded back with the zeros it dropped; true when it was.
bool RestoreNumberHexCell(SheetRowFields& fields, char transponderType);

// What keeps a row's record from being written: no code at all, a date or time that is no
// real one, a HEX cell that is no code of 1 to 16 hex digits (16 for FDX and HDX), a cell
// beyond the layout's columns. Rows are numbered from 1, as a spreadsheet program shows
// them; `transponderType` is the record's type character.
std::vector<std::string> RecordRowProblems(const SheetRowFields& fields, SheetLayout layout,
                                           std::size_t row, char transponderType);

// Six digits DDMMYY of a real date; hhmmss of a real time of day.
bool IsRealDate(std::string_view digits);
bool IsRealTime(std::string_view digits);

}  // namespace tagline::database
