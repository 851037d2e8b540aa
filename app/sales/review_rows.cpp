#include "app/sales/review_rows.h"

#include "core/db.h"
#include "core/log.h"
#include "core/stock.h"
#include "core/text.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

void LoadReviewItems(sqlite3* db, const std::vector<CheckedCard>& cards, std::vector<ReviewItem>& items)
{
    std::string error;
    // One read for the whole pass: outside a transaction every lookup takes
    // and drops the file's lock and reads its header again, which costs far
    // more than the lookup when a whole catalogue is ticked. Without it the
    // reads still work, one by one.
    Transaction read;
    if (!read.Begin(db, error))
        LogW(L"ReviewSales could not begin its read: %ls", Utf8ToWide(error).c_str());
    CardStockReader reader;
    if (!reader.Prepare(db, error)) {
        LogW(L"ReviewSales LoadCardStock failed: %ls", Utf8ToWide(error).c_str());
        return;
    }
    std::vector<StockRow> stock;
    for (const CheckedCard& card : cards) {
        // A failed read may leave part of the card's rows: none of them is
        // offered, rather than a card that looks smaller than it is.
        if (!reader.Load(card.card_id, stock, error)) {
            LogW(L"ReviewSales LoadCardStock failed: %ls", Utf8ToWide(error).c_str());
            continue;
        }
        for (const StockRow& row : stock) {
            wchar_t price[32] = L"";
            if (row.price > 0)
                swprintf(price, 32, L"%.2f", row.price);
            items.push_back({card.card_id, card.name, row.variant, row.condition, row.qty, row.price, L"0", price});
        }
    }
}

int VisibleReviewRows(size_t rows)
{
    return static_cast<int>(std::clamp<size_t>(rows, 1, kMaxVisibleReviewRows));
}

std::wstring ReviewTotalText(const std::vector<ReviewItem>& items)
{
    int32_t units = 0;
    double money = 0.0;
    for (const ReviewItem& item : items) {
        uint32_t quantity = 0;
        if (!ParseQuantity(TrimBlanks(item.qtyText), &quantity) || quantity == 0)
            continue;
        double price = 0.0;
        if (!ParsePrice(TrimBlanks(item.priceText), &price))
            price = 0.0;
        money += quantity * price;
        units += static_cast<int32_t>(quantity);
    }
    wchar_t text[96];
    swprintf(text, 96, L"Total: %d unit%ls   $%.2f", units, units == 1 ? L"" : L"s", money);
    return text;
}

std::wstring ReviewChannel(const std::vector<std::wstring>& names, int selection)
{
    if (names.empty())
        return L"Other";
    const size_t index = selection < 0 ? 0 : static_cast<size_t>(selection);
    return names[std::min(index, names.size() - 1)];
}

ReviewCheck BuildReviewSaleLines(const std::vector<ReviewItem>& items, const std::wstring& channel,
                                 std::vector<SaleLine>& lines, ReviewProblem& problem)
{
    lines.clear();
    for (size_t row = 0; row < items.size(); ++row) {
        const ReviewItem& item = items[row];
        uint32_t quantity = 0;
        if (!ParseQuantity(TrimBlanks(item.qtyText), &quantity)) {
            problem = {row, ReviewField::Qty, L"Quantity must be a whole number."};
            return ReviewCheck::BadRow;
        }
        if (quantity == 0)
            continue;
        if (quantity > static_cast<uint32_t>(std::max(item.stock, 0))) {
            wchar_t text[160];
            swprintf(text, 160, L"You only have %d in stock for %ls / %ls.", item.stock, item.variant.c_str(),
                     item.condition.c_str());
            problem = {row, ReviewField::Qty, text};
            return ReviewCheck::BadRow;
        }
        double price = 0.0;
        if (!ParsePrice(TrimBlanks(item.priceText), &price)) {
            problem = {row, ReviewField::Price, L"Price must look like 4.50 (no $ or minus)."};
            return ReviewCheck::BadRow;
        }
        lines.push_back({item.card_id, item.variant, item.condition, static_cast<int32_t>(quantity), price, channel});
    }
    return lines.empty() ? ReviewCheck::NothingToSell : ReviewCheck::Ready;
}

int ClampReviewScroll(const ReviewScroll& scroll, int target)
{
    const int limit = std::max(scroll.contentHeight - scroll.viewportHeight, 0);
    return std::clamp(target, 0, limit);
}

int ReviewScrollRequest(const ReviewScroll& scroll, int request, int thumbPosition)
{
    int target = scroll.position;
    switch (request) {
    case SB_LINEUP:
        target -= scroll.pitch;
        break;
    case SB_LINEDOWN:
        target += scroll.pitch;
        break;
    case SB_PAGEUP:
        target -= scroll.viewportHeight;
        break;
    case SB_PAGEDOWN:
        target += scroll.viewportHeight;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        target = thumbPosition;
        break;
    default:
        break;
    }
    return ClampReviewScroll(scroll, target);
}

int ReviewWheelTarget(const ReviewScroll& scroll, int delta)
{
    return ClampReviewScroll(scroll, scroll.position - (delta / WHEEL_DELTA) * scroll.pitch);
}

int ReviewScrollToShow(const ReviewScroll& scroll, size_t row)
{
    const int top = static_cast<int>(row) * scroll.pitch;
    int target = scroll.position;
    if (top < target)
        target = top;
    else if (top + scroll.pitch > target + scroll.viewportHeight)
        target = top + scroll.pitch - scroll.viewportHeight;
    return ClampReviewScroll(scroll, target);
}

size_t ReviewSlotCount(size_t rows)
{
    return std::min<size_t>(rows, kMaxVisibleReviewRows + 3);
}

size_t ReviewFirstBoundRow(const ReviewScroll& scroll, size_t rows)
{
    const size_t firstInView = scroll.pitch > 0 ? static_cast<size_t>(scroll.position / scroll.pitch) : 0;
    const size_t first = firstInView > 0 ? firstInView - 1 : 0;
    return std::min(first, rows - ReviewSlotCount(rows));
}
