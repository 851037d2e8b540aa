// The catalogue grid's model: every catalogue row in load order, the view
// (the indices of the rows that pass the filters, in display order), one
// check mark per row, the sort and the selected card. Nothing here needs a
// window: the list view, the filter combos and the header box read and
// drive it from grid_view.cpp and grid_checks.cpp.
#pragma once

#include "core/catalogue.h"

#include <cstdint>
#include <string>
#include <vector>

// The six columns, by sub-item index.
enum GridColumn : int32_t {
    GridColumnCard = 0,
    GridColumnSet = 1,
    GridColumnNumber = 2,
    GridColumnRarity = 3,
    GridColumnHeld = 4,
    GridColumnLocation = 5,
};
constexpr int32_t kGridColumnCount = 6;
constexpr int32_t kGridUnsorted = -1;

// The Show filter's items (Collection mode only), by selection index.
enum ShowFilter : int32_t {
    ShowAll = 0,
    ShowOwned = 1,
    ShowWant = 2,
    ShowTrade = 3,
};

struct GridModel {
    // Every catalogue card with its held count, location and flags in the
    // current ledger, in load order (set name, name, card id).
    std::vector<CatalogueRow> rows;
    // List item i shows rows[view[i]].
    std::vector<int32_t> view;
    // One mark per row, indexed by row (not by view index), so a mark stays
    // with its card through filtering and sorting.
    std::vector<uint8_t> checked;
    int32_t sortColumn = kGridUnsorted;
    bool ascending = true;
    // The row the stock panel shows; -1 for none.
    int32_t selectedRow = -1;
    // True while the list's selection is being put back, so the changes
    // that makes are not taken for the user's.
    bool revertingSelection = false;
    // Each row's place in the natural order of its name, set name, number
    // and rarity, filled by the first sort on that column after a load.
    // StrCmpLogicalW is slow enough (under Wine above all) that comparing
    // texts on every click costs far more than comparing these. Those four
    // texts change only when a load replaces the rows, which empties this;
    // the location, which the stock panel edits in place, is ranked afresh
    // at every sort.
    std::vector<int32_t> textRanks[GridColumnRarity + 1];
    // Every row's search text (BuildSearchText) end to end, row i's from
    // searchTextStarts[i] to the next start, made by the first search after
    // a load: lower-casing them again at every keystroke costs several
    // times the search itself. They change only when a load replaces the
    // rows, which empties these.
    std::wstring searchTexts;
    std::vector<size_t> searchTextStarts;
};

// The main window's grid; the user-interface thread alone touches it.
GridModel& Grid();

// What the filter controls and the search box say at one rebuild.
struct GridFilters {
    std::wstring set;      // empty: every set
    std::wstring rarity;   // empty: every rarity
    std::wstring location; // empty: every location
    bool inStockOnly = false;
    int32_t show = ShowAll; // ShowAll in Sales mode
    std::wstring search;    // the search box's text as typed
};

// A fresh load replaces the rows whole: no marks, no selected card, the
// load order (unsorted, ascending) and an empty view until the next rebuild.
void ReplaceGridRows(GridModel& model, std::vector<CatalogueRow> newRows);

// Rebuilds the view in rows order from the filters, then sorts it.
void RebuildView(GridModel& model, const GridFilters& filters);
// Stable sort of the view by the sort column and direction; ties keep
// their present order. Text columns compare in natural, case-insensitive
// order (StrCmpLogicalW), Held as a number.
void SortView(GridModel& model);
// A header click: a new column sorts ascending, the same column again
// reverses the direction; then the view is sorted again without filtering.
void SortByColumnClick(GridModel& model, int32_t column);

// Makes the rows' lower-cased search texts unless they are made already;
// otherwise the first search after a load makes them.
void PrepareSearchTexts(GridModel& model);
// Search: CharLowerW of the whole text (empty stays empty).
std::wstring LowerCased(const std::wstring& text);
// The non-empty runs between spaces and tabs; no other character separates.
std::vector<std::wstring> SplitSearchTerms(const std::wstring& text);
// Lower-cased name, set name, number (with "/" and the printed total when
// there is one), card id and rarity, one per line, so a term never matches
// across two fields. The location is not searched.
std::wstring BuildSearchText(const CatalogueRow& row);

// The text a column shows for a row; empty for a column outside the six.
std::wstring GridCellText(const CatalogueRow& row, int32_t column);
// The same, copied into a list view's buffer of size characters and cut to
// fit; nothing when there is no room at all.
void CopyGridCellText(const CatalogueRow& row, int32_t column, wchar_t* buffer, int size);

// "%d cards in catalogue" when the view shows every row, else "%d of %d cards".
std::wstring GridStatusText(const GridModel& model);

// Index of the first row whose card id is exactly cardId, or -1.
int32_t FindCatalogueRow(const GridModel& model, const std::wstring& cardId);
// The first view index showing row, or -1 when the view does not hold it.
int32_t ViewIndexOfRow(const GridModel& model, int32_t row);
// The row behind a list item, or -1 for an index outside the view.
int32_t RowOfViewItem(const GridModel& model, int32_t item);

// The distinct non-empty values of every row, in code-unit order (so "Z"
// comes before "a" and "Box A" and "box a" are two values).
std::vector<std::wstring> DistinctSetNames(const std::vector<CatalogueRow>& rows);
std::vector<std::wstring> DistinctRarities(const std::vector<CatalogueRow>& rows);
std::vector<std::wstring> DistinctLocations(const std::vector<CatalogueRow>& rows);
// The combo index of text in a filter made of its "All ..." item and then
// values: exact, case-sensitive, since filtering is; 0 when not there.
int32_t FilterItemIndex(const std::vector<std::wstring>& values, const std::wstring& text);

// Check marks. A row outside the marks counts as unchecked and is never
// written.
bool IsRowChecked(const GridModel& model, int32_t row);
void SetRowChecked(GridModel& model, int32_t row, bool checked);
// Flips the mark of the row behind a list item; false, with nothing
// changed, for an index outside the view.
bool ToggleViewItemMark(GridModel& model, int32_t item);
// The view is not empty and every row in it is checked.
bool AllVisibleChecked(const GridModel& model);
// Sets the mark of every row in the view; hidden rows keep theirs.
void SetVisibleMarks(GridModel& model, bool checked);
// The text of the View menu's check-all command.
const wchar_t* CheckAllMenuText(bool allChecked);
