#include "app/sales/sales_commands.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/panel/panel.h"
#include "app/sales/recent_sales.h"
#include "app/sales/review_sales.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "core/db.h"
#include "core/log.h"
#include "core/sales.h"
#include "core/schema.h"
#include "core/stock.h"
#include "core/text.h"

#include <commctrl.h>

#include <cstdarg>
#include <cwchar>
#include <iterator>

namespace {

constexpr const wchar_t* kCardGone = L"That card is no longer in the current view";
constexpr const wchar_t* kOpenFailed = L"Database open failed";
constexpr int kChannels = static_cast<int>(std::size(SaleChannel::All));

std::wstring Format(const wchar_t* format, ...)
{
    wchar_t text[512];
    va_list args;
    va_start(args, format);
    vswprintf(text, std::size(text), format, args);
    va_end(args);
    return text;
}

const wchar_t* Plural(int32_t count)
{
    return count == 1 ? L"" : L"s";
}

bool CardShown()
{
    const int32_t row = Grid().selectedRow;
    return row >= 0 && static_cast<size_t>(row) < Grid().rows.size();
}

// The Channel combo's choice as an index into SaleChannel::All; no choice,
// or one outside the words, is the first.
int ChosenChannel()
{
    const LRESULT chosen = SendMessageW(MainWindow().controls.channel, CB_GETCURSEL, 0, 0);
    return chosen >= 0 && chosen < kChannels ? static_cast<int>(chosen) : 0;
}

// What a row button acts on: the panel's card and variant as they were when
// it was pressed, found again after the unsaved-changes question, whose Save
// may have filtered the grid again.
struct ShownCard {
    std::wstring cardId;
    int32_t variant = 0;
    int32_t row = -1;
};

// False when the command is to stop: no card shown, the question refused,
// or the card gone (said in the status bar).
bool TakeShownCard(ShownCard& card)
{
    if (!CardShown())
        return false;
    card.cardId = Grid().rows[static_cast<size_t>(Grid().selectedRow)].card_id;
    card.variant = CurrentPanelVariant();
    if (!ConfirmUnsavedChanges())
        return false;
    card.row = FindCatalogueRow(card.cardId);
    if (card.row < 0) {
        SetStatusText(kCardGone);
        return false;
    }
    Grid().selectedRow = card.row;
    SendMessageW(MainWindow().controls.variant, CB_SETCURSEL, static_cast<WPARAM>(card.variant), 0);
    return true;
}

// The panel shows what the ledger now holds for its card and variant; a
// panel that could not read it must not stay editable, or a Save would
// write the zeros it shows.
void ReloadShownCard(const std::wstring& cardId, int32_t variant)
{
    LoadVariantChoices(WideToUtf8(cardId), variant);
    if (!LoadConditionRows(cardId, Variant::All[variant]))
        EnableStockPanel(false);
}

int32_t HeldOf(int32_t row)
{
    return row >= 0 ? Grid().rows[static_cast<size_t>(row)].held : 0;
}

void SetHeld(int32_t row, int32_t held)
{
    Grid().rows[static_cast<size_t>(row)].held = held;
}

// The grid after the held count of one row changed from before to its
// present value. Only "In stock only" and the Show filter look at stock, and
// they pass or hide a row by whether it holds any copy: a count that stays
// above zero, or at zero, leaves the same rows passing, and then only the
// card's row shows anything new. Filtering 20,000 rows and repainting the
// whole list costs more than the sale itself. The view is still filtered
// (and sorted) again when it is sorted by Held, as a count that moves
// reorders it.
void RefreshGridAfterStockChange(int32_t row, int32_t before)
{
    const bool stockFilters = MainWindow().flags.inStockOnly || IsShowFilterActive();
    if (stockFilters && ((before > 0) != (HeldOf(row) > 0) || Grid().sortColumn == GridColumnHeld)) {
        ApplyFilters();
        return;
    }
    const int32_t item = ViewIndexOfRow(Grid(), row);
    if (item >= 0)
        ListView_RedrawItems(MainWindow().controls.grid, item, item);
}

// A window changed the ledgers: whatever the panel shows is stale from now
// on, and a Save of it would write the old quantities back, so it is
// cleared before the reload, which may fail and leave it alone. The list
// lets go of the card too, or a click on it would raise no change and
// never open it again.
void ReloadAfterWindowChanges(bool& reloaded)
{
    ClearPanel();
    RestoreGridSelection();
    ReloadCatalogue(&reloaded);
}

void RunRecentSales(const std::string& cardFilter, const char* reloadFailedLog)
{
    if (!ConfirmUnsavedChanges())
        return;
    const int32_t changes = RecentSales(MainWindow().instance, MainWindow().window, cardFilter);
    if (changes < 1)
        return;
    bool reloaded = false;
    ReloadAfterWindowChanges(reloaded);
    if (reloaded) {
        SetStatusText(Format(L"Sales updated (%d change%ls)", changes, Plural(changes)));
    } else {
        SetStatusText(L"Sales updated, but the grid couldn\u2019t refresh \u2014 reopen the app");
        Log(reloadFailedLog, changes);
    }
}

} // namespace

