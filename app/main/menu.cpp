#include "app/main/menu.h"

#include "app/shell/ids.h"

namespace {

void Item(HMENU menu, int command, const wchar_t* text)
{
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), text);
}

void Separator(HMENU menu)
{
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

void Popup(HMENU parent, HMENU popup, const wchar_t* text)
{
    AppendMenuW(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text);
}

} // namespace

HMENU CreateMainMenu()
{
    HMENU bar = CreateMenu();

    HMENU file = CreatePopupMenu();
    Item(file, IDM_UPDATE_CATALOGUE, L"&Update catalogue online\u2026");
    Separator(file);
    HMENU exportList = CreatePopupMenu();
    Item(exportList, IDM_EXPORT_CSV, L"Save as &CSV\u2026");
    Item(exportList, IDM_EXPORT_TXT, L"Save as &TXT\u2026");
    Item(exportList, IDM_EXPORT_CLIPBOARD, L"&Copy to clipboard (spreadsheet)");
    Popup(file, exportList, L"&Export card list");
    Separator(file);
    Item(file, IDM_BACKUP_NOW, L"&Back up database now");
    Item(file, IDM_RESTORE_BACKUP, L"&Restore from backup\u2026");
    Item(file, IDM_EXPORT_INVENTORY_CSV, L"Export in&ventory to CSV\u2026");
    Separator(file);
    Item(file, IDM_EXIT, L"E&xit");
    Popup(bar, file, L"&File");

    HMENU store = CreatePopupMenu();
    Item(store, IDM_GENERATE_STORE, L"&Generate Store Page\u2026");
    Item(store, IDM_SELF_HOST_IMAGES, L"Self-&host images");
    Separator(store);
    Item(store, IDM_STORE_SETTINGS, L"Store Page &Settings\u2026");
    Popup(bar, store, L"&Store");

    HMENU sales = CreatePopupMenu();
    Item(sales, IDM_UPDATE_CHECKED_SOLD, L"&Update Checked Cards Sold\u2026");
    Separator(sales);
    Item(sales, IDM_UNDO_LAST_SALE, L"Undo &Last Sale");
    Item(sales, IDM_UNDO_BULK_RECENT, L"Undo &Bulk Recent Sales\u2026");
    Separator(sales);
    Item(sales, IDM_SALES_REPORT, L"Sales &Report (HTML)\u2026");
    Popup(bar, sales, L"Sa&les");

    HMENU collection = CreatePopupMenu();
    Item(collection, IDM_WISHLIST_REPORT, L"&Wishlist report (HTML)\u2026");
    Item(collection, IDM_SET_COMPLETION, L"&Set-completion report (HTML)\u2026");
    Item(collection, IDM_TRADE_LIST, L"&Trade list (HTML)\u2026");
    Popup(bar, collection, L"&Collection");

    HMENU view = CreatePopupMenu();
    Item(view, IDM_IN_STOCK_ONLY, L"&In stock only");
    Item(view, IDM_ALWAYS_ON_TOP, L"Always on &top");
    HMENU mode = CreatePopupMenu();
    Item(mode, IDM_MODE_SALES, L"&Sales");
    Item(mode, IDM_MODE_COLLECTION, L"&Collection");
    Popup(view, mode, L"&Mode");
    Separator(view);
    Item(view, IDM_CHECK_ALL, L"&Check all");
    Popup(bar, view, L"&View");

    HMENU help = CreatePopupMenu();
    Item(help, IDM_DEBUG_LOG, L"&Write debug log");
    Separator(help);
    Item(help, IDM_ABOUT, L"&About");
    Popup(bar, help, L"&Help");

    return bar;
}
