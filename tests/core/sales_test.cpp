#include "core/sales.h"

#include "core/catalogue.h"
#include "core/log.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"

#include <cstring>
#include <regex>

namespace {

class SalesTest : public LedgerDbTest {
protected:
    // Stock in the sale ledger, one row per call.
    void Stock(const std::string& card, const char* variant, const char* condition, int qty, double price)
    {
        std::string error;
        StmtHandle stmt = PrepareStmt(
            db.get(), "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES (?,?,?,?,?);", error);
        ASSERT_TRUE(stmt) << error;
        BindText(stmt.get(), 1, card);
        BindText(stmt.get(), 2, variant);
        BindText(stmt.get(), 3, condition);
        sqlite3_bind_int(stmt.get(), 4, qty);
        sqlite3_bind_double(stmt.get(), 5, price);
        ASSERT_TRUE(StepDone(stmt.get(), error)) << error;
    }

    // Records one call and fails the test when it does not commit.
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

    // Every value of every table a sale can touch, with its storage type,
    // and the id counters: what "exactly as before" means for a rollback.
    std::vector<std::string> Everything()
    {
        std::vector<std::string> rows = Rows(
            "SELECT quote(sale_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price), "
            "quote(sold_at), quote(channel), quote(batch_id) FROM sales ORDER BY sale_id;");
        for (const char* sql :
             {"SELECT quote(inv_id), quote(card_id), quote(variant), quote(condition), quote(qty), quote(price) "
              "FROM inventory ORDER BY inv_id;",
              "SELECT quote(coll_id), quote(card_id), quote(variant), quote(condition), quote(qty) FROM "
              "collection ORDER BY coll_id;",
              "SELECT name, seq FROM sqlite_sequence ORDER BY name;"}) {
            for (std::string& row : Rows(sql))
                rows.push_back(row);
        }
        return rows;
    }

    std::string LogText()
    {
        CloseDebugLog();
        return ReadFileBytes(folder.File(L"debug.log"));
    }

    bool Logged(const std::string& line) { return LogText().find("] " + line + "\r\n") != std::string::npos; }
};

SaleLine Line(const std::string& card, const wchar_t* variant, const wchar_t* condition, int32_t qty, double price,
              const wchar_t* channel = L"Market")
{
    return {card, variant, condition, qty, price, channel};
}

// A card id with non-ASCII letters, longer than any fixed line buffer.
const std::string kLongId = "sv3pt5-\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\xA2\xE3\x83\xB3-" + std::string(300, '7');

} // namespace

