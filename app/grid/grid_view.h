// The catalogue grid as the main window shows it: the owner-data list view
// (IDC_GRID), the Set, Rarity, Location and Show filters, the search box and
// the status line, all driven from the window-free model in grid_model.h.
// The stock panel follows its selection through panel_calls.h.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

// Reloads the rows for the current mode. On success: no card selected, no
// marks, the three filter combos at their first item, unsorted; the search
// text, the Show filter and "In stock only" still apply. On failure nothing
// in memory or on screen changes but the status line. ok may be null.
void ReloadCatalogue(bool* ok);
// Rebuilds the view from the filters and the search box, sorts it, and
// refreshes the list, its selection, the check-all box and the status line.
void ApplyFilters();
// Selects, focuses and shows the panel's card when the view holds it; when
// it does not, the list is left with no selected or focused item.
void RestoreGridSelection();

// Refills the Set and Rarity filters from the rows, then the Location filter.
void FillSetAndRarityFilters();
// Refills the Location filter; with keepSelection the same location stays
// chosen when it still exists.
void FillLocationFilter(bool keepSelection);

// The first row whose card id is exactly cardId, or -1.
int32_t FindCatalogueRow(const std::wstring& cardId);
// Collection mode with the Show filter past "All": a stock change can then
// change which rows pass, so the caller filters again instead of repainting.
bool IsShowFilterActive();

// WM_NOTIFY from IDC_GRID other than the context menu's NM_RCLICK: the
// value for the main window procedure to return.
LRESULT OnGridNotify(const NMHDR& notify);