void QuickSell(int condition)
{
    if (condition < 0 || condition >= kConditionRows)
        return;
    ShownCard card;
    if (!TakeShownCard(card))
        return;
    const wchar_t* conditionWord = Condition::All[condition];
    HWND priceEdit = MainWindow().controls.price[condition];
    double price = 0.0;
    if (!ReadPriceField(priceEdit, &price)) {
        SetStatusText(std::wstring(L"Invalid price for ") + conditionWord + L" \u2014 e.g. 4.50 (no $ or minus)");
        SetFocus(priceEdit);
        return;
    }
    const wchar_t* channel = SaleChannel::All[ChosenChannel()];
    const wchar_t* variantWord = Variant::All[card.variant];
    const std::string cardId = WideToUtf8(card.cardId);
    // Always exactly one copy, whatever the quantity field says.
    const SaleLine line = {cardId, variantWord, conditionWord, 1, price, channel};

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        SetStatusText(kOpenFailed);
        Log("QuickSell OpenReadyDb: %s", error.c_str());
        return;
    }
    bool noStock = false;
    const bool sold = RecordSales(db.get(), {line}, error, nullptr, &noStock);
    bool heldRead = false;
    const int32_t held = sold ? SumCardQty(db.get(), cardId, CurrentLedger(), heldRead) : 0;
    db.reset();

    if (!sold) {
        // Out of stock is the seller's business; anything else is the
        // database's, and must not read as if the card were sold out.
        SetStatusText(noStock ? std::wstring(L"No ") + conditionWord + L" stock to sell"
                              : L"Sale failed: " + Utf8ToWide(error));
        LogW(L"QuickSell failed: %ls", Utf8ToWide(error).c_str());
        return;
    }
    const int32_t before = HeldOf(card.row);
    if (heldRead)
        SetHeld(card.row, held);
    ReloadShownCard(card.cardId, card.variant);
    RefreshGridAfterStockChange(card.row, before);
    SetStatusText(heldRead ? Format(L"Sold 1 \u2014 %ls @ $%.2f (%ls)", conditionWord, price, channel)
                           : L"Sold 1 \u2014 but the display couldn\u2019t refresh; reopen the app");
    LogW(L"Quick sale: %ls [%ls / %ls] x1 @ %.2f (%ls) held=%d", card.cardId.c_str(), variantWord, conditionWord,
         price, channel, heldRead ? held : 0);
}

void MoveToSale(int condition)
{
    if (condition < 0 || condition >= kConditionRows)
        return;
    ShownCard card;
    if (!TakeShownCard(card))
        return;
    const wchar_t* conditionWord = Condition::All[condition];
    const wchar_t* variantWord = Variant::All[card.variant];
    const std::string cardId = WideToUtf8(card.cardId);

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        SetStatusText(kOpenFailed);
        Log("MoveToSale OpenReadyDb: %s", error.c_str());
        return;
    }
    bool moved = false;
    const bool done = MoveOneToSale(db.get(), cardId, variantWord, conditionWord, moved, error);
    bool heldRead = false;
    const int32_t held = done && moved ? SumCardQty(db.get(), cardId, CurrentLedger(), heldRead) : 0;
    db.reset();

    if (!done) {
        SetStatusText(L"Move to sale failed");
        LogW(L"MoveToSale failed: %ls", Utf8ToWide(error).c_str());
        return;
    }
    if (!moved) {
        SetStatusText(std::wstring(L"No ") + conditionWord + L" in your collection to move");
        return;
    }
    const int32_t before = HeldOf(card.row);
    if (heldRead)
        SetHeld(card.row, held);
    ReloadShownCard(card.cardId, card.variant);
    RefreshGridAfterStockChange(card.row, before);
    SetStatusText(heldRead ? Format(L"Moved 1 %ls to sale stock", conditionWord)
                           : Format(L"Moved 1 %ls \u2014 but the display couldn\u2019t refresh", conditionWord));
    LogW(L"Moved to sale: %ls [%ls / %ls] x1 (collection held=%d)", card.cardId.c_str(), variantWord, conditionWord,
         heldRead ? held : 0);
}