TEST_F(SalesTest, OneCallIsOneBatchWithOneTimeAndTheNextCallIsTheNextBatch)
{
    Stock("base1-4", "Holo", "Mint", 3, 10.0);
    Stock("base1-58", "Standard", "Played", 2, 0.5);
    Exec("INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-4', 'Holo', 'Mint', 7);");

    std::string error;
    int32_t rows = -1;
    ASSERT_TRUE(
        RecordSales(db.get(),
                    {Line("base1-4", L"Holo", L"Mint", 1, 12.5, L"eBay"),
                     Line("base1-4", L"Holo", L"Mint", 0, 99.0), Line("base1-4", L"Holo", L"Mint", -2, 99.0),
                     Line("base1-58", L"Standard", L"Played", 2, 0.75, L"Facebook")},
                    error, &rows))
        << error;
    EXPECT_EQ(rows, 2);

    // The line's price is what was sold for; the stock row keeps its own.
    // Selling a row's last units removes it; the collection is never touched.
    EXPECT_EQ(Sales(), (std::vector<std::string>{"1|base1-4|Holo|Mint|1|12.5|eBay|1",
                                                 "2|base1-58|Standard|Played|2|0.75|Facebook|1"}));
    EXPECT_EQ(BothLedgers(),
              (std::vector<std::string>{"coll|1|base1-4|Holo|Mint|7", "sale|1|base1-4|Holo|Mint|2|10.0"}));

    const std::vector<std::string> stamps = Rows("SELECT DISTINCT sold_at FROM sales;");
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_TRUE(std::regex_match(stamps[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << stamps[0];
    EXPECT_TRUE(Logged("RecordSales committed: 2 sale row(s) at " + stamps[0]));

    Sell({Line("base1-4", L"Holo", L"Mint", 2, 11.0)});
    EXPECT_EQ(Rows("SELECT sale_id, batch_id FROM sales ORDER BY sale_id;"),
              (std::vector<std::string>{"1|1", "2|1", "3|2"}));

    // Nothing to sell still commits, as a call of no rows.
    rows = -1;
    ASSERT_TRUE(RecordSales(db.get(), {Line("base1-4", L"Holo", L"Mint", 0, 1.0)}, error, &rows)) << error;
    EXPECT_EQ(rows, 0);
    ASSERT_TRUE(RecordSales(db.get(), {}, error)) << error;
    EXPECT_NE(LogText().find("RecordSales committed: 0 sale row(s) at "), std::string::npos);
    EXPECT_EQ(Sales().size(), 3u);
}

TEST_F(SalesTest, ALineThatLacksStockRecordsNoLineOfTheCall)
{
    Stock("base1-4", "Holo", "Mint", 3, 10.0);
    Stock("base1-58", "Standard", "Played", 2, 0.5);
    Sell({Line("base1-58", L"Standard", L"Played", 1, 0.5)});
    const std::vector<std::string> before = Everything();

    struct Case {
        const char* what;
        std::vector<SaleLine> lines;
        std::string error;
    };
    const Case cases[] = {
        {"no such stock row",
         {Line("base1-4", L"Holo", L"Mint", 1, 1.0), Line("base1-4", L"Holo", L"Played", 1, 1.0)},
         "not enough stock to sell 1 of base1-4 [Holo / Played]"},
        {"one more than the row holds",
         {Line("base1-58", L"Standard", L"Played", 1, 1.0), Line("base1-4", L"Holo", L"Mint", 4, 1.0)},
         "not enough stock to sell 4 of base1-4 [Holo / Mint]"},
        {"two lines on one row that holds enough for either but not both",
         {Line("base1-4", L"Holo", L"Mint", 2, 1.0), Line("base1-4", L"Holo", L"Mint", 2, 1.0)},
         "not enough stock to sell 2 of base1-4 [Holo / Mint]"},
        // Whole, so the text still converts for the caller's log line.
        {"a long non-ASCII card id",
         {Line(kLongId, L"Holo", L"Mint", 1, 1.0)},
         "not enough stock to sell 1 of " + kLongId + " [Holo / Mint]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        int32_t rows = 99;
        EXPECT_FALSE(RecordSales(db.get(), c.lines, error, &rows));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(rows, 0);
        EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
        EXPECT_EQ(Everything(), before);
        EXPECT_TRUE(Logged("RecordSales rolled back: " + c.error));
    }

    // Two lines that fit together both sell, the second from what the
    // first left, and the row goes when it is empty.
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 1.0), Line("base1-4", L"Holo", L"Mint", 1, 2.0)});
    EXPECT_TRUE(Rows("SELECT * FROM inventory WHERE card_id = 'base1-4';").empty());
    EXPECT_EQ(Rows("SELECT qty, batch_id FROM sales WHERE card_id = 'base1-4' ORDER BY sale_id;"),
              (std::vector<std::string>{"2|2", "1|2"}));
}

TEST_F(SalesTest, AFailureAfterLinesWereWrittenLeavesEveryTableAsItWas)
{
    Stock("base1-4", "Holo", "Mint", 3, 10.0);
    Stock("base1-58", "Standard", "Played", 2, 0.5);
    Stock("boom", "Standard", "Mint", 1, 1.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 10.0)});
    const std::vector<std::string> before = Everything();

    // Each trigger fails one write after earlier lines of the call went in.
    const char* const triggers[] = {
        "CREATE TRIGGER fail BEFORE INSERT ON sales WHEN NEW.card_id = 'boom' BEGIN SELECT RAISE(ABORT, "
        "'injected failure'); END;",
        "CREATE TRIGGER fail BEFORE UPDATE ON inventory WHEN NEW.card_id = 'boom' BEGIN SELECT RAISE(ABORT, "
        "'injected failure'); END;",
        "CREATE TRIGGER fail BEFORE DELETE ON inventory WHEN OLD.card_id = 'boom' BEGIN SELECT RAISE(ABORT, "
        "'injected failure'); END;",
    };
    for (const char* trigger : triggers) {
        SCOPED_TRACE(trigger);
        Exec(trigger);
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

namespace {

// Interrupts only the statement that reads the next batch number, so every
// other statement of the call would still succeed.
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

TEST_F(SalesTest, ABatchNumberThatCannotBeReadFailsTheSaleRatherThanJoiningAnOlderBatch)
{
    Stock("base1-4", "Holo", "Mint", 3, 10.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 10.0)});
    const std::vector<std::string> before = Everything();

    sqlite3_progress_handler(db.get(), 1, InterruptBatchRead, db.get());
    std::string error;
    EXPECT_FALSE(RecordSales(db.get(), {Line("base1-4", L"Holo", L"Mint", 1, 10.0)}, error));
    sqlite3_progress_handler(db.get(), 0, nullptr, nullptr);
    EXPECT_EQ(error, "interrupted");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    EXPECT_EQ(Everything(), before);
    EXPECT_TRUE(Logged("RecordSales rolled back: interrupted"));

    // Reversing the older batch reverses its own sale only.
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 10.0)});
    int32_t reversed = 0;
    ASSERT_TRUE(ReverseSaleBatch(db.get(), 1, error, &reversed)) << error;
    EXPECT_EQ(reversed, 1);
    EXPECT_EQ(Rows("SELECT sale_id, batch_id FROM sales;"), std::vector<std::string>{"2|2"});
}

