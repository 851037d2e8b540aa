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
    std::vector<std::string> StockRows() { return Rows("SELECT inv_id, card_id, qty, price FROM inventory ORDER BY inv_id;"); }
    // Every value, with its type, of every table a sale touches, and the id counters.
    std::vector<std::string> Everything()
    {
        std::vector<std::string> rows;
        for (const char* sql :
             {"SELECT quote(sale_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price), "
              "quote(sold_at), quote(channel), quote(batch_id) FROM sales ORDER BY sale_id;",
              "SELECT quote(inv_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price) "
              "FROM inventory ORDER BY inv_id;",
              "SELECT quote(coll_id), quote(card_id), quote(qty) FROM collection ORDER BY coll_id;",
              "SELECT name, seq FROM sqlite_sequence ORDER BY name;"})
            for (std::string& row : Rows(sql))
                rows.push_back(row);
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
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
        if (sqlite3_stmt_busy(s) && std::strstr(sqlite3_sql(s), "MAX(batch_id)"))
            return 1;
    return 0;
}

} // namespace

TEST_F(SalesTest, RecordSalesWritesAllLinesOrNoneAndFlagsOnlyALackOfStock)
{
    Stock("('a', 'Holo', 'Mint', 3, 10.0), ('b', 'Holo', 'Mint', 2, 0.5), ('boom', 'Holo', 'Mint', 1, 1.0)");
    const std::vector<std::string> before = Everything();
    // A long non-ASCII id is named whole in the error.
    const std::string longId = "sv3pt5-\xE3\x83\x9D\xE3\x82\xB1-" + std::string(300, '7');
    std::string error;
    int32_t rows = 99;
    bool noStock = false;
    for (const std::vector<SaleLine>& lines : {std::vector<SaleLine>{Line("b", 1), Line("a", 1, L"Played")},
                                               {Line("a", 2), Line("a", 2)}, // either line, but not both
                                               {Line(longId, 1)}}) {
        noStock = false;
        EXPECT_FALSE(RecordSales(db.get(), lines, error, &rows, &noStock));
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(noStock);
        EXPECT_EQ(Everything(), before);
        EXPECT_TRUE(lines[0].card_id != longId || error.find(longId) != std::string::npos) << error;
    }

    // A database failure after lines were written is not a lack of stock.
    for (const std::string write : {"BEFORE INSERT ON sales WHEN NEW", "BEFORE DELETE ON inventory WHEN OLD"}) {
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
    EXPECT_EQ(Everything(), before);

    // Lines that fit together sell from what the one before left.
    ASSERT_TRUE(RecordSales(db.get(), {Line("a", 2), Line("a", 1)}, error, nullptr, &noStock)) << error;
    EXPECT_FALSE(noStock);
    EXPECT_TRUE(Rows("SELECT * FROM inventory WHERE card_id = 'a';").empty());
}

TEST_F(SalesTest, UndoAndAmendReverseWholeOrNotAtAll)
{
    Stock("('a', 'Holo', 'Mint', 5, 4.0), ('b', 'Holo', 'Mint', 1, 3.0)");
    Sell({Line("a", 1)});
    Sell({Line("a", 2), Line("b", 1)});
    const std::vector<std::string> before = Everything();
    // An unknown id, a sale listed twice, and a failure after a first sale went back.
    Exec("CREATE TRIGGER fail BEFORE DELETE ON sales WHEN OLD.sale_id = 3 BEGIN SELECT RAISE(ABORT, 'x'); END;");
    std::string error;
    int32_t reversed = 99;
    for (const std::vector<int64_t>& ids : {std::vector<int64_t>{1, 2, 42}, {2, 2}, {1, 3}}) {
        EXPECT_FALSE(UndoSales(db.get(), ids, error, &reversed));
        EXPECT_EQ(reversed, 0);
        EXPECT_EQ(Everything(), before);
    }
    // Amending beyond stock, and a sales row failing after the stock moved, change nothing.
    EXPECT_FALSE(AmendSale(db.get(), 2, 6, 3.25, L"Market", error));
    Exec("DROP TRIGGER fail; CREATE TRIGGER fail BEFORE UPDATE ON sales BEGIN SELECT RAISE(ABORT, 'x'); END;");
    EXPECT_FALSE(AmendSale(db.get(), 2, 1, 3.25, L"Market", error));
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);

    // Amending moves the difference; a sold-out row comes back at its sale price, a held row keeps its own.
    ASSERT_TRUE(AmendSale(db.get(), 2, 3, 6.5, L"eBay", error)) << error;
    EXPECT_EQ(Rows("SELECT qty, price, channel FROM sales WHERE sale_id = 2;"), std::vector<std::string>{"3|6.5|eBay"});
    EXPECT_EQ(StockRows(), std::vector<std::string>{"1|a|1|4.0"});
    ASSERT_TRUE(UndoSales(db.get(), {3, 1}, error)) << error;
    EXPECT_EQ(Rows("SELECT sale_id FROM sales;"), std::vector<std::string>{"2"});
    EXPECT_EQ(StockRows(), (std::vector<std::string>{"1|a|2|4.0", "3|b|1|1.0"}));
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
    std::string error, cardId;
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_EQ(cardId, longId);
    // Named whole, never cut short.
    EXPECT_NE(message.find(std::wstring(300, L'\x30DD')), std::wstring::npos);
    EXPECT_EQ(Rows("SELECT sale_id FROM sales;"), std::vector<std::string>{"1"});
    EXPECT_EQ(Rows("SELECT qty FROM inventory ORDER BY inv_id;"), (std::vector<std::string>{"4", "3"}));
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_EQ(cardId, "a");
    // With no sale left there is nothing to undo.
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &cardId)) << error;
    EXPECT_TRUE(cardId.empty());
    EXPECT_EQ(Rows("SELECT qty FROM inventory ORDER BY inv_id;"), (std::vector<std::string>{"5", "3"}));
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
    EXPECT_EQ(Rows("SELECT sale_id FROM sales ORDER BY sale_id;"), (std::vector<std::string>{"1", "4"}));
    EXPECT_EQ(StockRows(), (std::vector<std::string>{"1|a|3|4.0", "4|b|1|1.0"}));
}

