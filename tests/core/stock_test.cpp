#include "core/stock.h"

#include "tests/core/ledger_db_fixture.h"

#include <windows.h>

#include <algorithm>

namespace {

using StockTest = LedgerDbTest;

const std::string kCard = "base1-4";

} // namespace

TEST_F(StockTest, OnlyTheExactKeyCollSelectsTheCollection)
{
    EXPECT_TRUE(IsCollectionLedger("coll"));
    EXPECT_TRUE(IsCollectionLedger(Ledger::Collection));

    // Every other key means the sale stock, and none of them reaches the SQL:
    // the last one would drop the sale stock if it did.
    const char* const saleKeys[] = {Ledger::Sale, "Coll", "COLL", "coll ", "col", "", nullptr,
                                    "collection; DROP TABLE inventory; --"};
    int n = 0;
    for (const char* key : saleKeys) {
        SCOPED_TRACE(key ? key : "(null)");
        EXPECT_FALSE(IsCollectionLedger(key));
        const std::string card = "card-" + std::to_string(++n);
        std::string error;
        ASSERT_TRUE(SaveConditionRow(db.get(), card, L"Mint", n, 1.25, error, L"Holo", key)) << error;
        bool read = false;
        EXPECT_EQ(SumCardQty(db.get(), card, key, read), n);
        EXPECT_TRUE(read);
        std::vector<ConditionRow> rows;
        ASSERT_TRUE(LoadCardInventory(db.get(), card, rows, error, L"Holo", key)) << error;
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].price, 1.25);
    }
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM inventory;"), std::vector<std::string>{std::to_string(n)});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM collection;"), std::vector<std::string>{"0"});
}

TEST_F(StockTest, SavingOverARowUpdatesItInPlaceAndTheCollectionStoresNoPrice)
{
    std::string error;
    ASSERT_TRUE(SaveConditionRow(db.get(), kCard, L"Near Mint", 1, 2.00, error, L"Holo", Ledger::Sale)) << error;
    ASSERT_TRUE(SaveConditionRow(db.get(), kCard, L"Near Mint", 3, 4.50, error, L"Holo", Ledger::Sale)) << error;
    ASSERT_TRUE(SaveConditionRow(db.get(), kCard, L"Near Mint", 2, 9.99, error, L"Holo", Ledger::Collection))
        << error;
    ASSERT_TRUE(SaveConditionRow(db.get(), kCard, L"Near Mint", 5, 7.00, error, L"Holo", Ledger::Collection))
        << error;

    // One row each, under the id of its first save.
    EXPECT_EQ(BothLedgers(), (std::vector<std::string>{"coll|1|base1-4|Holo|Near Mint|5",
                                                       "sale|1|base1-4|Holo|Near Mint|3|4.5"}));

    std::vector<ConditionRow> rows = {{L"stale", 9, 9.0}};
    ASSERT_TRUE(LoadCardInventory(db.get(), kCard, rows, error, L"Holo", Ledger::Collection)) << error;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].condition, L"Near Mint");
    EXPECT_EQ(rows[0].qty, 5);
    EXPECT_EQ(rows[0].price, 0.0);
}

