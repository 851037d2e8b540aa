// Benchmark of the stock panel in the real main window (not a test): a
// program folder of its own with the generated 20,000-card database and
// 100,000 sales, the window shown, then clicks on grid rows timed until the
// panel is filled and painted, Saves timed until the panel and the grid are
// refreshed, and quick sales (a row's "−1") timed from the click until the
// panel and the grid are refreshed, with and without "In stock only". A
// click's time is also split into the grid's part (the same clicks with a
// panel that only follows the row) and the panel's (LoadPanel alone).
// Needs a display. Run on demand:  build/wine-run.sh build/bench/panel_bench.exe
#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/grid/panel_calls.h"
#include "app/main/main_window.h"
#include "app/main/startup.h"
#include "app/panel/panel.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "bench/bench_database.h"
#include "bench/bench_random.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Selections = 300;
constexpr int Saves = 100;
constexpr int Sales = 100000;
constexpr int QuickSales = 100; // each way
constexpr double SelectTargetMs = 15.0;
constexpr double SaveTargetMs = 30.0;
constexpr double QuickSaleTargetMs = 50.0;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Every message the user's action caused, painting included.
void Pump()
{
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A left click in the middle of a button, as the mouse gives it.
void PostClick(HWND button)
{
    RECT client = {};
    GetClientRect(button, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
}

// A left click on a list item as the mouse gives it; the item is scrolled
// into view first, outside the timing.
double ClickItem(HWND list, int item)
{
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    Pump();
    RECT bounds = {};
    bounds.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
    const LPARAM at = MAKELPARAM(bounds.left + 40, (bounds.top + bounds.bottom) / 2);
    const Clock::time_point start = Clock::now();
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    Pump();
    return MsSince(start);
}

struct Figures {
    double median = 0.0;
    double p95 = 0.0;
    double worst = 0.0;
};

Figures Summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    Figures f;
    f.median = times[times.size() / 2];
    f.p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
    f.worst = times.back();
    return f;
}

void Report(const char* what, const Figures& f, double target)
{
    std::printf("%-44s median %6.2f ms  p95 %6.2f ms  worst %6.2f ms  (p95 under %.0f ms: %s)\n", what,
                f.median, f.p95, f.worst, target, f.p95 < target ? "met" : "NOT met");
}

std::wstring MakeProgramFolder()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    const std::wstring folder =
        std::wstring(temp) + L"binderwell-panel-bench-" + std::to_wstring(GetCurrentProcessId());
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

void RemoveProgramFolder(const std::wstring& folder)
{
    for (const wchar_t* name : {L"binderwell.db", L"binderwell.db-journal", L"debug.log", L"debug.log.old",
                                L"prefs.ini"})
        DeleteFileW((folder + L"\\" + name).c_str());
    // The card pictures' folder, empty: the bench's cards have no pictures.
    RemoveDirectoryW((folder + L"\\cache").c_str());
    RemoveDirectoryW(folder.c_str());
}

bool BuildDatabase()
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error))
        return BenchFail("open", error);
    return BuildBenchDatabase(db.get()) && AddBenchSales(db.get(), Sales);
}

struct StockToSell {
    std::wstring cardId;
    int condition = 0;
};

// Standard copies, which a card opens on, one condition row per card, in a
// shuffled order.
std::vector<StockToSell> PickStockToSell()
{
    std::vector<StockToSell> picked;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error))
        return picked;
    StmtHandle stmt = PrepareStmt(db.get(),
                                  "SELECT card_id, MIN(CASE condition WHEN 'Mint' THEN 0 WHEN 'Near Mint' THEN 1 "
                                  "ELSE 2 END) FROM inventory WHERE variant = 'Standard' AND qty > 0 GROUP BY card_id "
                                  "ORDER BY (rowid * 7919) % 1009;",
                                  error);
    if (stmt)
        ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
            picked.push_back({Utf8ToWide(ColumnTextString(row, 0)), sqlite3_column_int(row, 1)});
        });
    return picked;
}

// Quick sales of one copy each, from the click on the row's button until
// the panel and the grid are refreshed and painted; the card is opened
// first, outside the timing.
// Times go to times, or to lastCopyTimes for a sale that left the card
// with no copy, when that is given.
bool TimeQuickSales(const std::vector<StockToSell>& stock, size_t first, std::vector<double>& times,
                    std::vector<double>* lastCopyTimes = nullptr)
{
    const MainControls& c = MainWindow().controls;
    for (size_t i = first; i < first + QuickSales; ++i) {
        const int32_t row = FindCatalogueRow(stock[i].cardId);
        const int32_t item = ViewIndexOfRow(Grid(), row);
        if (item < 0) {
            std::printf("the grid does not show %ls\n", stock[i].cardId.c_str());
            return false;
        }
        if (row != Grid().selectedRow)
            ClickItem(c.grid, item);
        const int32_t heldBefore = Grid().rows[static_cast<size_t>(row)].held;
        const Clock::time_point start = Clock::now();
        PostClick(c.sell[stock[i].condition]);
        Pump();
        const double ms = MsSince(start);
        (lastCopyTimes && heldBefore == 1 ? *lastCopyTimes : times).push_back(ms);
        if (StatusText().rfind(L"Sold 1 ", 0) != 0 || Grid().rows[static_cast<size_t>(row)].held != heldBefore - 1) {
            std::printf("a quick sale of %ls ended with \"%ls\"\n", stock[i].cardId.c_str(), StatusText().c_str());
            return false;
        }
    }
    return true;
}

