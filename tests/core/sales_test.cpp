#include "core/sales.h"

#include "core/catalogue.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"

#include <cstring>

namespace {

class SalesTest : public LedgerDbTest {
protected:
    void Stock(const std::string& values)
    {
        Exec(("INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES " + values + ";").c_str());
    }

    void Sell(const std::vector<SaleLine>& lines)
    {
        std::string error;
        ASSERT_TRUE(RecordSales(db.get(), lines, error)) << error;
    }

    std::vector<std::string> SaleStock()
    {
        return Rows("SELECT inv_id, card_id, variant, condition, qty, price FROM inventory ORDER BY inv_id;");
    }

    // Every value, with its type, of every table a sale touches, and the id counters.
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

SaleLine Line(const std::string& card, int32_t qty, const wchar_t* condition = L"Mint")
{
    return {card, L"Holo", condition, qty, 1.0, L"Market"};
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
    Stock("('a', 'Holo', 'Mint', 3, 10.0), ('b', 'Holo', 'Mint', 2, 0.5)");
    const std::vector<std::string> before = Everything();
    // A long non-ASCII id is named whole in the error.
    const std::string longId = "sv3pt5-\xE3\x83\x9D\xE3\x82\xB1-" + std::string(300, '7');
    for (const std::vector<SaleLine>& lines : {std::vector<SaleLine>{Line("a", 1), Line("a", 1, L"Played")},
                                               {Line("b", 1), Line("a", 4)},
                                               {Line("a", 2), Line("a", 2)}, // either line, but not both
                                               {Line(longId, 1)}}) {
        std::string error;
        int32_t rows = 99;
        bool noStock = false;
        EXPECT_FALSE(RecordSales(db.get(), lines, error, &rows, &noStock));
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(noStock);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        EXPECT_EQ(Everything(), before);
        EXPECT_TRUE(lines[0].card_id != longId || error.find(longId) != std::string::npos) << error;
    }

    // Lines that fit together sell from what the one before left.
    bool noStock = true;
    std::string error;
    ASSERT_TRUE(RecordSales(db.get(), {Line("a", 2), Line("a", 1)}, error, nullptr, &noStock)) << error;
    EXPECT_FALSE(noStock);
    EXPECT_TRUE(Rows("SELECT * FROM inventory WHERE card_id = 'a';").empty());
}

TEST_F(SalesTest, AFailureAfterLinesWereWrittenLeavesEveryTableAsItWas)
{
    Stock("('a', 'Holo', 'Mint', 3, 10.0), ('b', 'Holo', 'Mint', 2, 0.5), ('boom', 'Holo', 'Mint', 1, 1.0)");
    Sell({Line("a", 1)});
    const std::vector<std::string> before = Everything();
    std::string error;
    int32_t rows = 99;
    // None of these failures is a lack of stock, which the seller would
    // take as a reason to stop trying.
    bool noStock = true;

    for (const std::string write : {"BEFORE INSERT ON sales WHEN NEW", "BEFORE UPDATE ON inventory WHEN NEW",
                                    "BEFORE DELETE ON inventory WHEN OLD"}) {
        SCOPED_TRACE(write);
        Exec(("CREATE TRIGGER fail " + write + ".card_id = 'boom' BEGIN SELECT RAISE(ABORT, 'x'); END;").c_str());
        noStock = true;
        EXPECT_FALSE(RecordSales(db.get(), {Line("a", 2), Line("b", 2), Line("boom", 1)}, error, &rows, &noStock));
        EXPECT_EQ(rows, 0);
        EXPECT_FALSE(noStock);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        Exec("DROP TRIGGER fail;");
        EXPECT_EQ(Everything(), before);
    }

    // A batch number that cannot be read fails the sale rather than joining an older batch.
    sqlite3_progress_handler(db.get(), 1, InterruptBatchRead, db.get());
    noStock = true;
    EXPECT_FALSE(RecordSales(db.get(), {Line("a", 1)}, error, nullptr, &noStock));
    EXPECT_FALSE(noStock);
    sqlite3_progress_handler(db.get(), 0, nullptr, nullptr);
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(Everything(), before);

    // Another program holding the write lock.
    DbHandle other;
    ASSERT_TRUE(OpenDb(DatabasePath(), other, error)) << error;
    ASSERT_TRUE(ExecSql(other.get(), "BEGIN IMMEDIATE;", error)) << error;
    sqlite3_busy_timeout(db.get(), 0);
    noStock = true;
    EXPECT_FALSE(RecordSales(db.get(), {Line("a", 1)}, error, nullptr, &noStock));
    EXPECT_FALSE(noStock);
    EXPECT_NE(error.find("locked"), std::string::npos) << error;
    ASSERT_TRUE(ExecSql(other.get(), "ROLLBACK;", error)) << error;
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, UndoSalesReversesEveryListedSaleOrNone)
{
    Stock("('a', 'Holo', 'Mint', 5, 4.0), ('b', 'Holo', 'Mint', 1, 3.0)");
    Sell({Line("a", 1)});
    Sell({Line("a", 2), Line("b", 1)});
    const std::vector<std::string> before = Everything();

    // An unknown id, a sale listed twice, and a failure after a first sale went back.
    Exec("CREATE TRIGGER fail BEFORE DELETE ON sales WHEN OLD.sale_id = 3 BEGIN SELECT RAISE(ABORT, 'x'); END;");
    for (const std::vector<int64_t>& ids : {std::vector<int64_t>{1, 2, 42}, {2, 2}, {1, 3}}) {
        std::string error;
        int32_t reversed = 99;
        EXPECT_FALSE(UndoSales(db.get(), ids, error, &reversed));
        EXPECT_EQ(reversed, 0);
        EXPECT_EQ(Everything(), before);
    }
    Exec("DROP TRIGGER fail;");

    // A sold-out row comes back at its sale price; a held row keeps its own.
    std::string error;
    ASSERT_TRUE(UndoSales(db.get(), {3, 1}, error)) << error;
    EXPECT_EQ(Rows("SELECT sale_id FROM sales;"), std::vector<std::string>{"2"});
    EXPECT_EQ(SaleStock(), (std::vector<std::string>{"1|a|Holo|Mint|3|4.0", "3|b|Holo|Mint|1|1.0"}));
}

TEST_F(SalesTest, AmendingMovesTheDifferenceAndRefusesWhatStockCannotCover)
{
    Stock("('a', 'Holo', 'Mint', 8, 4.0)");
    Sell({{"a", L"Holo", L"Mint", 3, 6.0, L"Market"}});
    std::string error;
    ASSERT_TRUE(AmendSale(db.get(), 1, 1, 6.5, L"eBay", error)) << error;
    // Up to the last unit removes the row; down again restores it at the sale's old price.
    ASSERT_TRUE(AmendSale(db.get(), 1, 8, 6.5, L"eBay", error)) << error;
    EXPECT_TRUE(SaleStock().empty());
    ASSERT_TRUE(AmendSale(db.get(), 1, 6, 7.0, L"eBay", error)) << error;
    EXPECT_EQ(Rows("SELECT qty, price, channel FROM sales;"), std::vector<std::string>{"6|7.0|eBay"});
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"3|a|Holo|Mint|2|6.5"});

