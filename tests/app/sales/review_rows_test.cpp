// The review-sales window's rules without a window: the rows it offers, the
// total line, the checks on Sell and the scrolling arithmetic.
#include "app/sales/review_rows.h"

#include "core/db.h"
#include "core/schema.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

ReviewItem Row(const wchar_t* qty, const wchar_t* price, int32_t stock = 10)
{
    return {"sv1-1", L"Card", L"Holo", L"Mint", stock, 0.0, qty, price};
}

// The ticked cards in their order, each with its in-stock rows by variant
// then condition; cards without stock, or with no catalogue row, as the
// stock says. Read in one pass, which must end: the database is left with
// no read open.
TEST(ReviewRows, TickedCardsOfferTheirInStockRowsInTickingOrder)
{
    sqlite3* opened = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &opened), SQLITE_OK);
    DbHandle db(opened);
    std::string error;
    ASSERT_TRUE(EnsureSchema(db.get(), error)) << error;
    ASSERT_TRUE(ExecSql(db.get(),
                        "INSERT INTO inventory (card_id, variant, condition, price, qty) VALUES "
                        "('b', 'Standard', 'Played', 0, 1), ('b', 'Holo', 'Near Mint', 4.5, 2), "
                        "('b', 'Holo', 'Mint', 1, 0), ('sold-out', 'Holo', 'Mint', 3, 0), "
                        "('not-catalogued', 'Other', 'Mint', 2.5, 3), ('a', 'Reverse Holo', 'Played', 3, 7);",
                        error))
        << error;
    const std::vector<CheckedCard> cards = {
        {"b", L"B"}, {"none", L"None"}, {"sold-out", L"Sold out"}, {"not-catalogued", L""}, {"a", L"A"}};

    std::vector<ReviewItem> items;
    LoadReviewItems(db.get(), cards, items);
    std::vector<std::wstring> seen;
    for (const ReviewItem& item : items)
        seen.push_back(std::wstring(item.card_id.begin(), item.card_id.end()) + L"|" + item.name + L"|" +
                       item.variant + L"|" + item.condition + L"|" + std::to_wstring(item.stock) + L"|" +
                       item.qtyText + L"|" + item.priceText);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"b|B|Holo|Near Mint|2|0|4.50", L"b|B|Standard|Played|1|0|",
                                               L"not-catalogued||Other|Mint|3|0|2.50",
                                               L"a|A|Reverse Holo|Played|7|0|3.00"}));
    EXPECT_TRUE(sqlite3_get_autocommit(db.get()));
}

TEST(ReviewRows, TotalCountsOnlyValidQuantitiesAboveZero)
{
    EXPECT_EQ(ReviewTotalText({Row(L"1", L"4.50"), Row(L"0", L"9.99"), Row(L" 2\t", L"1.25")}),
              L"Total: 3 units   $7.00");
    // A bad quantity adds nothing; a bad price adds its units at 0.00.
    EXPECT_EQ(ReviewTotalText({Row(L"1.5", L"4.50"), Row(L"1", L"$3"), Row(L"", L"8.00")}),
              L"Total: 1 unit   $0.00");
}

TEST(ReviewRows, SellStopsAtTheFirstBadRowAndSkipsRowsLeftAtZero)
{
    std::vector<ReviewItem> items = {Row(L"0", L"not a price"), Row(L"1.5", L"2.00", 2), Row(L"1", L"4,50")};
    std::vector<SaleLine> lines;
    ReviewProblem problem;
    const auto check = [&] { return BuildReviewSaleLines(items, L"eBay", lines, problem); };

    EXPECT_EQ(check(), ReviewCheck::BadRow);
    EXPECT_EQ(problem.row, 1u);
    EXPECT_EQ(problem.text, L"Quantity must be a whole number.");
    items[1].qtyText = L"3";
    EXPECT_EQ(check(), ReviewCheck::BadRow);
    EXPECT_EQ(problem.text, L"You only have 2 in stock for Holo / Mint.");
    items[1].qtyText = L" 2 ";
    EXPECT_EQ(check(), ReviewCheck::BadRow);
    EXPECT_EQ(problem.row, 2u);
    EXPECT_EQ(problem.field, ReviewField::Price);
    // Valid text with more far behind it is no price.
    items[2].priceText = L"4.50" + std::wstring(60, L' ') + L"x";
    EXPECT_EQ(check(), ReviewCheck::BadRow);

    items[2].priceText = L"";
    ASSERT_EQ(check(), ReviewCheck::Ready);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].qty, 2);
    EXPECT_DOUBLE_EQ(lines[0].price, 2.0);
    EXPECT_DOUBLE_EQ(lines[1].price, 0.0); // an empty price sells at 0.00
    EXPECT_EQ(lines[1].channel, L"eBay");

    items[1].qtyText = L"";
    items[2].qtyText = L"0";
    EXPECT_EQ(check(), ReviewCheck::NothingToSell);
}

TEST(ReviewRows, TwelveRowsShowElevenAndScrollExactlyToTheEnd)
{
    EXPECT_EQ(VisibleReviewRows(12), 11);
    ReviewScroll scroll{0, 30, 12 * 30, 11 * 30};
    EXPECT_EQ(ReviewScrollRequest(scroll, SB_PAGEDOWN, 0), 30);
    EXPECT_EQ(ReviewScrollRequest(scroll, SB_THUMBTRACK, 999), 30);
    EXPECT_EQ(ReviewWheelTarget(scroll, -WHEEL_DELTA / 2), 0); // less than a notch
    EXPECT_EQ(ReviewScrollToShow(scroll, 11), 30);
    scroll.position = 30;
    EXPECT_EQ(ReviewScrollRequest(scroll, SB_LINEDOWN, 0), 30);
    EXPECT_EQ(ReviewWheelTarget(scroll, WHEEL_DELTA), 0);
    EXPECT_EQ(ReviewScrollToShow(scroll, 0), 0);
}

// Every row in view, and the one beyond each edge that Tab steps into, has
// controls at every position the scroll bar can reach.
TEST(ReviewRows, ControlsCoverTheRowsInViewAndTheirNeighboursAtEveryPosition)
{
    for (size_t rows : {1u, 12u, 15u, 500u}) {
        const size_t slots = ReviewSlotCount(rows);
        ReviewScroll scroll{0, 30, static_cast<int>(rows) * 30, VisibleReviewRows(rows) * 30};
        const int limit = scroll.contentHeight - scroll.viewportHeight;
        for (int step = 0; step <= limit / 7 + 1; ++step) {
            scroll.position = std::min(step * 7, limit);
            const size_t first = ReviewFirstBoundRow(scroll, rows);
            const size_t top = static_cast<size_t>(scroll.position / 30);
            const size_t bottom = static_cast<size_t>((scroll.position + scroll.viewportHeight - 1) / 30);
            EXPECT_LE(first, top > 0 ? top - 1 : 0) << rows << " rows at " << scroll.position;
            EXPECT_LT(std::min(bottom + 1, rows - 1), first + slots) << rows << " rows at " << scroll.position;
            EXPECT_LE(first + slots, rows);
        }
    }
}

} // namespace
