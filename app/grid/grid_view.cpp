#include "app/grid/grid_view.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_model.h"
#include "app/grid/panel_calls.h"
#include "app/shell/main_state.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"
#include "ui/controls.h"

#include <string>
#include <vector>

namespace {

constexpr COLORREF kRowText = RGB(0x17, 0x20, 0x33);
constexpr COLORREF kHotRowText = RGB(0x14, 0x14, 0x14);
constexpr COLORREF kStripeBackground = RGB(0xF4, 0xF6, 0xF9);
constexpr COLORREF kRowBackground = RGB(0xFF, 0xFF, 0xFF);
// The search box takes part up to this many characters, terminator included.
constexpr int kSearchBufferSize = 128;

HWND GridWindow()
{
    return MainWindow().controls.grid;
}

void SelectAndShow(HWND grid, int item)
{
    SetListItemState(grid, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(grid, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

// Item by item: the list's own "every item" form (index -1) visits every
// row while any is selected or focused, which at 20,000 rows costs more
// than the rest of a search keystroke. One selection is allowed, and it
// goes with the focus, so the focused item is nearly always the one to
// clear; any other selection left is cleared the long way.
void ClearSelectionAndFocus(HWND grid)
{
    const auto focused =
        static_cast<int>(SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0)
        SetListItemState(grid, focused, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (SendMessageW(grid, LVM_GETSELECTEDCOUNT, 0, 0) > 0)
        SetListItemState(grid, -1, 0, LVIS_SELECTED);
}

void SetItemCount(HWND grid)
{
    SendMessageW(grid, LVM_SETITEMCOUNT, Grid().view.size(), LVSICF_NOSCROLL);
}

int32_t ShowFilterChoice()
{
    const MainWindowState& state = MainWindow();
    if (!state.flags.collectionMode)
        return ShowAll;
    return static_cast<int32_t>(SendMessageW(state.controls.showFilter, CB_GETCURSEL, 0, 0));
}

void OnGetDispInfo(NMLVDISPINFOW& info)
{
    const GridModel& model = Grid();
    LVITEMW& item = info.item;
    const int32_t row = RowOfViewItem(model, item.iItem);
    if (row < 0)
        return;
    if (item.mask & LVIF_TEXT)
        CopyGridCellText(model.rows[static_cast<size_t>(row)], item.iSubItem, item.pszText, item.cchTextMax);
    if (item.mask & LVIF_STATE) {
        item.state = INDEXTOSTATEIMAGEMASK(IsRowChecked(model, row) ? 2 : 1);
        item.stateMask = LVIS_STATEIMAGEMASK;
    }
}

// The user picked another card. The panel may hold unsaved edits, so the
// change goes through its question; a refusal puts the list back on the
// panel's card.
void OnItemChanged(const NMLISTVIEW& change)
{
    GridModel& model = Grid();
    if (model.revertingSelection || !(change.uChanged & LVIF_STATE) || !(change.uNewState & LVIS_SELECTED))
        return;
    const int32_t row = RowOfViewItem(model, change.iItem);
    if (row < 0 || row == model.selectedRow)
        return;

    if (Panel().confirmUnsavedChanges()) {
        Panel().loadPanel(row);
        // A Yes saves first, and the save may filter again and select the
        // old card; the list must end on the card the panel now shows.
        RestoreGridSelection();
        return;
    }
    HWND grid = GridWindow();
    model.revertingSelection = true;
    SetListItemState(grid, change.iItem, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const int32_t previous = ViewIndexOfRow(model, model.selectedRow);
    if (previous >= 0)
        SelectAndShow(grid, previous);
    model.revertingSelection = false;
}

void OnColumnClick(const NMLISTVIEW& click)
{
    SortByColumnClick(Grid(), click.iSubItem);
    HWND grid = GridWindow();
    SetItemCount(grid);
    RestoreGridSelection();
    InvalidateRect(grid, nullptr, TRUE);
}

LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const auto item = static_cast<int>(draw.nmcd.dwItemSpec);
        if (SendMessageW(draw.nmcd.hdr.hwndFrom, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
            LVIS_SELECTED)
            return CDRF_DODEFAULT;
        if (draw.nmcd.uItemState & CDIS_HOT) {
            draw.clrText = kHotRowText;
        } else {
            draw.clrText = kRowText;
            draw.clrTextBk = (item % 2) ? kStripeBackground : kRowBackground;
        }
        return CDRF_NEWFONT;
    }
    default:
        return 0;
    }
}

} // namespace

void ReloadCatalogue(bool* ok)
{
    std::vector<CatalogueRow> rows;
    bool loaded = false;
    {
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(DatabasePath(), db, error))
            Log("ReloadCatalogue: open failed: %s", error.c_str());
        else if (!LoadCatalogueRows(db.get(), rows, error, MainWindow().flags.collectionMode ? "coll" : "sale"))
            Log("LoadCatalogueRows failed: %s", error.c_str());
        else
            loaded = true;
    }
    if (!loaded) {
        if (ok)
            *ok = false;
        SetStatusText(L"Could not load the catalogue database \u2014 keeping current data");
        return;
    }

    ReplaceGridRows(Grid(), std::move(rows));
    Panel().clearPanel();
    FillSetAndRarityFilters();
    ApplyFilters();
    if (ok)
        *ok = true;
    LogW(L"Catalogue loaded: %d rows", static_cast<int>(Grid().rows.size()));
}

void ApplyFilters()
{
    const MainWindowState& state = MainWindow();
    const MainControls& c = state.controls;
    GridFilters filters;
    filters.set = GetComboFilterText(c.setFilter);
    filters.rarity = GetComboFilterText(c.rarityFilter);
    filters.location = GetComboFilterText(c.locationFilter);
    filters.inStockOnly = state.flags.inStockOnly;
    filters.show = ShowFilterChoice();
    wchar_t search[kSearchBufferSize] = {};
    if (c.search)
        GetWindowTextW(c.search, search, kSearchBufferSize);
    filters.search = search;

    GridModel& model = Grid();
    RebuildView(model, filters);
    SetItemCount(c.grid);
    RestoreGridSelection();
    InvalidateRect(c.grid, nullptr, TRUE);
    UpdateCheckAllState();
    SetStatusText(GridStatusText(model));
}

void RestoreGridSelection()
{
    HWND grid = GridWindow();
    if (!grid)
        return;
    const int32_t item = ViewIndexOfRow(Grid(), Grid().selectedRow);
    if (item >= 0) {
        SelectAndShow(grid, item);
        return;
    }
    // The list keeps its selected index when its items change under it, so
    // it would highlight whichever card sits there now, and a click on that
    // card would raise no change and never open it.
    ClearSelectionAndFocus(grid);
}

void FillSetAndRarityFilters()
{
    const MainControls& c = MainWindow().controls;
    const std::vector<CatalogueRow>& rows = Grid().rows;
    FillComboBox(c.setFilter, L"All sets", DistinctSetNames(rows));
    FillComboBox(c.rarityFilter, L"All rarities", DistinctRarities(rows));
    FillLocationFilter(false);
}

void FillLocationFilter(bool keepSelection)
{
    HWND combo = MainWindow().controls.locationFilter;
    const std::wstring previous = keepSelection ? GetComboFilterText(combo) : std::wstring();
    const std::vector<std::wstring> locations = DistinctLocations(Grid().rows);
    FillComboBox(combo, L"All locations", locations);
    // By exact text, as the filter compares: "Box A" and "box a" are two
    // places, and the other one would show other rows.
    const int32_t item = FilterItemIndex(locations, previous);
    if (item > 0)
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
}

int32_t FindCatalogueRow(const std::wstring& cardId)
{
    return FindCatalogueRow(Grid(), cardId);
}

bool IsShowFilterActive()
{
    return ShowFilterChoice() > ShowAll;
}

LRESULT OnGridNotify(const NMHDR& notify)
{
    auto* message = const_cast<NMHDR*>(&notify);
    switch (notify.code) {
    case LVN_GETDISPINFOW:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(message));
        return 0;
    case LVN_ITEMCHANGED:
        OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(message));
        return 0;
    case LVN_COLUMNCLICK:
        OnColumnClick(*reinterpret_cast<const NMLISTVIEW*>(message));
        return 0;
    case NM_CUSTOMDRAW:
        return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(message));
    case NM_CLICK:
    case NM_DBLCLK:
        OnGridCheckClick(reinterpret_cast<const NMITEMACTIVATE*>(message)->ptAction);
        return 0;
    case LVN_ODFINDITEMW:
        // The list asks an owner-data parent which row a typed letter
        // matches; 0 would mean the first row and open it on any keystroke.
        return -1;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN*>(message)->wVKey == VK_SPACE)
            ToggleRowCheck(static_cast<int32_t>(
                SendMessageW(notify.hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
        return 0;
    default:
        return 0;
    }
}
