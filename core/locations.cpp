#include "core/locations.h"

#include "core/db.h"
#include "core/text.h"

namespace {

// Prepares a statement whose first parameter is the ledger's stored key.
StmtHandle PrepareLedgerStmt(sqlite3* db, const char* sql, Ledger ledger, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, sql, error);
    if (stmt)
        BindText(stmt.get(), 1, LedgerKey(ledger));
    return stmt;
}

// Reads the one location a query yields; no row leaves it empty.
bool ReadLocation(sqlite3_stmt* stmt, std::wstring& location, std::string& error)
{
    return ForEachRow(stmt, error, [&](sqlite3_stmt* row) { location = ColumnTextW(row, 0); });
}

} // namespace

bool LoadCardLocation(sqlite3* db, Ledger ledger, const std::string& cardId, std::wstring& location,
                      std::string& error)
{
    location.clear();
    StmtHandle stmt = PrepareLedgerStmt(db,
                                        "SELECT location FROM variant_location WHERE ledger = ? AND card_id = ? AND "
                                        "location <> '' ORDER BY (variant = 'Standard') DESC, variant LIMIT 1;",
                                        ledger, error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 2, cardId);
    return ReadLocation(stmt.get(), location, error);
}

bool LoadDistinctLocations(sqlite3* db, Ledger ledger, std::vector<std::wstring>& locations,
                           std::string& error)
{
    locations.clear();
    StmtHandle stmt = PrepareLedgerStmt(db,
                                        "SELECT DISTINCT location FROM variant_location WHERE ledger = ? AND "
                                        "location IS NOT NULL AND location <> '' ORDER BY location COLLATE NOCASE;",
                                        ledger, error);
    return stmt &&
           ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) { locations.push_back(ColumnTextW(row, 0)); });
}

bool LoadVariantLocation(sqlite3* db, Ledger ledger, const std::string& cardId, const std::string& variant,
                         std::wstring& location, std::string& error)
{
    location.clear();
    StmtHandle stmt = PrepareLedgerStmt(
        db, "SELECT location FROM variant_location WHERE ledger = ? AND card_id = ? AND variant = ?;", ledger, error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 2, cardId);
    BindText(stmt.get(), 3, variant);
    return ReadLocation(stmt.get(), location, error);
}

bool SaveVariantLocation(sqlite3* db, Ledger ledger, const std::string& cardId, const std::string& variant,
                         const std::wstring& location, std::string& error)
{
    const std::string text = WideToUtf8(location);
    StmtHandle stmt = PrepareLedgerStmt(
        db,
        text.empty() ? "DELETE FROM variant_location WHERE ledger = ? AND card_id = ? AND variant = ?;"
                     : "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES (?,?,?,?) ON "
                       "CONFLICT(ledger, card_id, variant) DO UPDATE SET location = excluded.location;",
        ledger, error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 2, cardId);
    BindText(stmt.get(), 3, variant);
    if (!text.empty())
        BindText(stmt.get(), 4, text);
    return StepDone(stmt.get(), error);
}
