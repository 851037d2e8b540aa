// The recent-sales window's rules without a window: what it lists and says
// above the list, which rows are ticked, and which sales an action takes.
#include "app/sales/recent_rows.h"

#include "core/catalogue.h"
#include "tests/core/ledger_db_fixture.h"

#include <windows.h>
#include <commctrl.h>

namespace {

class RecentRowsTest : public LedgerDbTest {
protected:
    // count sales of card, one per batch, each later than the last.
    void Sales(const char* card, int count)
    {
        Exec(("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
              ") INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, channel, batch_id) "
              "SELECT '" +
              card +
              "', 'Holo', 'Mint', 1, 4.5, '2024-05-01 10:00:00', 'eBay', "
              "(SELECT COALESCE(MAX(batch_id), 0) FROM sales) + i FROM n;")
                 .c_str());
    }
};

TEST_F(RecentRowsTest, TheNewestFiveHundredOrEveryOneOfACardWithTheTotal)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("INSERT INTO catalogue (card_id, name) VALUES ('b', 'Blastoise');");
    Sales("a", 3); // sale ids 1 to 3: older than the newest 500
    Sales("b", 500);

    const RecentSalesList all = LoadRecentSalesList(DatabasePath(), "");
    ASSERT_TRUE(all.loaded);
    ASSERT_EQ(all.records.size(), 500u);
    EXPECT_EQ(all.records.front().sale_id, 503);
    EXPECT_EQ(all.records.back().sale_id, 4);
    EXPECT_EQ(all.total, 503);
    EXPECT_EQ(RecentSalesStatus(all, false), L"Latest 500 of 503 sales (most recent first)");
    EXPECT_EQ(RecentSaleCells(all.records.front())[1], L"Blastoise");

    const RecentSalesList card = LoadRecentSalesList(DatabasePath(), "a");
    ASSERT_TRUE(card.loaded);
    ASSERT_EQ(card.records.size(), 3u);
    EXPECT_EQ(card.records.front().sale_id, 3);
    EXPECT_EQ(card.total, 3);
    EXPECT_EQ(RecentSalesStatus(card, true), L"3 sales for this card (most recent first)");
    // Not in the catalogue: the card id stands for the name.
    EXPECT_EQ(RecentSaleCells(card.records.front()),
              (std::array<std::wstring, kRecentColumns>{L"2024-05-01 10:00:00", L"a", L"Holo", L"Mint", L"1", L"$4.50",
                                                        L"eBay"}));

    const RecentSalesList none = LoadRecentSalesList(DatabasePath(), "z");
    EXPECT_TRUE(none.loaded);
    EXPECT_EQ(RecentSalesStatus(none, true), L"No sales recorded for this card.");
    RecentSalesList one = card;
    one.records.resize(1);
    one.total = 1;
    EXPECT_EQ(RecentSalesStatus(one, false), L"1 sale (most recent first)");
}

// Half a list is not the ledger: a read that fails lists nothing at all, and
// the window then offers no reversal.
TEST_F(RecentRowsTest, ALedgerThatCannotBeReadListsNothing)
{
    Sales("a", 2);
    Exec("CREATE TABLE catalogue (card_id TEXT PRIMARY KEY);"); // no name column
    const RecentSalesList broken = LoadRecentSalesList(DatabasePath(), "");
    EXPECT_FALSE(broken.loaded);
    EXPECT_TRUE(broken.records.empty());
    EXPECT_EQ(RecentSalesStatus(broken, false), L"Couldn't load sales \u2014 database error. Reverse/Amend disabled.");

    const RecentSalesList unopened = LoadRecentSalesList(folder.File(L"missing\\binderwell.db"), "");
    EXPECT_FALSE(unopened.loaded);
    EXPECT_TRUE(unopened.records.empty());
}

TEST(RecentRows, OnlyATickedBoxCountsAndTicksWinOverFocusAndSelection)
{
    EXPECT_FALSE(IsTickedItemState(INDEXTOSTATEIMAGEMASK(0))); // no box at all
    EXPECT_FALSE(IsTickedItemState(INDEXTOSTATEIMAGEMASK(1) | LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(IsTickedItemState(INDEXTOSTATEIMAGEMASK(2)));

    EXPECT_EQ(ChooseSaleTarget({4}, 2, 3), 4);
    EXPECT_EQ(ChooseSaleTarget({1, 4}, 2, 3), kSeveralTicked);
    EXPECT_EQ(ChooseSaleTarget({}, 2, 3), 2); // focused, even when not selected
    EXPECT_EQ(ChooseSaleTarget({}, -1, 3), 3);
    EXPECT_EQ(ChooseSaleTarget({}, -1, -1), kNoTarget);
}

TEST(RecentRows, ReverseSelectedTakesTheTickedSalesOrElseTheSelectedOnes)
{
    std::vector<SaleRecord> records(3);
    records[0].sale_id = 30;
    records[1].sale_id = 20;
    records[2].sale_id = 10;
    EXPECT_EQ(SalesToReverse(records, {0, 2}, {1}), (std::vector<int64_t>{30, 10}));
    EXPECT_EQ(SalesToReverse(records, {}, {1, 2}), (std::vector<int64_t>{20, 10}));
    // Items that name no record are passed over, and do not hand the choice
    // to the selection.
    EXPECT_EQ(SalesToReverse(records, {-1, 3, 2}, {0}), (std::vector<int64_t>{10}));
    EXPECT_TRUE(SalesToReverse(records, {7}, {0}).empty());
    EXPECT_EQ(RecordOfItem(records, 3), nullptr);
}

} // namespace
