// The sales commands through the real main window: the row buttons, undo,
// and the review-sales and recent-sales windows opened from the menu and the
// grid's context menu. A modal window is acted in from inside its own loop,
// as a user would, and the test reads back the status bar, the grid, the
// panel and the database.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/panel/panel.h"
#include "app/sales/recent_sales.h"
#include "app/sales/review_sales.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/sales.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"

#include <algorithm>
#include <functional>
#include <map>

namespace {

using Rows = std::vector<std::string>;

// Rows and list items in load order: base1-4, base1-58, jungle-60.
constexpr const char* kCards =
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
    "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
    "('base1-58', 'Pikachu', 'Base', '58', '', 'Common'),"
    "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common');"
    "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
    "('base1-4', 'Holo', 'Mint', 2, 4.5), ('base1-4', 'Holo', 'Near Mint', 1, 0),"
    "('base1-58', 'Standard', 'Mint', 1, 4.1), ('base1-58', 'Standard', 'Near Mint', 2, 0),"
    "('base1-58', 'Holo', 'Played', 1, 1.0);"
    "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-58', 'Standard', 'Mint', 2);";

// Every row of every table a sale or a move touches.
constexpr const char* kLedgers =
    "SELECT 'i', card_id, variant, condition, qty, price FROM inventory UNION ALL "
    "SELECT 'c', card_id, variant, condition, qty, 0 FROM collection UNION ALL "
    "SELECT 's', card_id, variant, condition, qty, price || ' ' || channel || ' ' || batch_id FROM sales "
    "ORDER BY 1, 2, 3, 4;";

// Steps run from whichever modal loop is up once its window shows.
struct Step {
    const wchar_t* className;
    std::function<void(HWND)> act;
};
std::map<UINT_PTR, Step> steps;

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    const auto found = steps.find(id);
    if (found == steps.end())
        return;
    const Step step = found->second;
    steps.erase(found);
    if (HWND window = FindThreadWindow(step.className))
        step.act(window);
    else
        ADD_FAILURE() << "no window to act in";
}

// A step must close its window; one left open is a fault, not a hang.
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    for (const wchar_t* name : {kReviewWindowClass, kRecentSalesClass}) {
        if (HWND window = FindThreadWindow(name)) {
            ADD_FAILURE() << "a window was left open";
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
}

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// One row of the review window as it shows it. With a few rows every row
// has its controls, made row by row in the order name, variant, condition,
// stock, quantity, price.
struct ReviewRow {
    std::wstring name;
    std::wstring variant;
    std::wstring condition;
    HWND qty;
};

std::vector<ReviewRow> ReviewRowsShown(HWND window)
{
    HWND viewport = FindWindowExW(window, nullptr, kReviewViewportClass, nullptr);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(viewport, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    std::vector<ReviewRow> rows;
    for (size_t i = 0; i + 6 <= controls.size(); i += 6)
        rows.push_back({WindowText(controls[i]), WindowText(controls[i + 1]), WindowText(controls[i + 2]),
                        controls[i + 4]});
    return rows;
}

class SalesCommandsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kCards);
        OpenWindow();
    }

    void TearDown() override
    {
        for (const auto& step : steps)
            KillTimer(nullptr, step.first);
        steps.clear();
        MainWindowTest::TearDown();
    }

    // Runs a command that opens a modal window, acting in it with act.
    void CommandWithWindow(const wchar_t* className, std::function<void(HWND)> act, const std::function<void()>& run)
    {
        steps[SetTimer(nullptr, 0, 0, RunStep)] = {className, std::move(act)};
        const UINT_PTR guard = SetTimer(nullptr, 0, 20000, CloseLeftOpen);
        run();
        KillTimer(nullptr, guard);
        EXPECT_TRUE(steps.empty()) << "the window never opened";
        EXPECT_TRUE(IsWindowEnabled(Main()));
    }

    void Select(int item)
    {
        ListView_SetItemState(Controls().grid, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }

    void Type(HWND edit, const wchar_t* text)
    {
        SetWindowTextW(edit, text);
        Pump();
    }

    void PickVariant(int index)
    {
        SendMessageW(Controls().variant, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_VARIANT, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Controls().variant));
        Pump();
    }

    void PickShowFilter(int index)
    {
        SendMessageW(Controls().showFilter, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_SHOW_FILTER, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Controls().showFilter));
        Pump();
    }

    // The condition row's button: "−1" in Sales mode, "→ Sale" in Collection mode.
    void ClickRowButton(int condition)
    {
        SendMessageW(Controls().sell[condition], BM_CLICK, 0, 0);
        Pump();
    }

    void RightClick(int item)
    {
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = Controls().grid;
        click.hdr.idFrom = IDC_GRID;
        click.hdr.code = static_cast<UINT>(NM_RCLICK);
        click.iItem = item;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
        Pump();
    }

    std::vector<std::wstring> Quantities() const
    {
        std::vector<std::wstring> texts;
        for (int i = 0; i < kConditionRows; ++i)
            texts.push_back(WindowText(Controls().qty[i]));
        return texts;
    }

    std::wstring VariantItem(int index) const { return ComboItemText(Controls().variant, index); }
    std::wstring Held(int row) const { return GridCellText(Grid().rows[static_cast<size_t>(row)], GridColumnHeld); }
    bool Editable() const { return IsWindowEnabled(Controls().save) && IsWindowEnabled(Controls().sell[0]); }
    Rows Ledgers() const { return QueryRows(DatabasePath(), kLedgers); }
    Rows Sales() const
    {
        return QueryRows(DatabasePath(),
                         "SELECT card_id, variant, condition, qty, price, channel FROM sales ORDER BY sale_id;");
    }

    bool Logged(const std::string& line) const
    {
        const std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    bool AnyRowChecked() const
    {
        return std::any_of(Grid().checked.begin(), Grid().checked.end(), [](uint8_t mark) { return mark != 0; });
    }

    void Sell(const std::vector<SaleLine>& lines)
    {
        DbHandle db;
        std::string error;
        ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
        ASSERT_TRUE(RecordSales(db.get(), lines, error)) << error;
    }
};

} // namespace

