#include "core/sales.h"

#include "core/catalogue.h"
#include "core/log.h"
#include "core/text.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr char kSelectSale[] = "SELECT card_id, variant, condition, qty, price FROM sales WHERE sale_id = ?;";

// The conditional decrement is the stock check: it changes nothing unless
// the row holds enough units, so a quantity can never go below zero.
constexpr char kTakeFromStock[] =
    "UPDATE inventory SET qty = qty - ? WHERE card_id = ? AND variant = ? AND condition = ? AND qty >= ?;";
constexpr char kRemoveEmptiedStock[] =
    "DELETE FROM inventory WHERE card_id = ? AND variant = ? AND condition = ? AND qty <= 0;";
// An existing row keeps its own price; a sold-out row comes back at the
// price the units were sold for.
constexpr char kReturnToStock[] =
    "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES (?,?,?,?,?) ON CONFLICT(card_id, "
    "variant, condition) DO UPDATE SET qty = qty + excluded.qty;";
constexpr char kInsertSale[] = "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, channel, "
                               "batch_id) VALUES (?,?,?,?,?,?,?,?);";

// The catalogue is created by the first online update, so a ledger may well
// hold sales before it exists; those list without names.
constexpr char kSalesWithNames[] =
    "SELECT s.sale_id, s.card_id, c.name, s.variant, s.condition,        s.qty, s.price, s.sold_at, s.channel, "
    "s.batch_id FROM sales s LEFT JOIN catalogue c ON c.card_id = s.card_id ";
constexpr char kSalesWithoutNames[] =
    "SELECT s.sale_id, s.card_id, NULL, s.variant, s.condition,        s.qty, s.price, s.sold_at, s.channel, "
    "s.batch_id FROM sales s ";
constexpr char kRecentSalesTail[] = "ORDER BY s.sale_id DESC LIMIT ?;";
constexpr char kCardSalesTail[] = "WHERE s.card_id = ? ORDER BY s.sale_id DESC;";

// One sale-stock row, in the UTF-8 the tables hold.
struct StockKey {
    std::string cardId;
    std::string variant;
    std::string condition;
};

std::string Describe(const StockKey& key)
{
    return key.cardId + " [" + key.variant + " / " + key.condition + "]";
}

struct StoredSale {
    StockKey stock;
    int32_t qty = 0;
    double price = 0.0;
};

// The two statements that take units out of the sale stock, prepared once
// for every line of a recording.
struct TakeStatements {
    StmtHandle decrement;
    StmtHandle removeEmptied;
};

std::string LocalSoldAt()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return text;
}

void BindStockKey(sqlite3_stmt* stmt, int first, const StockKey& key)
{
    BindText(stmt, first, key.cardId);
    BindText(stmt, first + 1, key.variant);
    BindText(stmt, first + 2, key.condition);
}

bool PrepareTake(sqlite3* db, TakeStatements& take, std::string& error)
{
    take.decrement = PrepareStmt(db, kTakeFromStock, error);
    if (take.decrement)
        take.removeEmptied = PrepareStmt(db, kRemoveEmptiedStock, error);
    return take.decrement && take.removeEmptied;
}

// Takes qty units from the stock row and removes the row when that empties
// it. taken is false, with nothing changed, when the row is missing or holds
// fewer units.
bool TakeFromStock(const TakeStatements& take, const StockKey& key, int64_t qty, bool& taken, std::string& error)
{
    taken = false;
    sqlite3_stmt* decrement = take.decrement.get();
    sqlite3_reset(decrement);
    sqlite3_clear_bindings(decrement);
    sqlite3_bind_int64(decrement, 1, qty);
    BindStockKey(decrement, 2, key);
    sqlite3_bind_int64(decrement, 5, qty);
    if (!StepDone(decrement, error))
        return false;
    if (sqlite3_changes(sqlite3_db_handle(decrement)) == 0)
        return true;
    taken = true;

    sqlite3_stmt* removeEmptied = take.removeEmptied.get();
    sqlite3_reset(removeEmptied);
    sqlite3_clear_bindings(removeEmptied);
    BindStockKey(removeEmptied, 1, key);
    return StepDone(removeEmptied, error);
}

bool ReturnToStock(sqlite3* db, const StockKey& key, int64_t qty, double price, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, kReturnToStock, error);
    if (!stmt)
        return false;
    BindStockKey(stmt.get(), 1, key);
    sqlite3_bind_int64(stmt.get(), 4, qty);
    sqlite3_bind_double(stmt.get(), 5, price);
    return StepDone(stmt.get(), error);
}