TEST_F(StockTest, ReadsAndDeletesKeepToTheirLedgerCardVariantAndCondition)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
         "('base1-4', 'Standard', 'Played', 2, NULL), ('base1-4', 'Standard', 'Mint', 0, 3.5), "
         "('base1-4', 'Reverse Holo', 'Mint', 1, 8), ('base1-4', 'Holo', 'Near Mint', 4, 6), "
         "('base1-4', 'Holo', 'Mint', 1, 12), ('other', 'Holo', 'Mint', 7, 1);"
         "INSERT INTO collection (card_id, variant, condition, qty) VALUES "
         "('base1-4', 'Other', 'Mint', 9), ('base1-4', 'Standard', 'Mint', 1);");
    std::string error;

    // Zero quantities are stock rows the editor shows; a NULL price reads 0.
    std::vector<ConditionRow> conditions;
    ASSERT_TRUE(LoadCardInventory(db.get(), kCard, conditions, error, L"Standard", Ledger::Sale)) << error;
    ASSERT_EQ(conditions.size(), 2u);
    for (const ConditionRow& row : conditions) {
        if (row.condition == L"Played") {
            EXPECT_EQ(row.qty, 2);
            EXPECT_EQ(row.price, 0.0);
        } else {
            EXPECT_EQ(row.condition, L"Mint");
            EXPECT_EQ(row.qty, 0);
            EXPECT_EQ(row.price, 3.5);
        }
    }

    // Held variants skip the zero row; the sum counts every variant.
    std::vector<std::wstring> variants;
    ASSERT_TRUE(LoadHeldVariants(db.get(), kCard, variants, error, Ledger::Sale)) << error;
    std::sort(variants.begin(), variants.end());
    EXPECT_EQ(variants, (std::vector<std::wstring>{L"Holo", L"Reverse Holo", L"Standard"}));
    bool read = false;
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Sale, read), 8);
    EXPECT_TRUE(read);
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Collection, read), 10);
    EXPECT_TRUE(read);
    read = false;
    EXPECT_EQ(SumCardQty(db.get(), "no-such-card", Ledger::Sale, read), 0);
    EXPECT_TRUE(read);

    // The review-sales rows: sale stock only, above zero, in binary order.
    std::vector<StockRow> stock;
    ASSERT_TRUE(LoadCardStock(db.get(), kCard, stock, error)) << error;
    std::vector<std::wstring> order;
    for (const StockRow& row : stock)
        order.push_back(row.variant + L"/" + row.condition + L"/" + std::to_wstring(row.qty));
    EXPECT_EQ(order, (std::vector<std::wstring>{L"Holo/Mint/1", L"Holo/Near Mint/4", L"Reverse Holo/Mint/1",
                                                L"Standard/Played/2"}));
    EXPECT_EQ(stock[0].price, 12.0);
    EXPECT_EQ(stock[3].price, 0.0);

    // A delete takes exactly one row of the one ledger.
    ASSERT_TRUE(DeleteConditionRow(db.get(), kCard, L"Mint", error, L"Standard", Ledger::Collection)) << error;
    EXPECT_EQ(Rows("SELECT variant, condition FROM collection;"), std::vector<std::string>{"Other|Mint"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM inventory WHERE variant = 'Standard' AND condition = 'Mint';"),
              std::vector<std::string>{"1"});
}

TEST_F(StockTest, AFailedReadIsReportedAndNeverLooksLikeAnEmptyLedger)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Mint', 3, 1);"
         "DROP TABLE inventory;");
    std::string error;

    bool read = true;
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Sale, read), 0);
    EXPECT_FALSE(read);

    std::vector<ConditionRow> conditions;
    EXPECT_FALSE(LoadCardInventory(db.get(), kCard, conditions, error, L"Holo", Ledger::Sale));
    EXPECT_EQ(error, "no such table: inventory");
    error.clear();
    std::vector<std::wstring> variants;
    EXPECT_FALSE(LoadHeldVariants(db.get(), kCard, variants, error, Ledger::Sale));
    EXPECT_EQ(error, "no such table: inventory");
    error.clear();
    std::vector<StockRow> stock;
    EXPECT_FALSE(LoadCardStock(db.get(), kCard, stock, error));
    EXPECT_EQ(error, "no such table: inventory");
    error.clear();
    EXPECT_FALSE(SaveConditionRow(db.get(), kCard, L"Mint", 1, 1.0, error, L"Holo", Ledger::Sale));
    EXPECT_EQ(error, "no such table: inventory");

    // The other ledger still reads.
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Collection, read), 0);
    EXPECT_TRUE(read);
}

TEST_F(StockTest, AMoveTakesOneCollectionCopyAndKeepsTheSalePrice)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 1), "
         "('base1-4', 'Reverse Holo', 'Played', 2);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Mint', 2, 5.5);");
    bool moved = false;
    std::string error;
    // A new sale row has no price yet.
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Reverse Holo", L"Played", moved, error)) << error;
    EXPECT_TRUE(moved);
    // The last copy takes its collection row with it; the sale row keeps its price.
    moved = false;
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error)) << error;
    EXPECT_TRUE(moved);
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(BothLedgers(), (std::vector<std::string>{"coll|2|base1-4|Reverse Holo|Played|1",
                                                       "sale|1|base1-4|Holo|Mint|3|5.5",
                                                       "sale|2|base1-4|Reverse Holo|Played|1|NULL"}));
    std::vector<ConditionRow> rows;
    ASSERT_TRUE(LoadCardInventory(db.get(), kCard, rows, error, L"Reverse Holo", Ledger::Sale)) << error;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].price, 0.0);
}

