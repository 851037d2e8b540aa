#include "core/sales.h"

#include "tests/core/ledger_db_fixture.h"

#include <cstring>

namespace {

class SalesTest : public LedgerDbTest {
protected:
    // Sale stock rows of (card, variant, condition, qty, price).
    void Stock(const std::string& values)
    {
        Exec(("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES " + values + ";").c_str());
    }

    void Sell(const std::vector<SaleLine>& lines)
    {
        std::string error;
        ASSERT_TRUE(RecordSales(db.get(), lines, error)) << error;
    }

    std::vector<std::string> Sales()
    {
        return Rows("SELECT sale_id, card_id, variant, condition, qty, price, channel, batch_id FROM sales ORDER "
                    "BY sale_id;");
    }

    std::vector<std::string> SaleStock()
    {
        return Rows("SELECT inv_id, card_id, variant, condition, qty, price FROM inventory ORDER BY inv_id;");
    }

    // Every value, with its type, of every table a sale can touch, and the id
    // counters: what "exactly as before" means for a rollback.
    std::vector<std::string> Everything()
    {
        std::vector<std::string> rows;
        for (const char* sql :
             {"SELECT quote(sale_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price), "
              "quote(sold_at), quote(channel), quote(batch_id) FROM sales ORDER BY sale_id;",
              "SELECT quote(inv_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price) "
              "FROM inventory ORDER BY inv_id;",
              "SELECT quote(coll_id), quote(card_id), quote(variant), quote(condition), quote(qty) FROM "
              "collection ORDER BY coll_id;",
              "SELECT name, seq FROM sqlite_sequence ORDER BY name;"}) {
            for (std::string& row : Rows(sql))
                rows.push_back(row);
        }
        return rows;
    }
};

SaleLine Line(const std::string& card, const wchar_t* variant, const wchar_t* condition, int32_t qty, double price)
{
    return {card, variant, condition, qty, price, L"Market"};
}

// Interrupts only the statement that reads the next batch number.
int InterruptBatchRead(void* connection)
{
    sqlite3* db = static_cast<sqlite3*>(connection);
    for (sqlite3_stmt* stmt = sqlite3_next_stmt(db, nullptr); stmt; stmt = sqlite3_next_stmt(db, stmt)) {
        if (sqlite3_stmt_busy(stmt) && std::strstr(sqlite3_sql(stmt), "MAX(batch_id)"))
            return 1;
    }
    return 0;
}

} // namespace

TEST_F(SalesTest, ALineThatLacksStockRecordsNoLineOfTheCall)
{
    Stock("('base1-4', 'Holo', 'Mint', 3, 10.0), ('base1-58', 'Standard', 'Played', 2, 0.5)");
    const std::vector<std::string> before = Everything();
    // A long non-ASCII id is named whole, so the text still converts.
    const std::string longId = "sv3pt5-\xE3\x83\x9D\xE3\x82\xB1-" + std::string(300, '7');

    const std::pair<std::vector<SaleLine>, std::string> cases[] = {
        {{Line("base1-4", L"Holo", L"Mint", 1, 1.0), Line("base1-4", L"Holo", L"Played", 1, 1.0)},
         "not enough stock to sell 1 of base1-4 [Holo / Played]"},
        {{Line("base1-58", L"Standard", L"Played", 1, 1.0), Line("base1-4", L"Holo", L"Mint", 4, 1.0)},
         "not enough stock to sell 4 of base1-4 [Holo / Mint]"},
        // Enough for either line but not both.
        {{Line("base1-4", L"Holo", L"Mint", 2, 1.0), Line("base1-4", L"Holo", L"Mint", 2, 1.0)},
         "not enough stock to sell 2 of base1-4 [Holo / Mint]"},
        {{Line(longId, L"Holo", L"Mint", 1, 1.0)}, "not enough stock to sell 1 of " + longId + " [Holo / Mint]"},
    };
    for (const auto& [lines, expected] : cases) {
        SCOPED_TRACE(expected);
        std::string error;
        int32_t rows = 99;
        EXPECT_FALSE(RecordSales(db.get(), lines, error, &rows));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        EXPECT_EQ(Everything(), before);
    }

    // Lines that fit together sell from what the one before left.
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 1.0), Line("base1-4", L"Holo", L"Mint", 1, 2.0)});
    EXPECT_TRUE(Rows("SELECT * FROM inventory WHERE card_id = 'base1-4';").empty());
    EXPECT_EQ(Rows("SELECT qty FROM sales ORDER BY sale_id;"), (std::vector<std::string>{"2", "1"}));
}

TEST_F(SalesTest, AFailureAfterLinesWereWrittenLeavesEveryTableAsItWas)
{
    Stock("('base1-4', 'Holo', 'Mint', 3, 10.0), ('base1-58', 'Standard', 'Played', 2, 0.5), "
          "('boom', 'Standard', 'Mint', 1, 1.0)");
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 10.0)});
    const std::vector<std::string> before = Everything();

    for (const char* write : {"BEFORE INSERT ON sales WHEN NEW", "BEFORE UPDATE ON inventory WHEN NEW",
                              "BEFORE DELETE ON inventory WHEN OLD"}) {
        SCOPED_TRACE(write);
        Exec(("CREATE TRIGGER fail " + std::string(write) +
              ".card_id = 'boom' BEGIN SELECT RAISE(ABORT, 'injected failure'); END;")
                 .c_str());
        std::string error;
        int32_t rows = 99;
        EXPECT_FALSE(RecordSales(db.get(),
                                 {Line("base1-4", L"Holo", L"Mint", 2, 9.0),
                                  Line("base1-58", L"Standard", L"Played", 2, 1.0),
                                  Line("boom", L"Standard", L"Mint", 1, 1.0)},
                                 error, &rows));
        EXPECT_EQ(error, "injected failure");
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        Exec("DROP TRIGGER fail;");
        EXPECT_EQ(Everything(), before);
    }
}