TEST_F(SalesTest, UndoingPutsTheUnitsBackAtTheRightPrice)
{
    Stock("base1-4", "Holo", "Mint", 2, 4.0);
    Stock("base1-58", "Standard", "Played", 3, 1.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 5.5), Line("base1-58", L"Standard", L"Played", 1, 9.0)});
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"2|base1-58|Standard|Played|2|1.0"});

    // A sold-out row comes back at the price it was sold for; an existing
    // row gains the units and keeps its own price and id.
    std::string error;
    ASSERT_TRUE(UndoSale(db.get(), 1, error)) << error;
    ASSERT_TRUE(UndoSale(db.get(), 2, error)) << error;
    EXPECT_EQ(SaleStock(),
              (std::vector<std::string>{"2|base1-58|Standard|Played|3|1.0", "3|base1-4|Holo|Mint|2|5.5"}));
    EXPECT_TRUE(Sales().empty());
    EXPECT_TRUE(Logged("UndoSale committed: sale_id=2"));

    const std::vector<std::string> before = Everything();
    EXPECT_FALSE(UndoSale(db.get(), 2, error));
    EXPECT_EQ(error, "sale not found");
    EXPECT_TRUE(Logged("UndoSale(2) rolled back: sale not found"));
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, UndoSalesReversesEveryListedSaleOrNone)
{
    Stock("base1-4", "Holo", "Mint", 5, 4.0);
    Stock("base1-58", "Standard", "Played", 1, 1.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0)});
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 5.0), Line("base1-58", L"Standard", L"Played", 1, 2.0)});
    const std::vector<std::string> before = Everything();

    std::string error;
    int32_t reversed = 99;
    EXPECT_FALSE(UndoSales(db.get(), {1, 3, 42, 2}, error, &reversed));
    EXPECT_EQ(error, "sale not found");
    EXPECT_EQ(reversed, 0);
    EXPECT_TRUE(Logged("UndoSales rolled back at sale_id=42: sale not found"));
    EXPECT_EQ(Everything(), before);

    // A sale listed twice cannot be put back twice.
    EXPECT_FALSE(UndoSales(db.get(), {3, 3}, error, &reversed));
    EXPECT_EQ(Everything(), before);

    // A failure of the database itself, after a first sale went back.
    Exec("CREATE TRIGGER fail BEFORE DELETE ON sales WHEN OLD.sale_id = 3 BEGIN SELECT RAISE(ABORT, 'injected "
         "failure'); END;");
    EXPECT_FALSE(UndoSales(db.get(), {1, 3}, error, &reversed));
    EXPECT_EQ(error, "injected failure");
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);

    ASSERT_TRUE(UndoSales(db.get(), {3, 1}, error, &reversed)) << error;
    EXPECT_EQ(reversed, 2);
    EXPECT_TRUE(Logged("UndoSales committed: 2 sale(s) reversed"));
    EXPECT_EQ(Sales(), std::vector<std::string>{"2|base1-4|Holo|Mint|2|5.0|Market|2"});
    EXPECT_EQ(SaleStock(),
              (std::vector<std::string>{"1|base1-4|Holo|Mint|3|4.0", "3|base1-58|Standard|Played|1|2.0"}));

    reversed = 99;
    EXPECT_TRUE(UndoSales(db.get(), {}, error, &reversed));
    EXPECT_EQ(reversed, 0);
}

