// The sales ledger: what the user sold, and the undo, reversal and
// amendment of it. A sale takes its units out of the sale stock and a
// reversal puts them back, always in the same transaction as the sales row,
// so the two ledgers never disagree; the collection is never touched. Every
// operation works on a connection its caller opened and closes.
#pragma once

#include "core/db.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The words stored in the channel column, in the order the user is shown
// them, like Variant and Condition in core/stock.h. Nothing here checks that
// a sale uses one of them.
namespace SaleChannel {
inline constexpr const wchar_t* All[] = {L"Market", L"Facebook", L"eBay", L"Website", L"Other"};
} // namespace SaleChannel

// One line of a sale to be made.
struct SaleLine {
    std::string card_id; // UTF-8
    std::wstring variant;
    std::wstring condition;
    int32_t qty = 0;    // a line of 0 or less is passed over
    double price = 0.0; // unit price
    std::wstring channel;
};

// One sale as stored.
struct SaleRecord {
    int64_t sale_id = 0;
    int64_t batch_id = 0; // 0 for a sale stored without one
    std::string card_id;  // UTF-8
    std::wstring name;    // the catalogue's name; empty when the card is not in it
    std::wstring variant;
    std::wstring condition;
    int32_t qty = 0;
    double price = 0.0;   // unit price; 0.0 where none is stored
    std::wstring sold_at; // local time, "YYYY-MM-DD hh:mm:ss"
    std::wstring channel;
};

// How many sales the recent-sales list shows at most.
constexpr int kRecentSalesLimit = 500;

// Records every line with a quantity above 0 as one batch with one time of
// sale, in one transaction: each line takes its units from its sale-stock
// row only when the row holds enough at that moment (earlier lines of the
// call included), and a row sold down to nothing is removed. On false
// nothing was written; error is SQLite's message or "not enough stock to
// sell ...". rows, when given, is 0 unless the call committed. noStock,
// when given, is true only when the call failed because a line found too
// little stock: a locked or failing database is another matter to the user.
bool RecordSales(sqlite3* db, const std::vector<SaleLine>& lines, std::string& error, int32_t* rows = nullptr,
                 bool* noStock = nullptr);

// Puts one sale's units back into the sale stock and deletes the sale. An
// existing stock row keeps its price; a sold-out one comes back at the
// sale's unit price. Runs inside the caller's transaction and leaves its
// rollback to the caller.
bool ReverseSaleRow(sqlite3* db, int64_t saleId, std::string& error);

// Reverses one sale in a transaction of its own.
bool UndoSale(sqlite3* db, int64_t saleId, std::string& error);
// Reverses every listed sale or none of them. An empty list succeeds at
// once. reversed, when given, is 0 unless the call committed.
bool UndoSales(sqlite3* db, const std::vector<int64_t>& saleIds, std::string& error, int32_t* reversed = nullptr);
// Reverses every sale of one recording, all or none; a batch with nothing
// left in it succeeds with 0.
bool ReverseSaleBatch(sqlite3* db, int64_t batchId, std::string& error, int32_t* reversed = nullptr);

// Sets a sale's quantity, unit price and channel, moving the difference in
// quantity out of or back into the sale stock. The quantity must be at
// least 1; a raise needs that many more units in stock.
bool AmendSale(sqlite3* db, int64_t saleId, int32_t newQty, double newPrice, const std::wstring& channel,
               std::string& error);

// Reverses the newest sale. With no sale at all it succeeds with an empty
// message; else message tells the user what was put back and cardId, when
// given, names the card.
bool UndoLastSale(sqlite3* db, std::wstring& message, std::string& error, std::string* cardId = nullptr);

// Newest first. After a failure the list holds the rows read before it. A
// database without a catalogue yet lists its sales with empty names.
bool LoadRecentSales(sqlite3* db, std::vector<SaleRecord>& sales, std::string& error);
bool LoadSalesForCard(sqlite3* db, const std::string& cardId, std::vector<SaleRecord>& sales, std::string& error);

// All sales for an empty card id, else the card's; 0 when it cannot be read.
int32_t CountSales(sqlite3* db, const std::string& cardId);

// The UTF-8 text of one result column; the same reader as ColumnTextString.
inline std::string ColumnTextA(sqlite3_stmt* stmt, int column)
{
    return ColumnTextString(stmt, column);
}