bool ReadSale(sqlite3* db, int64_t saleId, StoredSale& sale, std::string& error)
{
    StmtHandle stmt = PrepareStmt(db, kSelectSale, error);
    if (!stmt)
        return false;
    sqlite3_bind_int64(stmt.get(), 1, saleId);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE) {
        error = "sale not found";
        return false;
    }
    if (rc != SQLITE_ROW) {
        error = sqlite3_errmsg(db);
        return false;
    }
    sale.stock = {ColumnTextA(stmt.get(), 0), ColumnTextA(stmt.get(), 1), ColumnTextA(stmt.get(), 2)};
    sale.qty = sqlite3_column_int(stmt.get(), 3);
    sale.price = sqlite3_column_double(stmt.get(), 4);
    return true;
}

// The next recording's batch number. It must be read, never guessed: a
// guessed number could join an older batch, and reversing either batch
// would then reverse both.
bool ReadNextBatchId(sqlite3_stmt* stmt, int64_t& batchId, std::string& error)
{
    if (sqlite3_step(stmt) != SQLITE_ROW) {
        error = sqlite3_errmsg(sqlite3_db_handle(stmt));
        return false;
    }
    batchId = sqlite3_column_int64(stmt, 0);
    return true;
}

// Takes each line's units from the sale stock and writes its sales row;
// stops at the first line that cannot be sold, with noStock set when that
// line found too little stock.
bool WriteSaleLines(const TakeStatements& take, sqlite3_stmt* insert, const std::vector<SaleLine>& lines,
                    const std::string& soldAt, int64_t batchId, int32_t& count, bool& noStock, std::string& error)
{
    count = 0;
    noStock = false;
    for (const SaleLine& line : lines) {
        if (line.qty <= 0)
            continue;
        const StockKey key = {line.card_id, WideToUtf8(line.variant), WideToUtf8(line.condition)};
        bool taken = false;
        if (!TakeFromStock(take, key, line.qty, taken, error))
            return false;
        if (!taken) {
            noStock = true;
            error = "not enough stock to sell " + std::to_string(line.qty) + " of " + Describe(key);
            return false;
        }
        sqlite3_reset(insert);
        sqlite3_clear_bindings(insert);
        BindStockKey(insert, 1, key);
        sqlite3_bind_int(insert, 4, line.qty);
        sqlite3_bind_double(insert, 5, line.price);
        BindText(insert, 6, soldAt);
        BindText(insert, 7, WideToUtf8(line.channel));
        sqlite3_bind_int64(insert, 8, batchId);
        if (!StepDone(insert, error))
            return false;
        ++count;
    }
    return true;
}

// Moves the difference between the old and the new quantity out of or back
// into the sale stock, then rewrites the sale.
bool WriteAmendment(sqlite3* db, int64_t saleId, const StoredSale& sale, int32_t newQty, double newPrice,
                    const std::wstring& channel, std::string& error)
{
    const int64_t delta = static_cast<int64_t>(newQty) - sale.qty;
    if (delta > 0) {
        TakeStatements take;
        bool taken = false;
        if (!PrepareTake(db, take, error) || !TakeFromStock(take, sale.stock, delta, taken, error))
            return false;
        if (!taken) {
            error = "not enough stock to raise this sale by " + std::to_string(delta) + " (" +
                    Describe(sale.stock) + ")";
            return false;
        }
    } else if (delta < 0 && !ReturnToStock(db, sale.stock, -delta, sale.price, error)) {
        return false;
    }

    StmtHandle update =
        PrepareStmt(db, "UPDATE sales SET qty = ?, price = ?, channel = ? WHERE sale_id = ?;", error);
    if (!update)
        return false;
    sqlite3_bind_int(update.get(), 1, newQty);
    sqlite3_bind_double(update.get(), 2, newPrice);
    BindText(update.get(), 3, WideToUtf8(channel));
    sqlite3_bind_int64(update.get(), 4, saleId);
    return StepDone(update.get(), error);
}