TEST_F(SalesTest, ReversingABatchTakesBackEveryLineOfThatRecordingOnly)
{
    Stock("base1-4", "Holo", "Mint", 5, 4.0);
    Stock("base1-58", "Standard", "Played", 2, 1.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0), Line("base1-58", L"Standard", L"Played", 2, 2.0)});
    Sell({Line("base1-4", L"Holo", L"Mint", 3, 5.0)});

    std::string error;
    int32_t reversed = 0;
    ASSERT_TRUE(ReverseSaleBatch(db.get(), 1, error, &reversed)) << error;
    EXPECT_EQ(reversed, 2);
    EXPECT_EQ(Sales(), std::vector<std::string>{"3|base1-4|Holo|Mint|3|5.0|Market|2"});
    // (An upsert that updates still uses up an id.)
    EXPECT_EQ(SaleStock(),
              (std::vector<std::string>{"1|base1-4|Holo|Mint|2|4.0", "4|base1-58|Standard|Played|2|2.0"}));

    reversed = 99;
    ASSERT_TRUE(ReverseSaleBatch(db.get(), 1, error, &reversed)) << error;
    EXPECT_EQ(reversed, 0);

    // The number of the newest batch, once wholly reversed, is handed out
    // again.
    ASSERT_TRUE(ReverseSaleBatch(db.get(), 2, error, &reversed)) << error;
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0)});
    EXPECT_EQ(Rows("SELECT batch_id FROM sales;"), std::vector<std::string>{"1"});
}

