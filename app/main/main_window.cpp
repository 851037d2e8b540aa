#include "app/main/main_window.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/images/image_cache.h"
#include "app/jobs/job_runner.h"
#include "app/main/commands.h"
#include "app/main/controls.h"
#include "app/main/layout.h"
#include "app/main/menu.h"
#include "app/main/modes.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "app/shell/paint.h"
#include "core/db.h"
#include "core/db_check.h"
#include "core/log.h"
#include "core/paths.h"
#include "ui/controls.h"
#include "ui/ui_calls.h"

#include <commctrl.h>
#include <dwmapi.h>

namespace {

constexpr const wchar_t* kBlockedUpgradeText =
    L"A required database upgrade couldn\u2019t be completed \u2014 most likely because the automatic backup it "
    L"makes first couldn\u2019t be created. To protect your data, the catalogue has NOT been opened or "
    L"upgraded.\n\nFree up disk space (or close other programs using binderwell.db), then reopen Binderwell. You "
    L"can also copy binderwell.db yourself as a manual backup.";

void ApplyUiPrefs(HWND main)
{
    MainWindowState& state = MainWindow();
    // The logger's own switch keeps what start-up set from the same file.
    LoadUiPrefs(PrefsFilePath(), state.flags);
    ApplyTopmost();
    ApplyModeUi(main);
    SetChecked(state.controls.ebayCurrent, state.flags.ebayCurrent);
    SetChecked(state.controls.ebayHolo, state.flags.ebayHolo);
    SetMenuCheck(IDM_SELF_HOST_IMAGES, state.flags.selfHost);
    SetMenuCheck(IDM_IN_STOCK_ONLY, state.flags.inStockOnly);
    SetMenuCheck(IDM_ALWAYS_ON_TOP, state.flags.alwaysOnTop);
    SetMenuCheck(IDM_DEBUG_LOG, state.flags.debugLog);
}

// No database is created at start-up: a first start only says how to get
// a catalogue. An upgrade that could not run (its backup failed) is the one
// failure the user must hear about before anything else.
void LoadCatalogueAtStartup(HWND main)
{
    if (GetFileAttributesW(DatabasePath().c_str()) == INVALID_FILE_ATTRIBUTES) {
        ApplyFilters();
        SetStatusText(L"No catalogue yet \u2014 use File \u2192 Update catalogue online\u2026");
        return;
    }
    int version = -1;
    const bool upgradeDue = DbNeedsUpgrade(version);
    bool loaded = false;
    ReloadCatalogue(&loaded);
    if (loaded || !upgradeDue)
        return;
    ApplyFilters();
    Log("Startup: upgrade from schema v%d did not complete (pre-migration backup likely failed)", version);
    Ui().messageBox(main, kBlockedUpgradeText, kProgramName, MB_ICONERROR);
    SetStatusText(L"Catalogue not loaded \u2014 a database upgrade needs a backup first");
}

void KeepLightTitleBar(HWND main)
{
    const BOOL dark = FALSE;
    DwmSetWindowAttribute(main, 20, &dark, sizeof(dark));
    DwmSetWindowAttribute(main, 19, &dark, sizeof(dark));
}

void OnCreate(HWND main)
{
    MainWindowState& state = MainWindow();
    HDC dc = GetDC(main);
    state.dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(main, dc);
    state.mainFont = CreateUiFont(state.dpi, 9, FW_NORMAL);
    state.titleFont = CreateUiFont(state.dpi, 12, FW_SEMIBOLD);

    CreateMainControls(state);
    SetWindowSubclass(state.controls.grid, GridSubclassProc, kGridSubclassId, 0);
    LayoutMainWindow(main);
    if (!StartImageCache(main))
        Log("Card image system failed to start; images disabled this session.");
    Panel().clearPanel();
    ApplyUiPrefs(main);
    FillSetAndRarityFilters();
    LoadCatalogueAtStartup(main);
    KeepLightTitleBar(main);
    ApplyControlThemes(state.controls);
}

void OnClose(HWND main)
{
    // Destroying the window (and the image system) under a running job
    // would pull everything from beneath it: the job stops first, and the
    // window closes once it has ended.
    if (CloseOwnerAfterJob())
        return;
    // A modal window or a job disables the main window while it runs; the
    // window must not be destroyed under it, whoever asks.
    if (!IsWindowEnabled(main))
        return;
    if (Panel().confirmUnsavedChanges())
        DestroyWindow(main);
}

void OnDestroy()
{
    MainWindowState& state = MainWindow();
    RemoveWindowSubclass(state.controls.grid, GridSubclassProc, kGridSubclassId);
    ShutdownImageCache();
    for (HFONT* font : {&state.mainFont, &state.titleFont}) {
        if (*font)
            DeleteObject(*font);
        *font = nullptr;
    }
    PostQuitMessage(0);
}

LRESULT OnDrawItem(HWND main, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlID == IDC_CARD_IMAGE) {
        PaintCardPreview(item.hDC, item.rcItem);
        return TRUE;
    }
    if (item.CtlID == IDC_MODE_TOGGLE) {
        PaintModeToggle(item, MainWindow().flags.collectionMode);
        return TRUE;
    }
    if (item.CtlType == ODT_BUTTON) {
        PaintOwnerButton(item);
        return TRUE;
    }
    return DefWindowProcW(main, message, wParam, lParam);
}