    // One more than stock covers; then the sales row failing after the stock moved.
    const std::vector<std::string> before = Everything();
    EXPECT_FALSE(AmendSale(db.get(), 1, 9, 3.25, L"Market", error));
    EXPECT_EQ(Everything(), before);
    Exec("CREATE TRIGGER fail BEFORE UPDATE ON sales BEGIN SELECT RAISE(ABORT, 'x'); END;");
    EXPECT_FALSE(AmendSale(db.get(), 1, 2, 3.25, L"Market", error));
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, UndoLastSaleReversesOnlyTheNewestSaleAndAllItsUnits)
{
    std::string longId;
    for (int i = 0; i < 300; ++i)
        longId += "\xE3\x83\x9D"; // one Japanese character
    Stock("('a', 'Holo', 'Mint', 5, 4.0), ('" + longId + "', 'Holo', 'Mint', 3, 2.0)");
    Sell({Line("a", 1)});
    Sell({Line(longId, 2)});

    std::wstring message;
    std::string error;
    std::string cardId;
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_EQ(cardId, longId);
    // Named whole, never cut short.
    EXPECT_NE(message.find(std::wstring(300, L'\x30DD') + L" [Holo / Mint]"), std::wstring::npos);
    EXPECT_EQ(Rows("SELECT sale_id FROM sales;"), std::vector<std::string>{"1"});
    EXPECT_EQ(Rows("SELECT card_id, qty FROM inventory ORDER BY inv_id;"),
              (std::vector<std::string>{"a|4", longId + "|3"}));

    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_EQ(cardId, "a");
    // With no sale left there is nothing to undo, and nothing to say.
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_TRUE(message.empty());
    EXPECT_TRUE(cardId.empty());
    EXPECT_EQ(Rows("SELECT card_id, qty FROM inventory ORDER BY inv_id;"),
              (std::vector<std::string>{"a|5", longId + "|3"}));
}