bool LoadSales(sqlite3* db, const char* tail, const std::string* cardId, std::vector<SaleRecord>& sales,
               std::string& error)
{
    sales.clear();
    bool hasCatalogue = false;
    if (!CatalogueExists(db, hasCatalogue, error))
        return false;
    const std::string sql = std::string(hasCatalogue ? kSalesWithNames : kSalesWithoutNames) + tail;
    StmtHandle stmt = PrepareStmt(db, sql.c_str(), error);
    if (!stmt)
        return false;
    if (cardId)
        BindText(stmt.get(), 1, *cardId);
    else
        sqlite3_bind_int(stmt.get(), 1, kRecentSalesLimit);
    return ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        SaleRecord sale;
        sale.sale_id = sqlite3_column_int64(row, 0);
        sale.card_id = ColumnTextA(row, 1);
        sale.name = ColumnTextW(row, 2);
        sale.variant = ColumnTextW(row, 3);
        sale.condition = ColumnTextW(row, 4);
        sale.qty = sqlite3_column_int(row, 5);
        sale.price = sqlite3_column_double(row, 6);
        sale.sold_at = ColumnTextW(row, 7);
        sale.channel = ColumnTextW(row, 8);
        sale.batch_id = sqlite3_column_int64(row, 9);
        sales.push_back(std::move(sale));
    });
}

} // namespace

bool RecordSales(sqlite3* db, const std::vector<SaleLine>& lines, std::string& error, int32_t* rows, bool* noStock)
{
    if (rows)
        *rows = 0;
    if (noStock)
        *noStock = false;
    // One time of sale for every line of the call.
    const std::string soldAt = LocalSoldAt();

    Transaction transaction;
    if (!transaction.Begin(db, error))
        return false;

    int64_t batchId = 0;
    bool batchRead = false;
    {
        StmtHandle next = PrepareStmt(db, "SELECT COALESCE(MAX(batch_id),0)+1 FROM sales;", error);
        if (!next)
            return false;
        batchRead = ReadNextBatchId(next.get(), batchId, error);
    }
    // The statement is finalized before the rollback, as on every other path.
    if (!batchRead) {
        transaction.Rollback();
        Log("RecordSales rolled back: %s", error.c_str());
        return false;
    }

    TakeStatements take;
    if (!PrepareTake(db, take, error))
        return false;
    StmtHandle insert = PrepareStmt(db, kInsertSale, error);
    if (!insert)
        return false;

    int32_t count = 0;
    bool lineLacked = false;
    const bool written = WriteSaleLines(take, insert.get(), lines, soldAt, batchId, count, lineLacked, error);
    take = {};
    insert.reset();
    if (!written) {
        if (noStock)
            *noStock = lineLacked;
        transaction.Rollback();
        Log("RecordSales rolled back: %s", error.c_str());
        return false;
    }
    if (!transaction.Commit(error)) {
        Log("RecordSales rolled back: %s", error.c_str());
        return false;
    }
    if (rows)
        *rows = count;
    Log("RecordSales committed: %d sale row(s) at %s", count, soldAt.c_str());
    return true;
}

bool ReverseSaleRow(sqlite3* db, int64_t saleId, std::string& error)
{
    StoredSale sale;
    if (!ReadSale(db, saleId, sale, error) || !ReturnToStock(db, sale.stock, sale.qty, sale.price, error))
        return false;
    StmtHandle remove = PrepareStmt(db, "DELETE FROM sales WHERE sale_id = ?;", error);
    if (!remove)
        return false;
    sqlite3_bind_int64(remove.get(), 1, saleId);
    return StepDone(remove.get(), error);
}

bool UndoSale(sqlite3* db, int64_t saleId, std::string& error)
{
    Transaction transaction;
    if (!transaction.Begin(db, error))
        return false;
    if (!ReverseSaleRow(db, saleId, error)) {
        transaction.Rollback();
        Log("UndoSale(%lld) rolled back: %s", static_cast<long long>(saleId), error.c_str());
        return false;
    }
    if (!transaction.Commit(error))
        return false;
    Log("UndoSale committed: sale_id=%lld", static_cast<long long>(saleId));
    return true;
}

bool UndoSales(sqlite3* db, const std::vector<int64_t>& saleIds, std::string& error, int32_t* reversed)
{
    if (reversed)
        *reversed = 0;
    if (saleIds.empty())
        return true;

    Transaction transaction;
    if (!transaction.Begin(db, error))
        return false;
    for (int64_t saleId : saleIds) {
        if (!ReverseSaleRow(db, saleId, error)) {
            transaction.Rollback();
            Log("UndoSales rolled back at sale_id=%lld: %s", static_cast<long long>(saleId), error.c_str());
            return false;
        }
    }
    if (!transaction.Commit(error))
        return false;
    const int32_t count = static_cast<int32_t>(saleIds.size());
    if (reversed)
        *reversed = count;
    Log("UndoSales committed: %d sale(s) reversed", count);
    return true;
}

