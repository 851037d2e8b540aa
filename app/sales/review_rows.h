// What the review-sales window decides without a window: the rows it offers
// and what has been typed into them, the total line, the checks on Sell, and
// the arithmetic of its scrolling row area.
//
// The window does not make controls for every row: a window with thousands
// of child windows takes seconds to open, scroll and close, and a process
// may own only 10,000 windows. It keeps a few rows' worth of controls (the
// rows in view and one beyond each edge, so Tab can step into the next row)
// and binds them to whichever rows the scroll position shows; what was typed
// lives here, in the rows.
#pragma once

#include "core/sales.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A ticked card of the grid, in catalogue row order.
struct CheckedCard {
    std::string card_id; // UTF-8
    std::wstring name;
};

// One in-stock sale-stock row of a ticked card and its two fields as typed.
struct ReviewItem {
    std::string card_id; // UTF-8
    std::wstring name;
    std::wstring variant;
    std::wstring condition;
    int32_t stock = 0;  // on hand when the window opened
    double price = 0.0; // stored unit price
    std::wstring qtyText;
    std::wstring priceText;
};

// The most rows one review takes: a sale is checked by eye line by line,
// and ticking a whole large view is more likely a slip than a sale.
constexpr size_t kMaxReviewRows = 500;
// Rows the window shows before it scrolls.
constexpr int kMaxVisibleReviewRows = 11;

// One item per in-stock row of each card, cards in list order, rows by
// variant then condition; the quantity reads "0" and the price the stored
// one ("%.2f"), or nothing when none is stored. A card whose stock cannot be
// read is logged and left out; the others still come.
void LoadReviewItems(sqlite3* db, const std::vector<CheckedCard>& cards, std::vector<ReviewItem>& items);

// How many rows show at once: every row, from 1 up to the maximum.
int VisibleReviewRows(size_t rows);

// "Total: %d unit%s   $%.2f" over the rows with a valid quantity above 0;
// a price that does not parse counts as 0.00.
std::wstring ReviewTotalText(const std::vector<ReviewItem>& items);

// The channel word for a selection of the channel list: a negative one is
// the first, one past the end the last, and with no names "Other".
std::wstring ReviewChannel(const std::vector<std::wstring>& names, int selection);

enum class ReviewField { Qty, Price };
enum class ReviewCheck {
    Ready,        // lines holds one line per row with a quantity above 0
    BadRow,       // problem names the row, the field to correct and why
    NothingToSell // every quantity is 0
};
struct ReviewProblem {
    size_t row = 0;
    ReviewField field = ReviewField::Qty;
    std::wstring text;
};
// Checks the rows in order and stops at the first bad one; a row left at 0
// is passed over without its price being looked at. Fields are read without
// their leading and trailing blanks.
ReviewCheck BuildReviewSaleLines(const std::vector<ReviewItem>& items, const std::wstring& channel,
                                 std::vector<SaleLine>& lines, ReviewProblem& problem);

// The row area's scrolling, in pixels of its content.
struct ReviewScroll {
    int position = 0;
    int pitch = 0; // one row
    int contentHeight = 0;
    int viewportHeight = 0;
};
// target kept between the top and the last full page.
int ClampReviewScroll(const ReviewScroll& scroll, int target);
// Where a scroll-bar request (SB_LINEUP ... SB_THUMBTRACK) goes; the thumb
// requests go to thumbPosition.
int ReviewScrollRequest(const ReviewScroll& scroll, int request, int thumbPosition);
// One row per full notch of the wheel; forward scrolls toward the top.
int ReviewWheelTarget(const ReviewScroll& scroll, int delta);
// The nearest position at which the whole row is in view.
int ReviewScrollToShow(const ReviewScroll& scroll, size_t row);

// How many rows have controls: those in view, a partly scrolled one and one
// beyond each edge, or every row when there are fewer.
size_t ReviewSlotCount(size_t rows);
// The row the first set of controls shows at this scroll position; the
// others show the rows after it.
size_t ReviewFirstBoundRow(const ReviewScroll& scroll, size_t rows);
