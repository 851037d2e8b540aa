#include "core/stock.h"

#include "tests/core/ledger_db_fixture.h"

using StockTest = LedgerDbTest;
static const std::string kCard = "base1-4";

TEST_F(StockTest, OnlyTheExactKeyCollSelectsTheCollectionAndNoKeyReachesTheSql)
{
    EXPECT_TRUE(IsCollectionLedger(Ledger::Collection));
    int n = 0;
    for (const char* key : {Ledger::Sale, "Coll", "coll ", "", static_cast<const char*>(nullptr),
                            "collection; DROP TABLE inventory; --"}) {
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
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM inventory UNION ALL SELECT COUNT(*) FROM collection;"),
              (std::vector<std::string>{std::to_string(n), "0"}));
}

TEST_F(StockTest, AFailedReadIsReportedAndNeverLooksLikeAnEmptyLedger)
{
    Exec("DROP TABLE inventory;");
    bool read = true;
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Sale, read), 0);
    EXPECT_FALSE(read);
    std::string error;
    std::vector<ConditionRow> conditions;
    EXPECT_FALSE(LoadCardInventory(db.get(), kCard, conditions, error, L"Holo", Ledger::Sale));
    std::vector<StockRow> stock;
    EXPECT_FALSE(LoadCardStock(db.get(), kCard, stock, error));
}

TEST_F(StockTest, AMoveThatFailsAnywhereLeavesBothLedgersAsTheyWere)
{
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 1), "
         "('base1-4', 'Holo', 'Played', 3);"
         "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('base1-4', 'Holo', 'Mint', 2, 5.5);");
    const std::vector<std::string> before = BothLedgers();
    bool moved;
    std::string error;
    // The sale write fails after the collection lost its copy, update or insert.
    Exec("CREATE TRIGGER fail_update BEFORE UPDATE ON inventory BEGIN SELECT RAISE(ABORT, 'x'); END;"
         "CREATE TRIGGER fail_insert BEFORE INSERT ON inventory BEGIN SELECT RAISE(ABORT, 'x'); END;");
    for (const wchar_t* condition : {L"Mint", L"Played"}) {
        moved = true;
        EXPECT_FALSE(MoveOneToSale(db.get(), kCard, L"Holo", condition, moved, error));
        EXPECT_FALSE(moved);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        EXPECT_EQ(BothLedgers(), before);
    }
    Exec("DROP TRIGGER fail_update; DROP TRIGGER fail_insert;");

    // The commit is blocked by a reader.
    DbHandle reader;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), reader, error)) << error;
    ASSERT_TRUE(ExecSql(reader.get(), "BEGIN; SELECT COUNT(*) FROM collection;", error)) << error;
    sqlite3_busy_timeout(db.get(), 50);
    moved = true;
    EXPECT_FALSE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error));
    EXPECT_FALSE(moved);
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    ASSERT_TRUE(ExecSql(reader.get(), "COMMIT;", error)) << error;
    EXPECT_EQ(BothLedgers(), before);

    // Once it is gone, the last copy takes its collection row; the sale row keeps its price.
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error)) << error;
    EXPECT_TRUE(moved);
    EXPECT_EQ(BothLedgers(),
              (std::vector<std::string>{"coll|2|base1-4|Holo|Played|3", "sale|1|base1-4|Holo|Mint|3|5.5"}));
}
