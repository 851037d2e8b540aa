#include "app/commands.h"

#include "app/grid_checks.h"
#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/modes.h"
#include "app/pending.h"
#include "app/ui_calls.h"
#include "core/backup.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/text.h"

#include <shellapi.h>

namespace {

constexpr const wchar_t* kMakerCredit =
    L"Made by Kov \u00b7 not affiliated with Nintendo or The Pok\u00e9mon Company.";
constexpr const wchar_t* kDescription = L"Offline Pok\u00e9mon TCG catalogue, collection, inventory & sales manager.";

void ToggleSelfHost()
{
    UiPrefs& flags = MainWindow().flags;
    flags.selfHost = !flags.selfHost;
    SetMenuCheck(IDM_SELF_HOST, flags.selfHost);
    SavePrefs();
}

void ToggleInStockOnly()
{
    UiPrefs& flags = MainWindow().flags;
    flags.inStockOnly = !flags.inStockOnly;
    SetMenuCheck(IDM_IN_STOCK_ONLY, flags.inStockOnly);
    SavePrefs();
    ApplyFilters();
}

void ToggleAlwaysOnTop()
{
    UiPrefs& flags = MainWindow().flags;
    flags.alwaysOnTop = !flags.alwaysOnTop;
    ApplyTopmost();
    SetMenuCheck(IDM_ALWAYS_ON_TOP, flags.alwaysOnTop);
    SavePrefs();
}

void ToggleDebugLog()
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

bool IsChecked(HWND button)
{
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
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

// A click on the left half picks Sales, on the right half Collection; a
// click from the keyboard, with the cursor elsewhere, flips the mode.
void OnModeToggleClicked(HWND main)
{
    HWND toggle = MainWindow().controls.modeToggle;
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(toggle, &cursor);
    RECT client = {};
    GetClientRect(toggle, &client);
    if (cursor.x >= 0 && cursor.x < client.right)
        SwitchMode(main, cursor.x >= client.right / 2);
    else
        SwitchMode(main, !MainWindow().flags.collectionMode);
}

void OnControlNotification(HWND main, int id, int code)
{
    UiPrefs& flags = MainWindow().flags;
    const MainControls& c = MainWindow().controls;
    switch (id) {
    case IDC_SET_FILTER:
    case IDC_RARITY_FILTER:
    case IDC_LOCATION_FILTER:
    case IDC_SHOW_FILTER:
        if (code == CBN_SELCHANGE)
            ApplyFilters();
        break;
    case IDC_SEARCH:
        // Every keystroke restarts the delay: the filter runs once typing
        // pauses.
        if (code == EN_CHANGE)
            SetTimer(main, IDT_SEARCH, kSearchDelayMs, nullptr);
        break;
    case IDC_EBAY_CURRENT:
        if (code == BN_CLICKED) {
            flags.ebayCurrent = IsChecked(c.ebayCurrent);
            SavePrefs();
        }
        break;
    case IDC_EBAY_HOLO:
        if (code == BN_CLICKED) {
            flags.ebayHolo = IsChecked(c.ebayHolo);
            SavePrefs();
        }
        break;
    case IDC_CLEAR_FILTERS:
        if (code == BN_CLICKED)
            ClearFilters(main);
        break;
    case IDC_MODE_TOGGLE:
        if (code == BN_CLICKED)
            OnModeToggleClicked(main);
        break;
    default:
        break;
    }
}

HRESULT CALLBACK AboutLinkCallback(HWND, UINT notification, WPARAM, LPARAM link, LONG_PTR)
{
    if (notification == TDN_HYPERLINK_CLICKED && link)
        ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(link), nullptr, nullptr, SW_SHOWNORMAL);
    return S_OK;
}

} // namespace

void OnMainCommand(HWND main, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    switch (id) {
    case IDM_BACKUP_NOW:
        BackupNow();
        return;
    case IDM_EXIT:
        PostMessageW(main, WM_CLOSE, 0, 0);
        return;
    case IDM_SELF_HOST:
        ToggleSelfHost();
        return;
    case IDM_IN_STOCK_ONLY:
        ToggleInStockOnly();
        return;
    case IDM_ALWAYS_ON_TOP:
        ToggleAlwaysOnTop();
        return;
    case IDM_MODE_SALES:
        SwitchMode(main, false);
        return;
    case IDM_MODE_COLLECTION:
        SwitchMode(main, true);
        return;
    case IDM_ABOUT:
        ShowAboutBox(main);
        return;
    case IDM_DEBUG_LOG:
        ToggleDebugLog();
        return;
    case IDM_CHECK_ALL:
        OnCheckAllCommand();
        return;
    default:
        break;
    }
    // Menu commands whose operations are not in the program yet do nothing.
    if (id >= IDM_EXPORT_CSV && id <= IDM_SET_COMPLETION_REPORT)
        return;
    OnControlNotification(main, id, HIWORD(wParam));
}

void OnMainTimer(HWND main, WPARAM timerId)
{
    if (timerId != IDT_SEARCH)
        return;
    KillTimer(main, IDT_SEARCH);
    ApplyFilters();
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

void ShowAboutBox(HWND main)
{
    const std::wstring version = Utf8ToWide(kProgramVersion);
    const std::wstring site = kMakerWebSite;
    const std::wstring content = L"Version " + version + L"\n\n" + kDescription +
                                 L"\nFree \u00b7 no account \u00b7 your data stays on your computer.\n\n"
                                 L"More free tools: <a href=\"" +
                                 site + L"\">" + site + L"</a>\n\n" + kMakerCredit;

    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof(config);
    config.hwndParent = main;
    config.hInstance = MainWindow().instance;
    config.dwFlags = TDF_ENABLE_HYPERLINKS | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = L"About";
    config.pszMainIcon = MAKEINTRESOURCEW(IDI_APP_ICON);
    config.pszMainInstruction = kProgramName;
    config.pszContent = content.c_str();
    config.pfCallback = AboutLinkCallback;
    if (SUCCEEDED(Ui().taskDialog(&config, nullptr)))
        return;

    const std::wstring plain = std::wstring(kProgramName) + L"\nVersion " + version + L"\n\n" + kDescription +
                               L"\nMore free tools: " + site + L"\n" + kMakerCredit;
    Ui().messageBox(main, plain.c_str(), L"About", MB_ICONINFORMATION);
}

std::wstring ChooseFolder()
{
    return Ui().browseForFolder(MainWindow().window, L"Choose a folder to save into");
}