TEST_F(SalesTest, ABatchNumberThatCannotBeReadFailsTheSaleRatherThanJoiningAnOlderBatch)
{
    Stock("('base1-4', 'Holo', 'Mint', 3, 10.0)");
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 10.0)});
    const std::vector<std::string> before = Everything();

    sqlite3_progress_handler(db.get(), 1, InterruptBatchRead, db.get());
    std::string error;
    EXPECT_FALSE(RecordSales(db.get(), {Line("base1-4", L"Holo", L"Mint", 1, 10.0)}, error));
    sqlite3_progress_handler(db.get(), 0, nullptr, nullptr);
    EXPECT_EQ(error, "interrupted");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, UndoSalesReversesEveryListedSaleOrNone)
{
    Stock("('base1-4', 'Holo', 'Mint', 5, 4.0), ('base1-58', 'Standard', 'Played', 1, 1.0)");
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0)});
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 5.0), Line("base1-58", L"Standard", L"Played", 1, 2.0)});
    const std::vector<std::string> before = Everything();

    std::string error;
    int32_t reversed = 99;
    EXPECT_FALSE(UndoSales(db.get(), {1, 3, 42, 2}, error, &reversed));
    EXPECT_EQ(error, "sale not found");
    EXPECT_EQ(reversed, 0);
    EXPECT_EQ(Everything(), before);
    // A sale listed twice cannot be put back twice.
    EXPECT_FALSE(UndoSales(db.get(), {3, 3}, error, &reversed));
    EXPECT_EQ(Everything(), before);
    // The database fails after a first sale went back.
    Exec("CREATE TRIGGER fail BEFORE DELETE ON sales WHEN OLD.sale_id = 3 BEGIN SELECT RAISE(ABORT, 'injected "
         "failure'); END;");
    EXPECT_FALSE(UndoSales(db.get(), {1, 3}, error, &reversed));
    EXPECT_EQ(error, "injected failure");
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);

    // A sold-out row comes back at its sale price; a held row keeps its own.
    ASSERT_TRUE(UndoSales(db.get(), {3, 1}, error, &reversed)) << error;
    EXPECT_EQ(reversed, 2);
    EXPECT_EQ(Sales(), std::vector<std::string>{"2|base1-4|Holo|Mint|2|5.0|Market|2"});
    EXPECT_EQ(SaleStock(),
              (std::vector<std::string>{"1|base1-4|Holo|Mint|3|4.0", "3|base1-58|Standard|Played|1|2.0"}));
}

TEST_F(SalesTest, AmendingMovesTheDifferenceAndRefusesWhatStockCannotCover)
{
    Stock("('base1-4', 'Holo', 'Mint', 8, 4.0)");
    Sell({Line("base1-4", L"Holo", L"Mint", 3, 6.0)});
    std::string error;
    ASSERT_TRUE(AmendSale(db.get(), 1, 1, 6.5, L"eBay", error)) << error;
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"1|base1-4|Holo|Mint|7|4.0"});
    // Up to the last unit removes the row; down again brings it back at the
    // sale's old unit price, not the amended one.
    ASSERT_TRUE(AmendSale(db.get(), 1, 8, 6.5, L"eBay", error)) << error;
    EXPECT_TRUE(SaleStock().empty());
    ASSERT_TRUE(AmendSale(db.get(), 1, 6, 7.0, L"eBay", error)) << error;
    EXPECT_EQ(Sales(), std::vector<std::string>{"1|base1-4|Holo|Mint|6|7.0|eBay|1"});
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"3|base1-4|Holo|Mint|2|6.5"});

    const std::vector<std::string> before = Everything();
    EXPECT_FALSE(AmendSale(db.get(), 1, 9, 3.25, L"Market", error));
    EXPECT_EQ(error, "not enough stock to raise this sale by 3 (base1-4 [Holo / Mint])");
    EXPECT_EQ(Everything(), before);

    // The sales row fails after the stock moved.
    Exec("CREATE TRIGGER fail BEFORE UPDATE ON sales BEGIN SELECT RAISE(ABORT, 'injected failure'); END;");
    EXPECT_FALSE(AmendSale(db.get(), 1, 2, 3.25, L"Market", error));
    EXPECT_EQ(error, "injected failure");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, ALedgerThatCannotBeReadIsAnErrorNeverAnEmptyList)
{
    Exec("DROP TABLE sales;");
    std::vector<SaleRecord> sales(1);
    std::string error;
    EXPECT_FALSE(LoadRecentSales(db.get(), sales, error));
    EXPECT_EQ(error, "no such table: sales");
    EXPECT_TRUE(sales.empty());
}
