#include "app/main/commands.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/jobs/update_command.h"
#include "app/main/about.h"
#include "app/main/modes.h"
#include "app/panel/auction_lookup.h"
#include "app/reports/export_commands.h"
#include "app/restore/restore_command.h"
#include "app/panel/panel.h"
#include "app/reports/report_commands.h"
#include "app/sales/sales_commands.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "app/store/generate_command.h"
#include "app/store/store_settings_window.h"
#include "core/backup.h"
#include "core/log.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <iterator>

namespace {

void ToggleSelfHost(HWND)
{
    UiPrefs& flags = MainWindow().flags;
    flags.selfHost = !flags.selfHost;
    SetMenuCheck(IDM_SELF_HOST_IMAGES, flags.selfHost);
    SavePrefs();
}

void ToggleInStockOnly(HWND)
{
    UiPrefs& flags = MainWindow().flags;
    flags.inStockOnly = !flags.inStockOnly;
    SetMenuCheck(IDM_IN_STOCK_ONLY, flags.inStockOnly);
    SavePrefs();
    ApplyFilters();
}

void ToggleAlwaysOnTop(HWND)
{
    UiPrefs& flags = MainWindow().flags;
    flags.alwaysOnTop = !flags.alwaysOnTop;
    ApplyTopmost();
    SetMenuCheck(IDM_ALWAYS_ON_TOP, flags.alwaysOnTop);
    SavePrefs();
}

void ToggleDebugLog(HWND)
{
    UiPrefs& flags = MainWindow().flags;
    // Each change is written while the log is on, so both lines reach it.
    if (flags.debugLog) {
        Log("Debug logging disabled");
        DebugLogEnabled.exchange(false);
    } else {
        DebugLogEnabled.exchange(true);
        Log("Debug logging enabled");
    }
    flags.debugLog = !flags.debugLog;
    SetMenuCheck(IDM_DEBUG_LOG, flags.debugLog);
    SavePrefs();
}

void SaveEbayCurrent(HWND)
{
    MainWindow().flags.ebayCurrent = IsChecked(MainWindow().controls.ebayCurrent);
    SavePrefs();
}

void SaveEbayHolo(HWND)
{
    MainWindow().flags.ebayHolo = IsChecked(MainWindow().controls.ebayHolo);
    SavePrefs();
}

void FilterAgain(HWND)
{
    ApplyFilters();
}

// Every keystroke restarts the delay: the filter runs once typing pauses.
void RestartSearchDelay(HWND main)
{
    SetTimer(main, IDT_SEARCH, kSearchDelayMs, nullptr);
}

void ClearFilters(HWND main)
{
    const MainControls& c = MainWindow().controls;
    for (HWND filter : {c.setFilter, c.rarityFilter, c.locationFilter})
        SendMessageW(filter, CB_SETCURSEL, 0, 0);
    // Emptying the search box starts the typing delay; the filter runs now
    // instead, once.
    SetWindowTextW(c.search, L"");
    KillTimer(main, IDT_SEARCH);
    ApplyFilters();
}

// A click on the left half picks Sales, on the right half Collection. A
// press from the keyboard leaves the pointer wherever it rests, so a half
// is taken from the cursor only when it is over the toggle; otherwise the
// press flips the mode.
void OnModeToggleClicked(HWND main)
{
    HWND toggle = MainWindow().controls.modeToggle;
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(toggle, &cursor);
    RECT client = {};
    GetClientRect(toggle, &client);
    if (PtInRect(&client, cursor))
        SwitchMode(main, cursor.x >= client.right / 2);
    else
        SwitchMode(main, !MainWindow().flags.collectionMode);
}

void Exit(HWND main)
{
    PostMessageW(main, WM_CLOSE, 0, 0);
}

void BackUpNow(HWND)
{
    BackupNow();
}

void ExportCsv(HWND)
{
    ExportCardList(ExportFormat::Csv);
}

void ExportTxt(HWND)
{
    ExportCardList(ExportFormat::Txt);
}

void ExportToClipboard(HWND)
{
    ExportCardList(ExportFormat::Clipboard);
}

void ExportInventoryCsv(HWND)
{
    ExportStockCsv();
}

void RestoreFromBackup(HWND)
{
    OnRestoreFromBackup();
}

void SwitchToSales(HWND main)
{
    SwitchMode(main, false);
}

void SwitchToCollection(HWND main)
{
    SwitchMode(main, true);
}

void CheckAll(HWND)
{
    OnCheckAllCommand();
}

void SaveStockPanel(HWND)
{
    SavePanel();
}

void PanelFieldEdited(HWND)
{
    NotePanelEdited();
}

void PanelVariantChanged(HWND)
{
    OnVariantChanged();
}

// A condition row's button sells one copy in Sales mode and moves one to
// the sale stock in Collection mode.
void SellOrMove(int condition)
{
    if (MainWindow().flags.collectionMode)
        MoveToSale(condition);
    else
        QuickSell(condition);
}

struct MenuCommand {
    int id;
    void (*run)(HWND main);
};

// Ids of the menu bar that are not here have no operation yet; their items
// are greyed.
const MenuCommand kMenuCommands[] = {
    {IDM_EXPORT_CSV, ExportCsv},
    {IDM_EXPORT_TXT, ExportTxt},
    {IDM_EXPORT_CLIPBOARD, ExportToClipboard},
    {IDM_EXPORT_INVENTORY_CSV, ExportInventoryCsv},
    {IDM_BACKUP_NOW, BackUpNow},
    {IDM_RESTORE_BACKUP, RestoreFromBackup},
    {IDM_UPDATE_CATALOGUE, [](HWND) { OnUpdateCatalogueOnline(); }},
    {IDM_EXIT, Exit},
    {IDM_SELF_HOST_IMAGES, ToggleSelfHost},
    {IDM_IN_STOCK_ONLY, ToggleInStockOnly},
    {IDM_CHECK_ALL, CheckAll},
    {IDM_ALWAYS_ON_TOP, ToggleAlwaysOnTop},
    {IDM_MODE_SALES, SwitchToSales},
    {IDM_MODE_COLLECTION, SwitchToCollection},
    {IDM_ABOUT, ShowAboutBox},
    {IDM_DEBUG_LOG, ToggleDebugLog},
    {IDM_UPDATE_CHECKED_SOLD, [](HWND) { OnUpdateCheckedCardsSold(CollectCheckedCards()); }},
    {IDM_UNDO_LAST_SALE, [](HWND) { OnUndoLastSale(); }},
    {IDM_UNDO_BULK_RECENT, [](HWND) { OnUndoBulkRecentSales(); }},
    {IDM_SALES_REPORT, [](HWND) { SalesReport(); }},
    {IDM_WISHLIST_REPORT, [](HWND) { Wishlist(); }},
    {IDM_TRADE_LIST, [](HWND) { Trade(); }},
    {IDM_SET_COMPLETION, [](HWND) { SetCompletion(); }},
    {IDM_STORE_SETTINGS, [](HWND) { EditStoreSettings(); }},
    {IDM_GENERATE_STORE, [](HWND) { Generate(); }},
};

struct ControlNotification {
    int id;
    int code;
    void (*run)(HWND main);
};

const ControlNotification kControlNotifications[] = {
    {IDC_SET_FILTER, CBN_SELCHANGE, FilterAgain},
    {IDC_RARITY_FILTER, CBN_SELCHANGE, FilterAgain},
    {IDC_LOCATION_FILTER, CBN_SELCHANGE, FilterAgain},
    {IDC_SHOW_FILTER, CBN_SELCHANGE, FilterAgain},
    {IDC_SEARCH, EN_CHANGE, RestartSearchDelay},
    {IDC_EBAY_CURRENT, BN_CLICKED, SaveEbayCurrent},
    {IDC_EBAY_HOLO, BN_CLICKED, SaveEbayHolo},
    {IDC_EBAY_COMPS, BN_CLICKED, [](HWND) { OnEbay(); }},
    {IDC_CLEAR_FILTERS, BN_CLICKED, ClearFilters},
    {IDC_MODE_TOGGLE, BN_CLICKED, OnModeToggleClicked},
    {IDC_SAVE, BN_CLICKED, SaveStockPanel},
    {IDC_VARIANT, CBN_SELCHANGE, PanelVariantChanged},
    {IDC_LOCATION, CBN_SELCHANGE, PanelFieldEdited},
    {IDC_LOCATION, CBN_EDITCHANGE, PanelFieldEdited},
    {IDC_WANT, BN_CLICKED, PanelFieldEdited},
    {IDC_TRADE, BN_CLICKED, PanelFieldEdited},
    {IDC_QTY_MINT, EN_CHANGE, PanelFieldEdited},
    {IDC_QTY_NEAR_MINT, EN_CHANGE, PanelFieldEdited},
    {IDC_QTY_PLAYED, EN_CHANGE, PanelFieldEdited},
    {IDC_PRICE_MINT, EN_CHANGE, PanelFieldEdited},
    {IDC_PRICE_NEAR_MINT, EN_CHANGE, PanelFieldEdited},
    {IDC_PRICE_PLAYED, EN_CHANGE, PanelFieldEdited},
    {IDC_SELL_MINT, BN_CLICKED, [](HWND) { SellOrMove(0); }},
    {IDC_SELL_NEAR_MINT, BN_CLICKED, [](HWND) { SellOrMove(1); }},
    {IDC_SELL_PLAYED, BN_CLICKED, [](HWND) { SellOrMove(2); }},
};

const MenuCommand* FindMenuCommand(int id)
{
    for (const MenuCommand& command : kMenuCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

} // namespace

void OnMainCommand(HWND main, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (const MenuCommand* command = FindMenuCommand(id)) {
        command->run(main);
        return;
    }
    const int code = HIWORD(wParam);
    for (const ControlNotification& notification : kControlNotifications) {
        if (notification.id == id && notification.code == code) {
            notification.run(main);
            return;
        }
    }
}

void OnMainTimer(HWND main, WPARAM timerId)
{
    if (timerId != IDT_SEARCH)
        return;
    KillTimer(main, IDT_SEARCH);
    ApplyFilters();
}

bool HasMenuCommand(int id)
{
    return FindMenuCommand(id) != nullptr;
}

void GreyCommandsWithoutHandler(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU popup = GetSubMenu(menu, i)) {
            GreyCommandsWithoutHandler(popup);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id != 0 && id != static_cast<UINT>(-1) && !HasMenuCommand(static_cast<int>(id)))
            EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
    }
}

void OnGridRightClick(HWND main, const NMITEMACTIVATE& click)
{
    const MainWindowState& state = MainWindow();
    if (state.flags.collectionMode)
        return;
    int item = click.iItem;
    if (item < 0) {
        LVHITTESTINFO hit = {};
        hit.pt = click.ptAction;
        item = static_cast<int>(SendMessageW(state.controls.grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
    const int32_t row = RowOfViewItem(Grid(), item);
    if (row < 0)
        return;
    const CatalogueRow& clicked = Grid().rows[static_cast<size_t>(row)];
    const ContextCard card = {clicked.card_id, clicked.name};

    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_CTX_UPDATE_SOLD, L"Update Checked Cards Sold");
    AppendMenuW(menu, MF_STRING, IDM_CTX_RECENT_SALES, L"Recent sales for this card\u2026");
    POINT cursor = {};
    GetCursorPos(&cursor);
    const int chosen = Ui().trackPopupMenu(menu, cursor.x, cursor.y, main);
    DestroyMenu(menu);
    if (chosen == IDM_CTX_UPDATE_SOLD || chosen == IDM_CTX_RECENT_SALES)
        GridContext().run(chosen, card);
}
