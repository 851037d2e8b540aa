// The main window's commands that sell stock or move it to the sale stock,
// and its ways into the windows that record or take back sales. Each asks
// the stock panel about unsaved edits first, works on a connection of its
// own, and tells the outcome in the status bar.
#pragma once

#include "app/sales/review_rows.h"

#include <string>
#include <vector>

// The "−1" button of a condition row (0 Mint, 1 Near Mint, 2 Played) in
// Sales mode: sells one copy of the panel's card and variant at the row's
// price, on the channel the main window shows.
void QuickSell(int condition);
// The "→ Sale" button in Collection mode: one copy of the panel's card and
// variant goes from the collection to the sale stock.
void MoveToSale(int condition);
// Reverses the newest sale, all its units.
void OnUndoLastSale();

// Every ticked catalogue row, in load order, hidden rows included.
std::vector<CheckedCard> CollectCheckedCards();
// Opens the review-sales window for the cards; after a committed sale the
// catalogue is read again, which clears the panel and every tick.
void OnUpdateCheckedCardsSold(const std::vector<CheckedCard>& cards);
// Opens the recent-sales window for every sale, or for one card's (a UTF-8
// card id).
void OnUndoBulkRecentSales();
void OnRecentSalesForCard(const std::string& cardId);

// The card that a grid context command acts on, copied when its menu
// opened: the view can be filtered again while the menu is up (the search
// delay's timer still fires), and a view index would then name another card.
struct ContextCard {
    std::wstring cardId;
    std::wstring name;
};

// The grid's context menu chose command (IDM_CTX_*) for card: the review of
// the ticked cards (of this card alone when none is ticked), or this card's
// recent sales.
void RunGridContextCommand(int command, const ContextCard& card);

// The context menu's commands go through this: the sales commands' own
// call, unless a test scripts it.
struct GridContextCalls {
    void (*run)(int command, const ContextCard& card);
};
GridContextCalls& GridContext();