// Rows of the grid: every card with stock, and as many without.
std::vector<int32_t> PickRows(Random& r, bool held)
{
    std::vector<int32_t> picked;
    const std::vector<CatalogueRow>& rows = Grid().rows;
    for (int tries = 0; picked.size() < Selections / 2 && tries < 1000000; ++tries) {
        const auto row = static_cast<int32_t>(r.Below(rows.size()));
        if ((rows[static_cast<size_t>(row)].held > 0) == held)
            picked.push_back(row);
    }
    return picked;
}

int Run(HWND main)
{
    const MainControls& c = MainWindow().controls;
    const int32_t rowCount = static_cast<int32_t>(Grid().rows.size());
    if (rowCount != BenchDatabase::Cards) {
        std::printf("the grid shows %d cards, not %d\n", rowCount, BenchDatabase::Cards);
        return 1;
    }

    Random r{7};
    std::vector<int32_t> rows = PickRows(r, true);
    const std::vector<int32_t> empty = PickRows(r, false);
    rows.insert(rows.end(), empty.begin(), empty.end());
    std::vector<double> selections;
    for (size_t i = 0; i < rows.size(); ++i) {
        // Unsorted and unfiltered, list item i shows row i.
        const int32_t row = rows[(i * 7919) % rows.size()];
        if (row == Grid().selectedRow)
            continue;
        selections.push_back(ClickItem(c.grid, row));
        if (Grid().selectedRow != row || !IsWindowEnabled(c.save)) {
            std::printf("a click on row %d did not open its card\n", row);
            return 1;
        }
    }

    std::vector<double> panelOnly;
    for (int32_t row : rows) {
        const Clock::time_point start = Clock::now();
        LoadPanel(row);
        panelOnly.push_back(MsSince(start));
        Pump();
    }
    const PanelCalls panel = Panel();
    Panel().loadPanel = [](int32_t row) { Grid().selectedRow = row; };
    std::vector<double> gridOnly;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int32_t row = rows[(i * 104729) % rows.size()];
        if (row != Grid().selectedRow)
            gridOnly.push_back(ClickItem(c.grid, row));
    }
    Panel() = panel;

    // Each Save changes one quantity, so every one writes.
    std::vector<double> saves;
    for (int i = 0; i < Saves; ++i) {
        if (i % 10 == 0)
            ClickItem(c.grid, rows[static_cast<size_t>(i / 10)]);
        SetWindowTextW(c.qty[i % kConditionRows], std::to_wstring(1 + i % 5).c_str());
        Pump();
        const Clock::time_point start = Clock::now();
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED), reinterpret_cast<LPARAM>(c.save));
        Pump();
        saves.push_back(MsSince(start));
        if (StatusText() != L"Saved") {
            std::printf("a Save ended with \"%ls\"\n", StatusText().c_str());
            return 1;
        }
    }

    // Cards the Saves above did not touch.
    const std::vector<StockToSell> stock = PickStockToSell();
    if (stock.size() < 2 * QuickSales) {
        std::printf("only %d cards hold Standard sale stock\n", static_cast<int>(stock.size()));
        return 1;
    }
    std::vector<double> quickSales;
    std::vector<double> quickSalesInStock;
    std::vector<double> lastCopies;
    if (!TimeQuickSales(stock, 0, quickSales))
        return 1;
    SendMessageW(main, WM_COMMAND, IDM_IN_STOCK_ONLY, 0);
    Pump();
    if (!TimeQuickSales(stock, QuickSales, quickSalesInStock, &lastCopies) || quickSalesInStock.empty() ||
        lastCopies.empty())
        return 1;
    SendMessageW(main, WM_COMMAND, IDM_IN_STOCK_ONLY, 0);
    Pump();

    std::printf("%d catalogue cards in %d sets, %d sale-stock rows, %d sales; Sales mode, window shown, painting "
                "included\n",
                BenchDatabase::Cards, BenchDatabase::Sets, BenchDatabase::SaleRows, Sales);
    Report("select a card (click to panel filled):", Summarise(selections), SelectTargetMs);
    std::printf("  of which the grid's click alone:            median %6.2f ms  p95 %6.2f ms\n",
                Summarise(gridOnly).median, Summarise(gridOnly).p95);
    std::printf("  of which LoadPanel alone (no painting):     median %6.2f ms  p95 %6.2f ms\n",
                Summarise(panelOnly).median, Summarise(panelOnly).p95);
    Report("Save (click to panel and grid refreshed):", Summarise(saves), SaveTargetMs);
    Report("quick sale (click to panel and grid refreshed):", Summarise(quickSales), QuickSaleTargetMs);
    std::printf("  with \"In stock only\", %d sales the card stays in view after, %d of its last copy:\n",
                static_cast<int>(quickSalesInStock.size()), static_cast<int>(lastCopies.size()));
    Report("    the card stays in view:", Summarise(quickSalesInStock), QuickSaleTargetMs);
    Report("    the last copy (the grid filtered again):", Summarise(lastCopies), QuickSaleTargetMs);
    return 0;
}

} // namespace

int wmain()
{
    const std::wstring folder = MakeProgramFolder();
    if (folder.empty()) {
        std::printf("no program folder\n");
        return 1;
    }
    InstallDataServices(folder);
    int exitCode = 1;
    if (BuildDatabase()) {
        StartServices();
        InstallStockPanel();
        HWND main = CreateMainWindow(GetModuleHandleW(nullptr));
        if (!main) {
            std::printf("the main window could not be created\n");
        } else {
            ShowWindow(main, SW_SHOW);
            UpdateWindow(main);
            Pump();
            exitCode = Run(main);
            DestroyWindow(main);
            Pump();
        }
        StopServices(false);
    }
    RemoveProgramFolder(folder);
    return exitCode;
}