TEST_F(SalesCommandsTest, QuickSellSellsExactlyOneCopyAtTheRowPriceOnTheChosenChannel)
{
    Select(1); // Pikachu, Base: Standard Mint 1 at 4.10, Near Mint 2 without a price
    ASSERT_EQ(Held(1), L"4");
    SendMessageW(Controls().channel, CB_SETCURSEL, 2, 0); // eBay

    ClickRowButton(1);
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Near Mint|1|0.0|eBay"}));
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"1", L"1", L"0"}));
    EXPECT_EQ(Held(1), L"3");
    EXPECT_EQ(StatusText(), L"Sold 1 \u2014 Near Mint @ $0.00 (eBay)");
    EXPECT_TRUE(Logged("Quick sale: base1-58 [Standard / Near Mint] x1 @ 0.00 (eBay) held=3"));
    EXPECT_TRUE(Editable());
    EXPECT_FALSE(PanelHasUnsavedChanges());

    // A condition without stock of this variant sells nothing, though the
    // card holds a Played copy of another variant.
    const Rows before = Ledgers();
    ClickRowButton(2);
    EXPECT_EQ(StatusText(), L"No Played stock to sell");
    EXPECT_EQ(Ledgers(), before);
    EXPECT_EQ(Held(1), L"3");
    EXPECT_TRUE(Logged("QuickSell failed: not enough stock to sell 1 of base1-58 [Standard / Played]"));

    // At the price the row shows.
    SendMessageW(Controls().channel, CB_SETCURSEL, 0, 0);
    ClickRowButton(0);
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Near Mint|1|0.0|eBay", "base1-58|Standard|Mint|1|4.1|Market"}));
    EXPECT_EQ(StatusText(), L"Sold 1 \u2014 Mint @ $4.10 (Market)");
    EXPECT_EQ(Held(1), L"2");
}

TEST_F(SalesCommandsTest, UnsavedEditsAreAnsweredBeforeAQuickSale)
{
    Select(1);
    Type(Controls().qty[0], L"3"); // Mint holds 1

    Script().boxAnswer = IDCANCEL;
    ClickRowButton(0);
    ASSERT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Script().boxes[0].title, L"Unsaved changes");
    EXPECT_TRUE(Sales().empty());
    EXPECT_EQ(WindowText(Controls().qty[0]), L"3");

    // Yes saves the typed 3 first, and the sale takes one of those.
    Script().boxAnswer = IDYES;
    ClickRowButton(0);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty FROM inventory WHERE card_id = 'base1-58' AND condition = 'Mint';"),
              Rows{"2"});
    EXPECT_EQ(Sales().size(), 1u);
    EXPECT_EQ(WindowText(Controls().qty[0]), L"2");
    EXPECT_EQ(Held(1), L"5");
    EXPECT_FALSE(PanelHasUnsavedChanges());
}