TEST_F(SalesTest, SalesListNewestFirstWithOneBatchAndTimePerRecording)
{
    Stock("('a', 'Holo', 'Mint', 10, 4.0), ('b', 'Holo', 'Mint', 10, 3.0)");
    Sell({Line("a", 1), Line("b", 2), Line("a", 1)});
    Sell({Line("a", 3)});
    const auto list = [](const std::vector<SaleRecord>& sales) {
        std::vector<std::string> rows;
        for (const SaleRecord& s : sales)
            rows.push_back(std::to_string(s.sale_id) + "|" + std::to_string(s.batch_id) + "|" + WideToUtf8(s.name));
        return rows;
    };
    // Before the first catalogue update there are no names, and no error.
    std::vector<SaleRecord> sales;
    std::string error;
    ASSERT_TRUE(LoadRecentSales(db.get(), sales, error)) << error;
    EXPECT_EQ(list(sales), (std::vector<std::string>{"4|2|", "3|1|", "2|1|", "1|1|"}));
    EXPECT_EQ(sales[1].sold_at, sales[3].sold_at);
    EXPECT_EQ(sales[2].sold_at, sales[3].sold_at);

    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("INSERT INTO catalogue (card_id, name) VALUES ('a', 'Alakazam');");
    ASSERT_TRUE(LoadSalesForCard(db.get(), "a", sales, error)) << error;
    EXPECT_EQ(list(sales), (std::vector<std::string>{"4|2|Alakazam", "3|1|Alakazam", "1|1|Alakazam"}));
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

    // A ledger that cannot be read is an error, never an empty list.
    Exec("DROP TABLE sales;");
    EXPECT_FALSE(LoadRecentSales(db.get(), sales, error));
    EXPECT_TRUE(sales.empty());
    EXPECT_FALSE(LoadSalesForCard(db.get(), "a", sales, error));
}
