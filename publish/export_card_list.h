// The card list export: the stock of one ledger, or of the checked cards,
// as a comma-separated file, a file of readable lines, or TAB-separated
// text for the clipboard. Touches no window and writes no file: the text is
// built whole here and delivered by the command.
#pragma once

#include "core/stock.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The values are those of the menu commands' formats and of the log lines.
enum class ExportFormat : int32_t {
    Csv = 0,       // header, then one comma-separated line per row
    Txt = 1,       // one readable line per row, no header
    Clipboard = 2, // header, then one TAB-separated line per row
};

// One line of the list, all text UTF-8 as the database holds it.
struct CardListRow {
    std::string cardId;
    std::string name; // empty: the list shows the card id instead
    std::string set;
    std::string number;
    std::string total;
    std::string rarity;
    std::string variant;
    std::string condition;
    int32_t qty = 0;
    double price = 0.0;
    // False for a checked card that has nothing in the ledger: its line says
    // so instead of naming a variant, condition, quantity and price.
    bool inStock = true;
};

// The whole text, every line ended by CR LF, as valid UTF-8. The comma- and
// TAB-separated forms start with their header line even without rows; the
// collection has no prices, so its price fields are empty and its readable
// lines name none.
std::string FormatCardList(const std::vector<CardListRow>& rows, ExportFormat format, Ledger ledger);

// Reads the ledger's stock above zero (stock of cards missing from the
// catalogue first, its id standing for its name, then by set name, name,
// card id, variant and condition) and formats it. With selectedIds (the
// checked cards in catalogue order) only their stock is listed, followed by
// one line for each of them that has none, once each, in their order.
// Empty, with SQLite's message in error, when a read fails.
std::string BuildStockExport(sqlite3* db, const std::vector<std::string>& selectedIds, ExportFormat format,
                             std::string& error, Ledger ledger);