TEST_F(SalesCommandsTest, SellingTheLastCopyDropsTheMarkAndTheRowButTheUndoBringsThemBack)
{
    Command(IDM_IN_STOCK_ONLY);
    Select(0); // Charizard holds Holo only
    PickVariant(1);
    ASSERT_EQ(VariantItem(1), L"Holo  \u2022");

    ClickRowButton(0);
    ClickRowButton(0);
    EXPECT_EQ(VariantItem(1), L"Holo  \u2022");
    EXPECT_EQ(ColumnTexts(0).front(), L"Charizard");
    ClickRowButton(1);
    EXPECT_EQ(StatusText(), L"Sold 1 \u2014 Near Mint @ $0.00 (Market)");
    EXPECT_EQ(VariantItem(1), L"Holo");
    EXPECT_EQ(SendMessageW(Controls().variant, CB_GETCURSEL, 0, 0), 1);
    // The card has left the grid; the panel still shows it, on Holo.
    EXPECT_EQ(ColumnTexts(0), (std::vector<std::wstring>{L"Pikachu"}));
    EXPECT_EQ(Grid().selectedRow, 0);
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Charizard");
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"0", L"0", L"0"}));
    EXPECT_TRUE(Editable());
    EXPECT_EQ(ListView_GetNextItem(Controls().grid, -1, LVNI_SELECTED), -1);

    ClickRowButton(0);
    EXPECT_EQ(StatusText(), L"No Mint stock to sell");

    // The newest sale was the Near Mint copy: it comes back, and with it the
    // mark and the row.
    Command(IDM_UNDO_LAST_SALE);
    EXPECT_EQ(StatusText(), L"Reversed sale of 1 \u00d7 base1-4 [Holo / Near Mint]");
    EXPECT_TRUE(Logged("Undo last sale: Reversed sale of 1 \u00d7 base1-4 [Holo / Near Mint]"));
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"0", L"1", L"0"}));
    EXPECT_EQ(VariantItem(1), L"Holo  \u2022");
    EXPECT_EQ(ColumnTexts(0), (std::vector<std::wstring>{L"Charizard", L"Pikachu"}));
    EXPECT_EQ(Held(0), L"1");
    EXPECT_EQ(Sales().size(), 2u);
}

TEST_F(SalesCommandsTest, UndoReversesOnlyTheNewestSaleWithAllItsUnits)
{
    Command(IDM_UNDO_LAST_SALE);
    EXPECT_EQ(StatusText(), L"No sales to undo");

    // One recording of three rows, as the review window makes it.
    Sell({{"base1-58", L"Standard", L"Mint", 1, 5.0, L"Market"},
          {"base1-58", L"Standard", L"Near Mint", 1, 2.0, L"Market"},
          {"base1-4", L"Holo", L"Mint", 2, 6.0, L"Market"}});
    ReloadCatalogue(nullptr);
    Select(1);
    const std::vector<std::wstring> pikachu = Quantities();

    Command(IDM_UNDO_LAST_SALE);
    EXPECT_EQ(StatusText(), L"Reversed sale of 2 \u00d7 base1-4 [Holo / Mint]");
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Mint|1|5.0|Market", "base1-58|Standard|Near Mint|1|2.0|Market"}));
    // Sold out, the row comes back at the price it was sold for.
    EXPECT_EQ(QueryRows(DatabasePath(),
                        "SELECT qty, price FROM inventory WHERE card_id = 'base1-4' AND condition = 'Mint';"),
              Rows{"2|6.0"});
    EXPECT_EQ(Held(0), L"3");
    EXPECT_EQ(Held(1), L"2");
    EXPECT_EQ(Grid().selectedRow, 1);
    EXPECT_EQ(Quantities(), pikachu);
}

TEST_F(SalesCommandsTest, ALockedDatabaseFailsTheSaleWithoutCallingTheStockSoldOut)
{
    Select(1);
    const Rows before = Ledgers();
    DbHandle other;
    std::string error;
    ASSERT_TRUE(OpenDb(DatabasePath(), other, error)) << error;
    ASSERT_TRUE(ExecSql(other.get(), "BEGIN IMMEDIATE;", error)) << error;

    ClickRowButton(0); // waits out the busy timeout
    ASSERT_TRUE(ExecSql(other.get(), "ROLLBACK;", error)) << error;
    EXPECT_EQ(StatusText(), L"Sale failed: database is locked");
    EXPECT_TRUE(Logged("QuickSell failed: database is locked"));
    EXPECT_EQ(Ledgers(), before);
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"1", L"2", L"0"}));
    EXPECT_EQ(Held(1), L"4");
}