void OnUndoLastSale()
{
    if (!ConfirmUnsavedChanges())
        return;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error)) {
        SetStatusText(kOpenFailed);
        Log("Undo OpenReadyDb: %s", error.c_str());
        return;
    }
    std::wstring message;
    std::string cardId;
    const bool undone = UndoLastSale(db.get(), message, error, &cardId);
    bool heldRead = false;
    const int32_t held = undone && !cardId.empty() ? SumCardQty(db.get(), cardId, CurrentLedger(), heldRead) : 0;
    db.reset();

    if (!undone) {
        SetStatusText(L"Undo failed");
        LogW(L"Undo failed: %ls", Utf8ToWide(error).c_str());
        return;
    }
    if (message.empty()) {
        SetStatusText(L"No sales to undo");
        return;
    }
    const std::wstring cardIdWide = Utf8ToWide(cardId);
    const int32_t row = FindCatalogueRow(cardIdWide);
    const int32_t before = HeldOf(row);
    if (heldRead && row >= 0)
        SetHeld(row, held);
    if (CardShown() && Grid().rows[static_cast<size_t>(Grid().selectedRow)].card_id == cardIdWide)
        ReloadShownCard(cardIdWide, CurrentPanelVariant());
    RefreshGridAfterStockChange(row, before);
    SetStatusText(heldRead ? message : message + L" \u2014 but the display couldn\u2019t refresh");
    LogW(L"Undo last sale: %ls", message.c_str());
}

std::vector<CheckedCard> CollectCheckedCards()
{
    const GridModel& grid = Grid();
    std::vector<CheckedCard> cards;
    for (size_t row = 0; row < grid.rows.size(); ++row) {
        if (IsRowChecked(grid, static_cast<int32_t>(row)))
            cards.push_back({WideToUtf8(grid.rows[row].card_id), grid.rows[row].name});
    }
    return cards;
}

void OnUpdateCheckedCardsSold(const std::vector<CheckedCard>& cards)
{
    if (cards.empty()) {
        SetStatusText(L"Tick the cards you sold first");
        return;
    }
    if (!ConfirmUnsavedChanges())
        return;
    const std::vector<std::wstring> channels(std::begin(SaleChannel::All), std::end(SaleChannel::All));
    const ReviewSalesResult result = ReviewSales(MainWindow().window, cards, channels, ChosenChannel());
    // The window tells the user about anything it did not record.
    if (!result.committed)
        return;
    bool reloaded = false;
    ReloadAfterWindowChanges(reloaded);
    if (reloaded) {
        SetStatusText(Format(L"Recorded %d sale%ls", result.rows, Plural(result.rows)));
        Log("Bulk sale committed: %d sale row(s)", result.rows);
    } else {
        SetStatusText(L"Sale recorded, but the grid couldn\u2019t refresh \u2014 reopen the app");
        Log("Bulk sale committed (%d row(s)) but ReloadCatalogue failed", result.rows);
    }
}

void OnUndoBulkRecentSales()
{
    RunRecentSales(std::string(), "Recent-sales change (%d) but ReloadCatalogue failed");
}

void OnRecentSalesForCard(const std::string& cardId)
{
    RunRecentSales(cardId, "Recent-sales (card) change (%d) but ReloadCatalogue failed");
}

void RunGridContextCommand(int command, const ContextCard& card)
{
    if (command == IDM_CTX_UPDATE_SOLD) {
        std::vector<CheckedCard> cards = CollectCheckedCards();
        if (cards.empty())
            cards.push_back({WideToUtf8(card.cardId), card.name});
        OnUpdateCheckedCardsSold(cards);
    } else if (command == IDM_CTX_RECENT_SALES) {
        OnRecentSalesForCard(WideToUtf8(card.cardId));
    }
}

GridContextCalls& GridContext()
{
    static GridContextCalls calls = {RunGridContextCommand};
    return calls;
}