TEST_F(StockTest, AMoveWithNothingToMoveChangesNothing)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Played', 0), "
         "('base1-4', 'Holo', 'Mint', 4);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Played', 1, 2);");
    const std::vector<std::string> before = BothLedgers();
    // A zero row, another condition's row only, and no row of the card.
    for (const char* card : {"base1-4", "other"}) {
        for (const wchar_t* condition : {L"Played", L"Near Mint"}) {
            bool moved = true;
            std::string error;
            ASSERT_TRUE(MoveOneToSale(db.get(), card, L"Holo", condition, moved, error)) << error;
            EXPECT_FALSE(moved);
            EXPECT_TRUE(sqlite3_get_autocommit(db.get())) << "the transaction was left open";
        }
    }
    EXPECT_EQ(BothLedgers(), before);
}

TEST_F(StockTest, AMoveThatFailsHalfWayLeavesBothLedgersAsTheyWere)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 1), "
         "('base1-4', 'Holo', 'Played', 3);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Played', 1, 2);"
         // The sale-stock write comes after the collection has already lost
         // its copy; make it fail whether it inserts or updates.
         "CREATE TRIGGER fail_insert BEFORE INSERT ON inventory BEGIN SELECT RAISE(ABORT, 'injected failure'); END;"
         "CREATE TRIGGER fail_update BEFORE UPDATE ON inventory BEGIN SELECT RAISE(ABORT, 'injected failure'); END;");
    const std::vector<std::string> before = BothLedgers();
    for (const wchar_t* condition : {L"Mint", L"Played"}) {
        bool moved = true;
        std::string error;
        EXPECT_FALSE(MoveOneToSale(db.get(), kCard, L"Holo", condition, moved, error));
        EXPECT_FALSE(moved);
        EXPECT_EQ(error, "injected failure");
        EXPECT_TRUE(sqlite3_get_autocommit(db.get())) << "the transaction was left open";
        EXPECT_EQ(BothLedgers(), before);
    }
}

TEST_F(StockTest, AMoveWhoseCommitIsBlockedByAReaderRollsBack)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 2);");
    const std::vector<std::string> before = BothLedgers();

    DbHandle reader;
    std::string error;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), reader, error)) << error;
    ASSERT_TRUE(ExecSql(reader.get(), "BEGIN; SELECT COUNT(*) FROM collection;", error)) << error;
    sqlite3_busy_timeout(db.get(), 50);

    bool moved = true;
    EXPECT_FALSE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error));
    EXPECT_FALSE(moved);
    EXPECT_EQ(error, "database is locked");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get())) << "the transaction was left open";
    ASSERT_TRUE(ExecSql(reader.get(), "COMMIT;", error)) << error;
    EXPECT_EQ(BothLedgers(), before);
}

TEST_F(StockTest, WritesWaitForAnotherConnectionsWriteLockThenFailCleanly)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 2);");
    const std::vector<std::string> before = BothLedgers();

    DbHandle holder;
    std::string error;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), holder, error)) << error;
    ASSERT_TRUE(ExecSql(holder.get(), "BEGIN IMMEDIATE;", error)) << error;

    // The move waits out the whole busy timeout before it gives up.
    bool moved = true;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error));
    EXPECT_GE(GetTickCount64() - start, 2500u);
    EXPECT_FALSE(moved);
    EXPECT_EQ(error, "database is locked");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));

    // The plain writes fail the same way; no need to wait the full timeout again.
    sqlite3_busy_timeout(db.get(), 50);
    error.clear();
    EXPECT_FALSE(SaveConditionRow(db.get(), kCard, L"Mint", 1, 3.0, error, L"Holo", Ledger::Sale));
    EXPECT_EQ(error, "database is locked");
    error.clear();
    EXPECT_FALSE(DeleteConditionRow(db.get(), kCard, L"Mint", error, L"Holo", Ledger::Collection));
    EXPECT_EQ(error, "database is locked");

    ASSERT_TRUE(ExecSql(holder.get(), "ROLLBACK;", error)) << error;
    EXPECT_EQ(BothLedgers(), before);

    // Once the lock is gone the same move goes through.
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error)) << error;
    EXPECT_TRUE(moved);
}