TEST_F(SalesTest, AmendingMovesTheDifferenceAndRefusesWhatStockCannotCover)
{
    Stock("base1-4", "Holo", "Mint", 8, 4.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 3, 6.0, L"Market")});
    std::string error;

    // Down: the units go back, and the row keeps its price.
    ASSERT_TRUE(AmendSale(db.get(), 1, 1, 6.5, L"eBay", error)) << error;
    EXPECT_EQ(Sales(), std::vector<std::string>{"1|base1-4|Holo|Mint|1|6.5|eBay|1"});
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"1|base1-4|Holo|Mint|7|4.0"});
    EXPECT_TRUE(Logged("AmendSale committed: sale_id=1 qty 3->1"));

    // Up within stock, then up to the last unit, which removes the row.
    ASSERT_TRUE(AmendSale(db.get(), 1, 4, 6.5, L"eBay", error)) << error;
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"1|base1-4|Holo|Mint|4|4.0"});
    ASSERT_TRUE(AmendSale(db.get(), 1, 8, 6.5, L"eBay", error)) << error;
    EXPECT_TRUE(SaleStock().empty());

    // Down from sold out: the row comes back at the sale's old unit price,
    // not the amended one.
    ASSERT_TRUE(AmendSale(db.get(), 1, 6, 7.0, L"eBay", error)) << error;
    EXPECT_EQ(SaleStock(), std::vector<std::string>{"3|base1-4|Holo|Mint|2|6.5"});

    // Only price and channel: the stock is not touched.
    const std::vector<std::string> stock = SaleStock();
    ASSERT_TRUE(AmendSale(db.get(), 1, 6, 3.25, L"Website", error)) << error;
    EXPECT_EQ(Sales(), std::vector<std::string>{"1|base1-4|Holo|Mint|6|3.25|Website|1"});
    EXPECT_EQ(SaleStock(), stock);
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT sold_at) FROM sales;"), std::vector<std::string>{"1"});

    const std::vector<std::string> before = Everything();
    EXPECT_FALSE(AmendSale(db.get(), 1, 9, 3.25, L"Market", error));
    EXPECT_EQ(error, "not enough stock to raise this sale by 3 (base1-4 [Holo / Mint])");
    EXPECT_TRUE(Logged("AmendSale(1) rolled back: " + error));
    EXPECT_EQ(Everything(), before);

    const std::string logBefore = LogText();
    for (int32_t qty : {0, -1}) {
        EXPECT_FALSE(AmendSale(db.get(), 1, qty, 3.25, L"Market", error));
        EXPECT_EQ(error, "amended quantity must be at least 1");
    }
    EXPECT_FALSE(AmendSale(db.get(), 7, 1, 3.25, L"Market", error));
    EXPECT_EQ(error, "sale not found");
    EXPECT_EQ(LogText(), logBefore);
    EXPECT_EQ(Everything(), before);

    // The sales row fails after the stock moved.
    Exec("CREATE TRIGGER fail BEFORE UPDATE ON sales BEGIN SELECT RAISE(ABORT, 'injected failure'); END;");
    EXPECT_FALSE(AmendSale(db.get(), 1, 2, 3.25, L"Market", error));
    EXPECT_EQ(error, "injected failure");
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
    Exec("DROP TRIGGER fail;");
    EXPECT_EQ(Everything(), before);
}

TEST_F(SalesTest, UndoLastSaleReversesTheNewestSaleAndNamesItWhole)
{
    std::wstring message = L"stale";
    std::string card = "stale";
    std::string error;
    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &card)) << error;
    EXPECT_TRUE(message.empty());
    EXPECT_TRUE(card.empty());

    Stock(kLongId, "Reverse Holo", "Near Mint", 2, 4.0);
    Stock("base1-4", "Holo", "Mint", 1, 4.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0)});
    Sell({Line(kLongId, L"Reverse Holo", L"Near Mint", 2, 5.0)});

    ASSERT_TRUE(UndoLastSale(db.get(), message, error, &card)) << error;
    EXPECT_EQ(message, L"Reversed sale of 2 \u00D7 " + Utf8ToWide(kLongId) + L" [Reverse Holo / Near Mint]");
    EXPECT_EQ(card, kLongId);
    EXPECT_EQ(Rows("SELECT sale_id FROM sales;"), std::vector<std::string>{"1"});

    ASSERT_TRUE(UndoLastSale(db.get(), message, error)) << error;
    EXPECT_EQ(message, L"Reversed sale of 1 \u00D7 base1-4 [Holo / Mint]");
    EXPECT_TRUE(Sales().empty());
    EXPECT_EQ(Rows("SELECT card_id, qty FROM inventory ORDER BY card_id;"),
              (std::vector<std::string>{"base1-4|1", kLongId + "|2"}));
}

