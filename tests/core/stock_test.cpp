#include "core/stock.h"

#include "tests/core/ledger_db_fixture.h"

#include <algorithm>

using StockTest = LedgerDbTest;
static const std::string kCard = "base1-4";

TEST_F(StockTest, EachLedgerReadsAndWritesOnlyItsOwnRows)
{
    std::string error;
    const auto save = [&](Ledger ledger, const wchar_t* variant, const wchar_t* condition, int32_t qty) {
        ASSERT_TRUE(SaveConditionRow(db.get(), kCard, condition, qty, 1.25, error, variant, ledger)) << error;
    };
    // A second save of the same row replaces it rather than adding one.
    save(Ledger::Collection, L"Holo", L"Mint", 99);
    save(Ledger::Collection, L"Holo", L"Mint", 2);
    save(Ledger::Collection, L"Holo", L"Played", 0);
    save(Ledger::Collection, L"Reverse Holo", L"Mint", 7);
    save(Ledger::Sale, L"Holo", L"Mint", 5);
    save(Ledger::Sale, L"Standard", L"Played", 1);
    EXPECT_EQ(BothLedgers(), (std::vector<std::string>{"coll|1|base1-4|Holo|Mint|2", "coll|3|base1-4|Holo|Played|0",
                                                       "coll|4|base1-4|Reverse Holo|Mint|7",
                                                       "sale|1|base1-4|Holo|Mint|5|1.25",
                                                       "sale|2|base1-4|Standard|Played|1|1.25"}));

    bool read = false;
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Collection, read), 9);
    EXPECT_EQ(SumCardQty(db.get(), kCard, Ledger::Sale, read), 6);
    EXPECT_TRUE(read);
    std::vector<ConditionRow> rows;
    ASSERT_TRUE(LoadCardInventory(db.get(), kCard, rows, error, L"Holo", Ledger::Collection)) << error;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].qty + rows[1].qty, 2);
    EXPECT_EQ(rows[0].price + rows[1].price, 0.0);
    // A row counted down to nothing holds no variant.
    std::vector<std::wstring> variants;
    ASSERT_TRUE(LoadHeldVariants(db.get(), kCard, variants, error, Ledger::Collection)) << error;
    std::sort(variants.begin(), variants.end());
    EXPECT_EQ(variants, (std::vector<std::wstring>{L"Holo", L"Reverse Holo"}));
    ASSERT_TRUE(LoadHeldVariants(db.get(), kCard, variants, error, Ledger::Sale)) << error;
    std::sort(variants.begin(), variants.end());
    EXPECT_EQ(variants, (std::vector<std::wstring>{L"Holo", L"Standard"}));

    // A delete takes exactly one row of one ledger.
    ASSERT_TRUE(DeleteConditionRow(db.get(), kCard, L"Mint", error, L"Holo", Ledger::Collection)) << error;
    ASSERT_TRUE(DeleteConditionRow(db.get(), kCard, L"Mint", error, L"Standard", Ledger::Sale)) << error;
    EXPECT_EQ(BothLedgers(), (std::vector<std::string>{"coll|3|base1-4|Holo|Played|0",
                                                       "coll|4|base1-4|Reverse Holo|Mint|7",
                                                       "sale|1|base1-4|Holo|Mint|5|1.25",
                                                       "sale|2|base1-4|Standard|Played|1|1.25"}));
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

    // No copy to move, with no row or a row of none: nothing changes.
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Standard', 'Mint', 0);");
    const std::vector<std::string> withEmptyRow = BothLedgers();
    for (const wchar_t* variant : {L"Standard", L"Reverse Holo"}) {
        moved = true;
        ASSERT_TRUE(MoveOneToSale(db.get(), kCard, variant, L"Mint", moved, error)) << error;
        EXPECT_FALSE(moved);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        EXPECT_EQ(BothLedgers(), withEmptyRow);
    }
    Exec("DELETE FROM collection WHERE qty = 0;");

    // Once it is gone, the last copy takes its collection row; the sale row keeps its price.
    ASSERT_TRUE(MoveOneToSale(db.get(), kCard, L"Holo", L"Mint", moved, error)) << error;
    EXPECT_TRUE(moved);
    EXPECT_EQ(BothLedgers(),
              (std::vector<std::string>{"coll|2|base1-4|Holo|Played|3", "sale|1|base1-4|Holo|Mint|3|5.5"}));
}