TEST_F(SalesTest, ABatchIsReversedWholeOrNotAtAll)
{
    Stock("('a', 'Holo', 'Mint', 5, 4.0), ('b', 'Holo', 'Mint', 1, 3.0)");
    Sell({Line("a", 1)});
    Sell({Line("a", 2), Line("b", 1)});
    Sell({Line("a", 1)});
    const std::vector<std::string> before = Everything();

    // The second card's sale fails after the first one went back.
    Exec("CREATE TRIGGER fail BEFORE DELETE ON sales WHEN OLD.card_id = 'b' BEGIN SELECT RAISE(ABORT, 'x'); END;");
    std::string error;
    int32_t reversed = 99;
    EXPECT_FALSE(ReverseSaleBatch(db.get(), 2, error, &reversed));
    EXPECT_EQ(reversed, 0);
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(Everything(), before);
    Exec("DROP TRIGGER fail;");

    ASSERT_TRUE(ReverseSaleBatch(db.get(), 2, error, &reversed)) << error;
    EXPECT_EQ(reversed, 2);
    EXPECT_EQ(Rows("SELECT sale_id, batch_id FROM sales ORDER BY sale_id;"),
              (std::vector<std::string>{"1|1", "4|3"}));
    // The sold-out card comes back at its sale price.
    EXPECT_EQ(SaleStock(), (std::vector<std::string>{"1|a|Holo|Mint|3|4.0", "4|b|Holo|Mint|1|1.0"}));
    ASSERT_TRUE(ReverseSaleBatch(db.get(), 2, error, &reversed)) << error;
    EXPECT_EQ(reversed, 0);
}

TEST_F(SalesTest, SalesListNewestFirstWithOneBatchAndTimePerRecording)
{
    Stock("('a', 'Holo', 'Mint', 10, 4.0), ('b', 'Holo', 'Mint', 10, 3.0)");
    Sell({Line("a", 1), Line("b", 2), Line("a", 1, L"Mint")});
    Sell({Line("a", 3)});
    const auto list = [](const std::vector<SaleRecord>& sales) {
        std::vector<std::string> rows;
        for (const SaleRecord& sale : sales)
            rows.push_back(std::to_string(sale.sale_id) + "|" + std::to_string(sale.batch_id) + "|" + sale.card_id +
                           "|" + WideToUtf8(sale.name) + "|" + std::to_string(sale.qty));
        return rows;
    };

    // Before the first catalogue update there are no names, and no error.
    std::vector<SaleRecord> sales;
    std::string error;
    ASSERT_TRUE(LoadRecentSales(db.get(), sales, error)) << error;
    EXPECT_EQ(list(sales), (std::vector<std::string>{"4|2|a||3", "3|1|a||1", "2|1|b||2", "1|1|a||1"}));
    EXPECT_EQ(sales[1].sold_at, sales[3].sold_at);
    EXPECT_EQ(sales[2].sold_at, sales[3].sold_at);
    EXPECT_FALSE(sales[3].sold_at.empty());

    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("INSERT INTO catalogue (card_id, name) VALUES ('a', 'Alakazam');");
    ASSERT_TRUE(LoadSalesForCard(db.get(), "a", sales, error)) << error;
    EXPECT_EQ(list(sales), (std::vector<std::string>{"4|2|a|Alakazam|3", "3|1|a|Alakazam|1", "1|1|a|Alakazam|1"}));
    ASSERT_TRUE(LoadSalesForCard(db.get(), "b", sales, error)) << error;
    EXPECT_EQ(list(sales), std::vector<std::string>{"2|1|b||2"});
    EXPECT_EQ(CountSales(db.get(), ""), 4);
    EXPECT_EQ(CountSales(db.get(), "a"), 3);
    EXPECT_EQ(CountSales(db.get(), "zz"), 0);

    // Only the newest 500 are listed.
    Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
         "INSERT INTO sales (card_id, condition, qty, sold_at) SELECT 'c', 'Mint', 1, '' FROM n;");
    ASSERT_TRUE(LoadRecentSales(db.get(), sales, error)) << error;
    ASSERT_EQ(sales.size(), 500u);
    EXPECT_EQ(sales.front().sale_id, 604);
    EXPECT_EQ(sales.back().sale_id, 105);
    EXPECT_EQ(CountSales(db.get(), ""), 604);
}

TEST_F(SalesTest, ALedgerThatCannotBeReadIsAnErrorNeverAnEmptyList)
{
    Exec("DROP TABLE sales;");
    std::vector<SaleRecord> sales(1);
    std::string error;
    EXPECT_FALSE(LoadRecentSales(db.get(), sales, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(sales.empty());
    EXPECT_FALSE(LoadSalesForCard(db.get(), "a", sales, error));
    EXPECT_EQ(CountSales(db.get(), ""), 0);
}
