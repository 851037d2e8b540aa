#include "core/stock.h"

#include "tests/core/ledger_db_fixture.h"

using StockTest = LedgerDbTest;
static const std::string kCard = "base1-4";

TEST_F(StockTest, OnlyTheExactKeyCollSelectsTheCollectionAndNoKeyReachesTheSql)
{
    EXPECT_TRUE(IsCollectionLedger(Ledger::Collection));
    const char* const saleKeys[] = {Ledger::Sale, "Coll", "coll ", "", nullptr,
                                    "collection; DROP TABLE inventory; --"};
    int n = 0;
    for (const char* key : saleKeys) {
        SCOPED_TRACE(key ? key : "(null)");
        EXPECT_FALSE(IsCollectionLedger(key));
        const std::string card = "card-" + std::to_string(++n);
        std::string error;
        // A second save of the same row replaces it rather than adding one.
        ASSERT_TRUE(SaveConditionRow(db.get(), card, L"Mint", 99, 9.0, error, L"Holo", key)) << error;
        ASSERT_TRUE(SaveConditionRow(db.get(), card, L"Mint", n, 1.25, error, L"Holo", key)) << error;
        bool read = false;
        EXPECT_EQ(SumCardQty(db.get(), card, key, read), n);
        EXPECT_TRUE(read);
    }
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM inventory;"), std::vector<std::string>{std::to_string(n)});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM collection;"), std::vector<std::string>{"0"});
}

TEST_F(StockTest, AFailedReadIsReportedAndNeverLooksLikeAnEmptyLedger)
{
    Exec("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Mint', 3, 1);"
         "DROP TABLE inventory;");
    bool read = true;
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Sale, read), 0);
    EXPECT_FALSE(read);
    std::string error;
    std::vector<ConditionRow> conditions;
    EXPECT_FALSE(LoadCardInventory(db.get(), kCard, conditions, error, L"Holo", Ledger::Sale));
    EXPECT_EQ(error, "no such table: inventory");
    error.clear();
    std::vector<StockRow> stock;
    EXPECT_FALSE(LoadCardStock(db.get(), kCard, stock, error));
    EXPECT_EQ(error, "no such table: inventory");
}

TEST_F(StockTest, AMoveThatFailsHalfWayLeavesBothLedgersAsTheyWere)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 1), "
         "('base1-4', 'Holo', 'Played', 3);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Played', 1, 2);"
         // The sale write fails after the collection lost its copy, insert or update.
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

TEST_F(StockTest, AMoveWhoseCommitIsBlockedByAReaderRollsBackAndGoesThroughOnceItIsGone)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 1);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Mint', 2, 5.5);");
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

    // The last copy takes its collection row with it; the sale row keeps its price.
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error)) << error;
    EXPECT_TRUE(moved);
    EXPECT_EQ(BothLedgers(), std::vector<std::string>{"sale|1|base1-4|Holo|Mint|3|5.5"});
}
