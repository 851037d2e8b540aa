#include "app/main/modes.h"

#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/main/layout.h"
#include "app/main/menu.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"

void ApplyModeUi(HWND main)
{
    MainWindowState& state = MainWindow();
    const MainControls& c = state.controls;
    const bool collection = state.flags.collectionMode;

    const int salesOnly = collection ? SW_HIDE : SW_SHOW;
    const int collectionOnly = collection ? SW_SHOW : SW_HIDE;
    for (HWND control : {c.priceHeader, c.price[0], c.price[1], c.price[2], c.ebayComps, c.ebayCurrent, c.ebayHolo,
                         c.channelLabel, c.channel})
        ShowWindow(control, salesOnly);
    for (HWND control : {c.want, c.trade, c.showLabel, c.showFilter})
        ShowWindow(control, collectionOnly);

    SetWindowTextW(c.sellHeader, collection ? L"\u2192 Sale" : L"Sell");
    for (HWND button : c.sell)
        SetWindowTextW(button, collection ? L"\u2192 Sale" : L"\u22121");

    if (state.menu) {
        const UINT enable = MF_BYPOSITION | (collection ? MF_GRAYED : MF_ENABLED);
        EnableMenuItem(state.menu, kStoreMenuPosition, enable);
        EnableMenuItem(state.menu, kSalesMenuPosition, enable);
        DrawMenuBar(main);
        CheckMenuRadioItem(state.menu, IDM_MODE_SALES, IDM_MODE_COLLECTION,
                           collection ? IDM_MODE_COLLECTION : IDM_MODE_SALES, MF_BYCOMMAND);
    }
    InvalidateRect(c.modeToggle, nullptr, TRUE);
    LayoutMainWindow(main);
}

void SwitchMode(HWND main, bool collection)
{
    MainWindowState& state = MainWindow();
    const bool previous = state.flags.collectionMode;
    if (collection == previous || !Panel().confirmUnsavedChanges()) {
        ApplyModeUi(main);
        return;
    }
    state.flags.collectionMode = collection;
    ApplyModeUi(main);
    Panel().clearPanel();
    bool reloaded = false;
    ReloadCatalogue(&reloaded);
    if (reloaded) {
        SavePrefs();
        return;
    }
    // The rows shown are still the previous mode's, since a failed reload
    // keeps them.
    state.flags.collectionMode = previous;
    ApplyModeUi(main);
    SetStatusText(L"Could not switch mode \u2014 the database was not readable; mode unchanged");
}
