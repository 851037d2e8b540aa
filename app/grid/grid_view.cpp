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

// Under Wine the list draws inside the calls that change it, before its
// rows are final: its scroll bar, twice, in every LVM_SETITEMCOUNT (most of
// the call's 8 to 12 ms, whatever the count), and all its rows when
// LVM_ENSUREVISIBLE scrolls, only to paint them all again right after. While
// this lives the list is left out of drawing, as DefWindowProc's
// WM_SETREDRAW leaves a window; the list's own handler would stop its scroll
// bar following the count, and bring it up to date, drawing, when switched
// back on. Afterwards the whole list, frame and header too, waits for the
// next paint, which draws the scroll bar once. That makes the paint dearer,
// so the pause is kept for a new count or a scroll. A list that is not on
// screen draws nothing anyway.
class ListDrawingPaused {
public:
    ListDrawingPaused(HWND list, bool pause) : list_(pause && IsWindowVisible(list) ? list : nullptr)
    {
        if (list_)
            DefWindowProcW(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~ListDrawingPaused()
    {
        if (!list_)
            return;
        DefWindowProcW(list_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    ListDrawingPaused(const ListDrawingPaused&) = delete;
    ListDrawingPaused& operator=(const ListDrawingPaused&) = delete;

private:
    HWND list_;
};

// Whether the item is wholly in view, so showing it scrolls nothing.
bool IsOnPage(HWND grid, int32_t item)
{
    const auto top = static_cast<int32_t>(SendMessageW(grid, LVM_GETTOPINDEX, 0, 0));
    const auto page = static_cast<int32_t>(SendMessageW(grid, LVM_GETCOUNTPERPAGE, 0, 0));
    return item >= top && item < top + page;
}

// The view has new rows, or the same in a new order. An owner-data list
// asks for its rows when it paints, so it needs to hear of the count only
// when that changed; then it takes up the selection and is repainted whole.
void UpdateList(HWND grid)
{
    const GridModel& model = Grid();
    const size_t count = model.view.size();
    const bool newCount = static_cast<size_t>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0)) != count;
    const int32_t selected = ViewIndexOfRow(model, model.selectedRow);
    {
        ListDrawingPaused paused(grid, newCount || (selected >= 0 && !IsOnPage(grid, selected)));
        if (newCount)
            SendMessageW(grid, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
        RestoreGridSelection();
    }
    InvalidateRect(grid, nullptr, TRUE);
}

// A reload nearly always finds the same values for a filter. Adding them
// item by item costs a few milliseconds under Wine (more than reading them
// back), so a combo that holds them already only goes back to its first
// item, as a refill would leave it.
void RefillFilter(HWND combo, const wchar_t* first, const std::vector<std::wstring>& values)
{
    bool same = static_cast<size_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) == values.size() + 1 &&
                ComboItemText(combo, 0) == first;
    for (size_t i = 0; same && i < values.size(); ++i)
        same = ComboItemText(combo, static_cast<int>(i + 1)) == values[i];
    if (same)
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
    else
        FillComboBox(combo, first, values);
}

// The first search after a load would lower-case every row's texts, a few
// milliseconds at 20,000 rows. Done once the reload is painted and nothing
// else waits (a timer message comes last), they are ready when the search
// delay of the first keystroke runs out.
void CALLBACK PrepareSearchWhenIdle(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    PrepareSearchTexts(Grid());
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
    UpdateList(GridWindow());
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
        else if (!LoadCatalogueRows(db.get(), rows, error, CurrentLedger()))
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
    SetTimer(nullptr, 0, 0, PrepareSearchWhenIdle);
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
    UpdateList(c.grid);
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
    RefillFilter(c.setFilter, L"All sets", DistinctSetNames(rows));
    RefillFilter(c.rarityFilter, L"All rarities", DistinctRarities(rows));
    FillLocationFilter(false);
}

void FillLocationFilter(bool keepSelection)
{
    HWND combo = MainWindow().controls.locationFilter;
    const std::wstring previous = keepSelection ? GetComboFilterText(combo) : std::wstring();
    const std::vector<std::wstring> locations = DistinctLocations(Grid().rows);
    RefillFilter(combo, L"All locations", locations);
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
