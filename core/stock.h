// The two stock ledgers: the collection (cards kept, counted, never priced)
// and the sale stock (cards for sale, counted and priced), one row per card,
// variant and condition. Every operation works on a connection its caller
// opened and closes; only MoveOneToSale runs a transaction of its own, the
// other writes rely on their caller's.
#pragma once

#include "core/db.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

enum class Ledger { Collection, Sale };

// The word variant_location.ledger stores for the ledger: "coll" or "sale".
// Files written by every earlier build hold these words, so they never
// change.
const char* LedgerKey(Ledger ledger);

// The words stored in the variant and condition columns, in the order the
// user is shown them. Nothing here checks that a row uses one of them.
namespace Variant {
inline constexpr const wchar_t* All[] = {L"Standard", L"Holo", L"Reverse Holo", L"Other"};
} // namespace Variant
namespace Condition {
inline constexpr const wchar_t* All[] = {L"Mint", L"Near Mint", L"Played"};
} // namespace Condition

// One condition of one card and variant in a ledger.
struct ConditionRow {
    std::wstring condition;
    int32_t qty = 0;
    double price = 0.0; // unit price; 0.0 in the collection and where none is stored
};

// One sale-stock row of a card.
struct StockRow {
    std::wstring variant;
    std::wstring condition;
    int32_t qty = 0;
    double price = 0.0; // unit price; 0.0 where none is stored
};

// Reads fill their list in the query's order; after a failure it holds the
// rows read before it. Errors are SQLite's own messages.

// Every condition row of the card and variant, zero quantities included.
bool LoadCardInventory(sqlite3* db, const std::string& cardId, std::vector<ConditionRow>& rows, std::string& error,
                       const std::wstring& variant, Ledger ledger);
// Creates the row or updates it in place; the collection ignores the price.
bool SaveConditionRow(sqlite3* db, const std::string& cardId, const std::wstring& condition, int32_t qty,
                      double price, std::string& error, const std::wstring& variant, Ledger ledger);
bool DeleteConditionRow(sqlite3* db, const std::string& cardId, const std::wstring& condition, std::string& error,
                        const std::wstring& variant, Ledger ledger);
// Each variant with at least one row above zero, once, in no set order.
bool LoadHeldVariants(sqlite3* db, const std::string& cardId, std::vector<std::wstring>& variants,
                      std::string& error, Ledger ledger);
// The card's total over all its variants and conditions. A failed read
// gives 0 with read false, so a caller must look at read before it shows
// the total: an unreadable ledger is not an empty one.
int32_t SumCardQty(sqlite3* db, const std::string& cardId, Ledger ledger, bool& read);
// The card's sale-stock rows above zero, by variant, then condition.
bool LoadCardStock(sqlite3* db, const std::string& cardId, std::vector<StockRow>& rows, std::string& error);

// LoadCardStock for card after card on one prepared statement: with a whole
// catalogue ticked, preparing the query once per card took seconds.
class CardStockReader {
public:
    // False with SQLite's message when the query cannot be prepared.
    bool Prepare(sqlite3* db, std::string& error);
    // One card's rows, as LoadCardStock gives them; a failed read leaves
    // the reader ready for the next card.
    bool Load(const std::string& cardId, std::vector<StockRow>& rows, std::string& error);

private:
    StmtHandle stmt_;
};

// Moves one copy of the card, variant and condition from the collection into
// the sale stock, keeping the sale row's price, all or nothing. With no copy
// in the collection it succeeds with moved false and changes nothing.
bool MoveOneToSale(sqlite3* db, const std::string& cardId, const std::wstring& variant,
                   const std::wstring& condition, bool& moved, std::string& error);