TEST_F(SalesCommandsTest, MoveToSaleTakesOneCopyFromTheCollectionIntoTheSaleStock)
{
    Command(IDM_MODE_COLLECTION);
    PickShowFilter(ShowOwned);
    ASSERT_EQ(ColumnTexts(0), (std::vector<std::wstring>{L"Pikachu"}));
    Select(0);
    ASSERT_EQ(Quantities(), (std::vector<std::wstring>{L"2", L"0", L"0"}));

    ClickRowButton(0);
    EXPECT_EQ(StatusText(), L"Moved 1 Mint to sale stock");
    EXPECT_TRUE(Logged("Moved to sale: base1-58 [Standard / Mint] x1 (collection held=1)"));
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"1", L"0", L"0"}));
    EXPECT_EQ(Held(1), L"1");
    // The sale row keeps its price.
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty, price FROM inventory WHERE card_id = 'base1-58' AND variant = "
                                        "'Standard' AND condition = 'Mint';"),
              Rows{"2|4.1"});

    const Rows before = Ledgers();
    ClickRowButton(2);
    EXPECT_EQ(StatusText(), L"No Played in your collection to move");
    EXPECT_EQ(Ledgers(), before);

    // The last copy leaves the "Owned" view; the panel keeps the card.
    ClickRowButton(0);
    EXPECT_TRUE(ColumnTexts(0).empty());
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Pikachu");
    EXPECT_EQ(Quantities(), (std::vector<std::wstring>{L"0", L"0", L"0"}));
    EXPECT_EQ(VariantItem(0), L"Standard");
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM collection;").empty());
    EXPECT_EQ(Sales().size(), 0u);
}

TEST_F(SalesCommandsTest, TheReviewOffersTheTickedCardsOrTheClickedOneAndACommitClearsTicksAndPanel)
{
    // Nothing ticked: said at once, with no question about the edit.
    Select(1);
    Type(Controls().qty[0], L"9");
    Command(IDM_UPDATE_CHECKED_SOLD);
    EXPECT_EQ(StatusText(), L"Tick the cards you sold first");
    EXPECT_TRUE(Script().boxes.empty());
    Script().boxAnswer = IDNO;

    // The context menu with nothing ticked offers the right-clicked card.
    Script().menuAnswer = IDM_CTX_UPDATE_SOLD;
    SendMessageW(Controls().channel, CB_SETCURSEL, 3, 0);
    CommandWithWindow(
        kReviewWindowClass,
        [](HWND window) {
            std::vector<std::wstring> shown;
            for (const ReviewRow& row : ReviewRowsShown(window))
                shown.push_back(row.name + L"|" + row.variant + L"|" + row.condition);
            EXPECT_EQ(shown, (std::vector<std::wstring>{L"Charizard|Holo|Mint", L"Charizard|Holo|Near Mint"}));
            EXPECT_EQ(SendMessageW(GetDlgItem(window, IDC_RS_CHANNEL), CB_GETCURSEL, 0, 0), 3);
            Press(window, IDC_RS_CANCEL);
        },
        [this] { RightClick(0); });
    EXPECT_EQ(Script().boxes.size(), 1u); // the unsaved edit, answered No
    EXPECT_TRUE(Sales().empty());
    EXPECT_EQ(Grid().selectedRow, 1);

    // Ticked cards are offered whichever row was clicked, a ticked card the
    // search hides among them.
    SetRowChecked(Grid(), 0, true);
    SetRowChecked(Grid(), 1, true);
    SetWindowTextW(Controls().search, L"base1-58");
    KillTimer(Main(), IDT_SEARCH);
    ApplyFilters();
    ASSERT_EQ(ColumnTexts(0), (std::vector<std::wstring>{L"Pikachu"}));
    CommandWithWindow(
        kReviewWindowClass,
        [](HWND window) {
            const std::vector<ReviewRow> rows = ReviewRowsShown(window);
            ASSERT_EQ(rows.size(), 5u);
            EXPECT_EQ(rows[0].name, L"Charizard");
            EXPECT_EQ(rows[4].name, L"Pikachu");
            SetWindowTextW(rows[0].qty, L"2");
            SetWindowTextW(rows[4].qty, L"1");
            Press(window, IDC_RS_SELL);
        },
        [this] { RightClick(0); });
    EXPECT_EQ(Sales(), (Rows{"base1-4|Holo|Mint|2|4.5|Website", "base1-58|Standard|Near Mint|1|0.0|Website"}));
    EXPECT_EQ(StatusText(), L"Recorded 2 sales");
    EXPECT_TRUE(Logged("Bulk sale committed: 2 sale row(s)"));
    EXPECT_FALSE(AnyRowChecked());
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_FALSE(Editable());
    EXPECT_EQ(Held(0), L"1");
}

