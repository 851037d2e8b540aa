// How one value is written into an exported file or clipboard text, shared
// by the card-list and stock exports. A spreadsheet that opens the file or
// takes the paste must see every value as the plain text it is: never as a
// formula, never split into two cells, never merged with the next one.
#pragma once

#include <string>
#include <string_view>

// "%.2f": two decimals, a full stop, no grouping.
std::string FormatPrice(double price);

// A single quote in front of text whose first byte ('=', '+', '-', '@',
// TAB, CR) would make a spreadsheet read it as a formula. LF and every
// other first byte pass unchanged.
std::string GuardSpreadsheetFormula(std::string_view text);

// One field of a comma-separated line: guarded, then wrapped in double
// quotes with its own quotes doubled when it holds a comma, a quote, CR or
// LF.
std::string CsvField(std::string_view text);

// One field of TAB-separated clipboard text, which has no way to carry a
// TAB or a line end inside a value: each of them, and each zero character
// (where a reader of the clipboard stops reading), becomes a blank; then
// the guard. A spreadsheet takes a pasted field that begins with a quote as
// quoted and runs it on through the following TABs and line ends, so such a
// field is written quoted, its inner quotes doubled, and pastes as itself.
std::string TsvField(std::string_view text);