bool ReverseSaleBatch(sqlite3* db, int64_t batchId, std::string& error, int32_t* reversed)
{
    if (reversed)
        *reversed = 0;
    std::vector<int64_t> saleIds;
    {
        StmtHandle stmt = PrepareStmt(db, "SELECT sale_id FROM sales WHERE batch_id = ?;", error);
        if (!stmt)
            return false;
        sqlite3_bind_int64(stmt.get(), 1, batchId);
        if (!ForEachRow(stmt.get(), error,
                        [&](sqlite3_stmt* row) { saleIds.push_back(sqlite3_column_int64(row, 0)); }))
            return false;
    }
    return UndoSales(db, saleIds, error, reversed);
}

bool AmendSale(sqlite3* db, int64_t saleId, int32_t newQty, double newPrice, const std::wstring& channel,
               std::string& error)
{
    if (newQty < 1) {
        error = "amended quantity must be at least 1";
        return false;
    }
    Transaction transaction;
    if (!transaction.Begin(db, error))
        return false;
    StoredSale sale;
    if (!ReadSale(db, saleId, sale, error))
        return false;
    if (!WriteAmendment(db, saleId, sale, newQty, newPrice, channel, error)) {
        transaction.Rollback();
        Log("AmendSale(%lld) rolled back: %s", static_cast<long long>(saleId), error.c_str());
        return false;
    }
    if (!transaction.Commit(error)) {
        Log("AmendSale(%lld) rolled back: %s", static_cast<long long>(saleId), error.c_str());
        return false;
    }
    Log("AmendSale committed: sale_id=%lld qty %d->%d", static_cast<long long>(saleId), sale.qty, newQty);
    return true;
}

bool UndoLastSale(sqlite3* db, std::wstring& message, std::string& error, std::string* cardId)
{
    message.clear();
    if (cardId)
        cardId->clear();

    int64_t saleId = 0;
    std::string id;
    std::wstring variant;
    std::wstring condition;
    int32_t qty = 0;
    {
        StmtHandle stmt = PrepareStmt(
            db, "SELECT sale_id, card_id, variant, condition, qty FROM sales ORDER BY sale_id DESC LIMIT 1;",
            error);
        if (!stmt)
            return false;
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            error = sqlite3_errmsg(db);
            return false;
        }
        saleId = sqlite3_column_int64(stmt.get(), 0);
        id = ColumnTextA(stmt.get(), 1);
        variant = ColumnTextW(stmt.get(), 2);
        condition = ColumnTextW(stmt.get(), 3);
        qty = sqlite3_column_int(stmt.get(), 4);
    }

    if (!UndoSale(db, saleId, error))
        return false;
    if (cardId)
        *cardId = id;
    // The card id is UTF-8 of any length: converted, and never cut short by
    // a fixed buffer.
    message = L"Reversed sale of " + std::to_wstring(qty) + L" \u00D7 " + Utf8ToWide(id) + L" [" + variant +
              L" / " + condition + L"]";
    return true;
}

bool LoadRecentSales(sqlite3* db, std::vector<SaleRecord>& sales, std::string& error)
{
    return LoadSales(db, kRecentSalesTail, nullptr, sales, error);
}

bool LoadSalesForCard(sqlite3* db, const std::string& cardId, std::vector<SaleRecord>& sales, std::string& error)
{
    return LoadSales(db, kCardSalesTail, &cardId, sales, error);
}

int32_t CountSales(sqlite3* db, const std::string& cardId)
{
    std::string ignored; // the caller knows a failure only as 0
    StmtHandle stmt = PrepareStmt(
        db, cardId.empty() ? "SELECT COUNT(*) FROM sales;" : "SELECT COUNT(*) FROM sales WHERE card_id = ?;",
        ignored);
    if (!stmt)
        return 0;
    if (!cardId.empty())
        BindText(stmt.get(), 1, cardId);
    return sqlite3_step(stmt.get()) == SQLITE_ROW ? sqlite3_column_int(stmt.get(), 0) : 0;
}