LRESULT OnNotify(HWND main, const NMHDR& notify)
{
    if (notify.idFrom != IDC_GRID)
        return 0;
    if (notify.code == static_cast<UINT>(NM_RCLICK)) {
        OnGridRightClick(main, reinterpret_cast<const NMITEMACTIVATE&>(notify));
        return 0;
    }
    return OnGridNotify(notify);
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND main, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        // Helpers called while the window is being created (status text,
        // topmost, message-box owner) need its handle before
        // CreateWindowExW returns.
        const auto& create = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
        MainWindowState& state = MainWindow();
        state = MainWindowState();
        state.window = main;
        state.instance = create.hInstance;
        state.menu = create.hMenu;
        break;
    }
    case WM_CREATE:
        OnCreate(main);
        return 0;
    case WM_CLOSE:
        OnClose(main);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY: {
        // The menu and the controls went with the window.
        MainWindowState& state = MainWindow();
        state.window = nullptr;
        state.menu = nullptr;
        state.controls = MainControls();
        break;
    }
    case WM_SIZE:
        LayoutMainWindow(main);
        return 0;
    case WM_COMMAND:
        OnMainCommand(main, wParam);
        return 0;
    case WM_TIMER:
        OnMainTimer(main, wParam);
        return 0;
    case WM_NOTIFY:
        return OnNotify(main, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM:
        return OnDrawItem(main, message, wParam, lParam);
    case WM_APP_IMAGE_READY:
        OnCardImageReady(wParam, lParam);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(ControlColours(message, reinterpret_cast<HDC>(wParam)));
    default:
        break;
    }
    return DefWindowProcW(main, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP_ICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = Brushes().window;
    windowClass.lpszClassName = kMainWindowClass;
    // Registered already when a test creates the window again.
    RegisterClassExW(&windowClass);

    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);

    HMENU menu = CreateMainMenu();
    GreyCommandsWithoutHandler(menu);
    RECT rect = {0, 0, MulDiv(kMainClientWidth, screenDpi, 96), MulDiv(kMainClientHeight, screenDpi, 96)};
    AdjustWindowRectEx(&rect, kMainWindowStyle, TRUE, 0);
    HWND main = CreateWindowExW(0, kMainWindowClass, kProgramName, kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, menu, instance, nullptr);
    if (!main && IsMenu(menu))
        DestroyMenu(menu);
    return main;
}
