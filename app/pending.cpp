// SEAMS, see pending.h.
#include "app/pending.h"

#include "app/main_window.h"
#include "core/db.h"
#include "core/log.h"
#include "core/schema.h"

#include <commctrl.h>

#include <string>

void ReloadCatalogue(bool* ok)
{
    // Opening is where a pending schema upgrade runs, after its backup;
    // the rows themselves come with the grid.
    DbHandle db;
    std::string error;
    const bool opened = OpenReadyDb(DatabasePath(), db, error);
    if (!opened) {
        Log("ReloadCatalogue: open failed: %s", error.c_str());
        SetStatusText(L"Could not load the catalogue database \u2014 keeping current data");
    }
    if (ok)
        *ok = opened;
}

void ApplyFilters() {}

void FillSetAndRarityFilters()
{
    const MainControls& c = MainWindow().controls;
    const std::pair<HWND, const wchar_t*> filters[] = {
        {c.setFilter, L"All sets"}, {c.rarityFilter, L"All rarities"}, {c.locationFilter, L"All locations"}};
    for (const auto& [combo, all] : filters) {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(all));
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
    }
}

void RunGridContextCommand(int, int) {}

void ClearPanel() {}

bool ConfirmUnsavedChanges()
{
    return true;
}

bool StartImageCache(HWND)
{
    return true;
}

void ShutdownImageCache() {}

void PaintCardPreview(HDC, const RECT&) {}
