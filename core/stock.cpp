#include "core/stock.h"

#include "core/db.h"
#include "core/text.h"

namespace {

// The statements that differ only in their ledger's table. Each is written
// out whole, and the ledger only chooses between these fixed texts.
struct LedgerSql {
    const char* loadInventory;
    const char* saveRow;
    const char* deleteRow;
    const char* heldVariants;
    const char* sumQty;
};

constexpr LedgerSql kCollectionSql = {
    "SELECT condition, qty, 0 FROM collection WHERE card_id = ? AND variant = ?;",
    "INSERT INTO collection (card_id, variant, condition, qty) VALUES (?,?,?,?) ON CONFLICT(card_id, variant, "
    "condition) DO UPDATE SET qty = excluded.qty;",
    "DELETE FROM collection WHERE card_id = ? AND variant = ? AND condition = ?;",
    "SELECT DISTINCT variant FROM collection WHERE card_id = ? AND qty > 0;",
    "SELECT COALESCE(SUM(qty), 0) FROM collection WHERE card_id = ?;",
};

constexpr LedgerSql kSaleSql = {
    "SELECT condition, qty, price FROM inventory WHERE card_id = ? AND variant = ?;",
    "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES (?,?,?,?,?) ON CONFLICT(card_id, "
    "variant, condition) DO UPDATE SET qty = excluded.qty, price = excluded.price;",
    "DELETE FROM inventory WHERE card_id = ? AND variant = ? AND condition = ?;",
    "SELECT DISTINCT variant FROM inventory WHERE card_id = ? AND qty > 0;",
    "SELECT COALESCE(SUM(qty), 0) FROM inventory WHERE card_id = ?;",
};

const LedgerSql& SqlFor(Ledger ledger)
{
    return ledger == Ledger::Collection ? kCollectionSql : kSaleSql;
}

// Prepares a statement whose first three parameters name one stock row.
StmtHandle PrepareRowStmt(sqlite3* db, const char* sql, const std::string& cardId, const std::string& variant,
                          const std::string& condition, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, sql, error);
    if (stmt) {
        BindText(stmt.get(), 1, cardId);
        BindText(stmt.get(), 2, variant);
        BindText(stmt.get(), 3, condition);
    }
    return stmt;
}

bool WriteRow(sqlite3* db, const char* sql, const std::string& cardId, const std::string& variant,
              const std::string& condition, std::string& error)
{
    StmtHandle stmt = PrepareRowStmt(db, sql, cardId, variant, condition, error);
    return stmt && StepDone(stmt.get(), error);
}

// No row is a quantity of 0.
bool ReadCollectionQty(sqlite3* db, const std::string& cardId, const std::string& variant,
                       const std::string& condition, int32_t& qty, std::string& error)
{
    qty = 0;
    StmtHandle stmt = PrepareRowStmt(
        db, "SELECT qty FROM collection WHERE card_id = ? AND variant = ? AND condition = ?;", cardId, variant,
        condition, error);
    return stmt && ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) { qty = sqlite3_column_int(row, 0); });
}

} // namespace

const char* LedgerKey(Ledger ledger)
{
    return ledger == Ledger::Collection ? "coll" : "sale";
}

bool LoadCardInventory(sqlite3* db, const std::string& cardId, std::vector<ConditionRow>& rows, std::string& error,
                       const std::wstring& variant, Ledger ledger)
{
    rows.clear();
    StmtHandle stmt = PrepareStmt(db, SqlFor(ledger).loadInventory, error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, cardId);
    BindText(stmt.get(), 2, WideToUtf8(variant));
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        rows.push_back({ColumnTextW(row, 0), sqlite3_column_int(row, 1), sqlite3_column_double(row, 2)});
    });
}

bool SaveConditionRow(sqlite3* db, const std::string& cardId, const std::wstring& condition, int32_t qty,
                      double price, std::string& error, const std::wstring& variant, Ledger ledger)
{
    StmtHandle stmt =
        PrepareRowStmt(db, SqlFor(ledger).saveRow, cardId, WideToUtf8(variant), WideToUtf8(condition), error);
    if (!stmt)
        return false;
    sqlite3_bind_int(stmt.get(), 4, qty);
    if (ledger == Ledger::Sale)
        sqlite3_bind_double(stmt.get(), 5, price);
    return StepDone(stmt.get(), error);
}

