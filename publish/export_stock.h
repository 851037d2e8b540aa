// The stock CSV: every row of one ledger with its storage location, as a
// plain backup of the stock that a spreadsheet can open. Touches no window
// and writes no file.
#pragma once

#include "core/stock.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// One stock row, all text UTF-8 as the database holds it.
struct StockBackupRow {
    std::string cardId;
    std::string name; // empty when the catalogue lacks the card
    std::string set;
    std::string variant;
    std::string condition;
    int32_t qty = 0;
    double price = 0.0;
    std::string location; // the variant's location in this ledger, or empty
};

// The header and one line per row, every line ended by CR LF, as valid
// UTF-8; the collection's price fields are empty. Empty without rows.
std::string FormatStockCsvBackup(const std::vector<StockBackupRow>& rows, Ledger ledger);

// Every row of the ledger, zero quantities included, by card id, variant
// and condition, formatted. Empty when the ledger has no row, and also when
// a read fails: then error holds SQLite's message.
std::string BuildStockCsvBackup(sqlite3* db, std::string& error, Ledger ledger);
