// What the recent-sales window decides without a window: the sales it
// lists and the line above them, the texts of a row, which rows count as
// ticked, which row an action on one sale works on, and the sales that
// Reverse selected takes.
#pragma once

#include "core/sales.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the list shows: the newest sales, or every sale of one card, and how
// many sales the ledger (or the card) holds.
struct RecentSalesList {
    std::vector<SaleRecord> records; // newest first
    int32_t total = 0;
    bool loaded = false; // false: nothing may be reversed or amended
};

// Reads the list on a connection of its own, for all cards when cardFilter
// is empty. A database that cannot be opened or read gives an empty list,
// not loaded, with the problem logged.
RecentSalesList LoadRecentSalesList(const std::wstring& databasePath, const std::string& cardFilter);

// The line above the list.
std::wstring RecentSalesStatus(const RecentSalesList& list, bool cardFilter);

// The card as the user knows it: its catalogue name, or its card id when
// the catalogue has no such card.
std::wstring SaleCardText(const SaleRecord& sale);

// The texts of a row's columns, "When" first.
constexpr int kRecentColumns = 7;
std::array<std::wstring, kRecentColumns> RecentSaleCells(const SaleRecord& sale);

// Whether a list item whose state (LVIS_STATEIMAGEMASK bits) this is shows
// a ticked box. Only the ticked image counts: an item without a box is not
// ticked, and taking it for one would reverse sales nobody chose.
bool IsTickedItemState(unsigned state);

// The item an action on one sale works on, given the ticked items, the
// focused one and the first selected one (-1 for none): the one ticked
// item, else the focused one, else the selected one. kSeveralTicked when
// more than one is ticked, kNoTarget when there is nothing.
constexpr int kSeveralTicked = -2;
constexpr int kNoTarget = -1;
int ChooseSaleTarget(const std::vector<int>& tickedItems, int focusedItem, int selectedItem);

// The record a list item's parameter names; null for a parameter that names
// none.
const SaleRecord* RecordOfItem(const std::vector<SaleRecord>& records, intptr_t param);

// The sales Reverse selected takes, in list order: those of the ticked
// items, or, when none is ticked, those of the selected items. Parameters
// that name no record are passed over.
std::vector<int64_t> SalesToReverse(const std::vector<SaleRecord>& records, const std::vector<intptr_t>& ticked,
                                    const std::vector<intptr_t>& selected);

std::wstring ReverseSalesQuestion(size_t sales);
std::wstring ReverseBatchQuestion(const SaleRecord& sale);