bool DeleteConditionRow(sqlite3* db, const std::string& cardId, const std::wstring& condition, std::string& error,
                        const std::wstring& variant, Ledger ledger)
{
    return WriteRow(db, SqlFor(ledger).deleteRow, cardId, WideToUtf8(variant), WideToUtf8(condition), error);
}

bool LoadHeldVariants(sqlite3* db, const std::string& cardId, std::vector<std::wstring>& variants,
                      std::string& error, Ledger ledger)
{
    variants.clear();
    StmtHandle stmt = PrepareStmt(db, SqlFor(ledger).heldVariants, error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, cardId);
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) { variants.push_back(ColumnTextW(row, 0)); });
}

int32_t SumCardQty(sqlite3* db, const std::string& cardId, Ledger ledger, bool& read)
{
    read = false;
    std::string ignored; // the callers report a failed read in their own words
    StmtHandle stmt = PrepareStmt(db, SqlFor(ledger).sumQty, ignored);
    if (!stmt)
        return 0;
    BindText(stmt.get(), 1, cardId);
    int32_t total = 0;
    if (!ForEachRow(stmt.get(), ignored, [&](sqlite3_stmt* row) { total = sqlite3_column_int(row, 0); }))
        return 0;
    read = true;
    return total;
}

bool LoadCardStock(sqlite3* db, const std::string& cardId, std::vector<StockRow>& rows, std::string& error)
{
    rows.clear();
    CardStockReader reader;
    return reader.Prepare(db, error) && reader.Load(cardId, rows, error);
}

bool CardStockReader::Prepare(sqlite3* db, std::string& error)
{
    stmt_ = PrepareStmt(
        db,
        "SELECT variant, condition, qty, price FROM inventory WHERE card_id = ? AND qty > 0 ORDER BY variant, "
        "condition;",
        error);
    return stmt_ != nullptr;
}

bool CardStockReader::Load(const std::string& cardId, std::vector<StockRow>& rows, std::string& error)
{
    rows.clear();
    sqlite3_reset(stmt_.get());
    BindText(stmt_.get(), 1, cardId);
    return ForEachRow(stmt_.get(), error, [&](sqlite3_stmt* row) {
        rows.push_back(
            {ColumnTextW(row, 0), ColumnTextW(row, 1), sqlite3_column_int(row, 2), sqlite3_column_double(row, 3)});
    });
}

bool MoveOneToSale(sqlite3* db, const std::string& cardId, const std::wstring& variant,
                   const std::wstring& condition, bool& moved, std::string& error)
{
    moved = false;
    const std::string variantUtf8 = WideToUtf8(variant);
    const std::string conditionUtf8 = WideToUtf8(condition);

    // Immediate, so the quantity read below cannot go stale before the
    // writes that depend on it.
    Transaction transaction;
    if (!transaction.Begin(db, error, "BEGIN IMMEDIATE;"))
        return false;

    int32_t held = 0;
    if (!ReadCollectionQty(db, cardId, variantUtf8, conditionUtf8, held, error))
        return false;
    if (held <= 0) {
        transaction.Rollback();
        return true;
    }

    if (!WriteRow(db,
                  "UPDATE collection SET qty = qty - 1 WHERE card_id = ? AND variant = ? AND condition = ? AND "
                  "qty > 0;",
                  cardId, variantUtf8, conditionUtf8, error))
        return false;
    if (sqlite3_changes(db) != 1) {
        error = "collection row vanished during the move";
        return false;
    }
    if (!WriteRow(db, "DELETE FROM collection WHERE card_id = ? AND variant = ? AND condition = ? AND qty <= 0;",
                  cardId, variantUtf8, conditionUtf8, error))
        return false;
    // An existing sale row keeps its price; a new one has none yet.
    if (!WriteRow(db,
                  "INSERT INTO inventory (card_id, variant, condition, qty) VALUES (?,?,?,1) ON CONFLICT(card_id, "
                  "variant, condition) DO UPDATE SET qty = qty + 1;",
                  cardId, variantUtf8, conditionUtf8, error))
        return false;
    if (!transaction.Commit(error))
        return false;
    moved = true;
    return true;
}