TEST_F(SalesTest, RecentSalesAreTheNewest500WithCatalogueNames)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("INSERT INTO catalogue (card_id, name) VALUES ('base1-4', 'Charizard'), ('base1-58', "
         "'Pik\xC3\xA1\x63hu');");
    // 502 old sales without batch or price, then two recorded ones.
    Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 502) "
         "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at) "
         "SELECT 'base1-58', 'Standard', 'Played', 1, NULL, '2024-01-01 10:00:00' FROM n;");
    Stock("base1-4", "Holo", "Mint", 3, 4.0);
    Stock("gone-1", "Standard", "Mint", 3, 4.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 2, 5.25, L"Website"), Line("gone-1", L"Standard", L"Mint", 1, 1.0)});

    std::vector<SaleRecord> sales(3);
    ASSERT_TRUE(LoadRecentSales(db.get(), sales, error)) << error;
    ASSERT_EQ(sales.size(), 500u);
    EXPECT_EQ(sales[0].sale_id, 504);
    EXPECT_EQ(sales[499].sale_id, 5);
    for (size_t i = 1; i < sales.size(); ++i)
        ASSERT_GT(sales[i - 1].sale_id, sales[i].sale_id);

    // A card missing from the catalogue keeps its id and has no name.
    EXPECT_EQ(sales[0].card_id, "gone-1");
    EXPECT_TRUE(sales[0].name.empty());
    const SaleRecord& sold = sales[1];
    EXPECT_EQ(sold.card_id, "base1-4");
    EXPECT_EQ(sold.name, L"Charizard");
    EXPECT_EQ(sold.variant, L"Holo");
    EXPECT_EQ(sold.condition, L"Mint");
    EXPECT_EQ(sold.qty, 2);
    EXPECT_EQ(sold.price, 5.25);
    EXPECT_EQ(sold.channel, L"Website");
    EXPECT_EQ(sold.batch_id, 1);
    EXPECT_EQ(sold.sold_at.size(), 19u);
    // An old sale without batch or price reads 0 for both.
    EXPECT_EQ(sales[2].name, L"Pik\u00E1chu");
    EXPECT_EQ(sales[2].batch_id, 0);
    EXPECT_EQ(sales[2].price, 0.0);
    EXPECT_EQ(sales[2].sold_at, L"2024-01-01 10:00:00");
    EXPECT_EQ(sales[2].channel, L"Other");

    // One card's sales have no limit.
    ASSERT_TRUE(LoadSalesForCard(db.get(), "base1-58", sales, error)) << error;
    ASSERT_EQ(sales.size(), 502u);
    EXPECT_EQ(sales[0].sale_id, 502);
    EXPECT_EQ(sales[501].sale_id, 1);
    ASSERT_TRUE(LoadSalesForCard(db.get(), "base1-4", sales, error)) << error;
    ASSERT_EQ(sales.size(), 1u);
    EXPECT_EQ(sales[0].name, L"Charizard");

    EXPECT_EQ(CountSales(db.get(), ""), 504);
    EXPECT_EQ(CountSales(db.get(), "base1-58"), 502);
    EXPECT_EQ(CountSales(db.get(), "gone-1"), 1);
    EXPECT_EQ(CountSales(db.get(), "nothing"), 0);
}

TEST_F(SalesTest, SalesListBeforeTheCatalogueExists)
{
    Stock("base1-4", "Holo", "Mint", 3, 4.0);
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 5.0)});
    Sell({Line("base1-4", L"Holo", L"Mint", 1, 6.0)});

    std::vector<SaleRecord> sales;
    std::string error;
    ASSERT_TRUE(LoadRecentSales(db.get(), sales, error)) << error;
    ASSERT_EQ(sales.size(), 2u);
    EXPECT_EQ(sales[0].sale_id, 2);
    EXPECT_EQ(sales[0].card_id, "base1-4");
    EXPECT_TRUE(sales[0].name.empty());
    EXPECT_EQ(sales[0].price, 6.0);
    ASSERT_TRUE(LoadSalesForCard(db.get(), "base1-4", sales, error)) << error;
    EXPECT_EQ(sales.size(), 2u);

    // A ledger that cannot be read is an error, never an empty list; the
    // count knows it only as 0.
    Exec("DROP TABLE sales;");
    EXPECT_FALSE(LoadRecentSales(db.get(), sales, error));
    EXPECT_EQ(error, "no such table: sales");
    EXPECT_TRUE(sales.empty());
    EXPECT_EQ(CountSales(db.get(), ""), 0);
}
