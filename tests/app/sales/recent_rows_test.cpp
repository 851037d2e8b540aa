// The recent-sales window's rules without a window: which rows are ticked
// and which sales an action takes. What it lists is read back from the
// window itself (recent_sales_test.cpp).
#include "app/sales/recent_rows.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

namespace {

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