TEST_F(SalesCommandsTest, AWindowsCommitWhoseReloadFailsLeavesNoStalePanelToSaveBack)
{
    Select(1); // Pikachu: Mint 1, Near Mint 2
    SetRowChecked(Grid(), 1, true);
    CommandWithWindow(
        kReviewWindowClass,
        [](HWND window) {
            const std::vector<ReviewRow> rows = ReviewRowsShown(window);
            ASSERT_EQ(rows.size(), 3u);
            SetWindowTextW(rows[2].qty, L"2"); // Standard / Near Mint, all of it
            Press(window, IDC_RS_SELL);
            // The catalogue can no longer be read when the window returns.
            RunSql(DatabasePath(), "PRAGMA user_version = 99;");
        },
        [this] { Command(IDM_UPDATE_CHECKED_SOLD); });
    RunSql(DatabasePath(), "PRAGMA user_version = 6;");
    EXPECT_EQ(StatusText(), L"Sale recorded, but the grid couldn\u2019t refresh \u2014 reopen the app");
    EXPECT_TRUE(Logged("Bulk sale committed (1 row(s)) but ReloadCatalogue failed"));
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_FALSE(Editable());
    // A Save now has nothing to write back.
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED), reinterpret_cast<LPARAM>(Controls().save));
    Pump();
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM inventory WHERE card_id = 'base1-58' AND condition = "
                                          "'Near Mint';")
                    .empty());

    // The same for a reversal in the recent-sales window, opened for the
    // card from the context menu: only its sales are listed.
    Sell({{"base1-4", L"Holo", L"Mint", 1, 4.5, L"Market"}});
    Select(1);
    ASSERT_TRUE(Editable());
    Script().boxAnswer = IDYES;
    Script().menuAnswer = IDM_CTX_RECENT_SALES;
    CommandWithWindow(
        kRecentSalesClass,
        [](HWND window) {
            HWND list = GetDlgItem(window, IDC_RC_LIST);
            ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
            SetListItemState(list, 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
            Press(window, IDC_RC_REVERSE_SELECTED);
            RunSql(DatabasePath(), "PRAGMA user_version = 99;");
            Press(window, IDC_RC_CLOSE);
        },
        [this] { RightClick(1); });
    RunSql(DatabasePath(), "PRAGMA user_version = 6;");
    EXPECT_EQ(StatusText(), L"Sales updated, but the grid couldn\u2019t refresh \u2014 reopen the app");
    EXPECT_TRUE(Logged("Recent-sales (card) change (1) but ReloadCatalogue failed"));
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, qty FROM inventory WHERE condition = 'Near Mint' ORDER BY 1;"),
              (Rows{"base1-4|1", "base1-58|2"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id FROM sales ORDER BY sale_id;"), Rows{"base1-4"});

    // A window closed without a change leaves the panel and the status.
    Select(0);
    const std::wstring status = StatusText();
    CommandWithWindow(
        kRecentSalesClass, [](HWND window) { Press(window, IDC_RC_CLOSE); },
        [this] { Command(IDM_UNDO_BULK_RECENT); });
    EXPECT_EQ(StatusText(), status);
    EXPECT_EQ(Grid().selectedRow, 0);
    EXPECT_TRUE(Editable());

    // Reversing the last sale with a readable database reloads the grid.
    CommandWithWindow(
        kRecentSalesClass,
        [](HWND window) {
            SetListItemState(GetDlgItem(window, IDC_RC_LIST), 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
            Press(window, IDC_RC_REVERSE_SELECTED);
            Press(window, IDC_RC_CLOSE);
        },
        [this] { Command(IDM_UNDO_BULK_RECENT); });
    EXPECT_EQ(StatusText(), L"Sales updated (1 change)");
    EXPECT_EQ(Held(0), L"3");
    EXPECT_EQ(Grid().selectedRow, -1);
}
