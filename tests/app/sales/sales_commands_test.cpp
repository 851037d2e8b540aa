// The sales commands through the real main window: row buttons, undo, and the
// review/recent-sales windows, acted in from inside their own modal loops.
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

namespace {

using Rows = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

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
constexpr const char* kLedgers = "SELECT 'i', card_id, variant, condition, qty, price FROM inventory UNION ALL "
                                 "SELECT 'c', card_id, variant, condition, qty, 0 FROM collection UNION ALL "
                                 "SELECT 's', card_id, variant, condition, qty, price || channel || batch_id "
                                 "FROM sales ORDER BY 1, 2, 3, 4;";

// One step, run from the modal loop once its window shows; a window the step
// leaves open is closed as a failure rather than hanging the test.
const wchar_t* stepClass = nullptr;
std::function<void(HWND)> step;

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (HWND window = FindThreadWindow(stepClass)) {
        auto act = std::move(step);
        step = nullptr;
        act(window);
    }
}

void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (HWND window = FindThreadWindow(stepClass)) {
        ADD_FAILURE() << "a window was left open";
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
}

void Press(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// The review window's rows: six controls each (name, variant, condition,
// stock, quantity, price); returns each row's name and quantity edit.
std::vector<std::pair<std::wstring, HWND>> ReviewRows(HWND window)
{
    std::vector<HWND> c;
    HWND viewport = FindWindowExW(window, nullptr, kReviewViewportClass, nullptr);
    for (HWND child = GetWindow(viewport, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        c.push_back(child);
    std::vector<std::pair<std::wstring, HWND>> rows;
    for (size_t i = 0; i + 6 <= c.size(); i += 6)
        rows.push_back({WindowText(c[i]) + L"|" + WindowText(c[i + 1]) + L"|" + WindowText(c[i + 2]), c[i + 4]});
    return rows;
}

void TickFirst(HWND window)
{
    SetListItemState(GetDlgItem(window, IDC_RC_LIST), 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    Press(window, IDC_RC_REVERSE_SELECTED);
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

    // Runs a command that opens a modal window, acting in it with act.
    void WithWindow(const wchar_t* className, std::function<void(HWND)> act, const std::function<void()>& run)
    {
        stepClass = className;
        step = std::move(act);
        const UINT_PTR timer = SetTimer(nullptr, 0, 0, RunStep), guard = SetTimer(nullptr, 0, 20000, CloseLeftOpen);
        run();
        KillTimer(nullptr, timer);
        KillTimer(nullptr, guard);
        EXPECT_FALSE(step) << "the window never opened";
        step = nullptr;
        EXPECT_TRUE(IsWindowEnabled(Main()));
    }

    void Select(int item)
    {
        ListView_SetItemState(Controls().grid, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    void Type(HWND edit, const wchar_t* text) { SetWindowTextW(edit, text), Pump(); }
    // The condition row's button: sell one in Sales mode, move one in Collection mode.
    void ClickRow(int condition) { SendMessageW(Controls().sell[condition], BM_CLICK, 0, 0), Pump(); }

    void Pick(HWND combo, int id, int index)
    {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        Pump();
    }

    void RightClick(int item)
    {
        NMITEMACTIVATE click = {};
        click.hdr = {Controls().grid, IDC_GRID, static_cast<UINT>(NM_RCLICK)};
        click.iItem = item;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
        Pump();
    }

    Texts Quantities() const
    {
        Texts texts;
        for (int i = 0; i < kConditionRows; ++i)
            texts.push_back(WindowText(Controls().qty[i]));
        return texts;
    }

    std::wstring Held(int row) const { return GridCellText(Grid().rows[static_cast<size_t>(row)], GridColumnHeld); }
    bool Editable() const { return IsWindowEnabled(Controls().save) && IsWindowEnabled(Controls().sell[0]); }
    Rows Ledgers() const { return QueryRows(DatabasePath(), kLedgers); }
    void Sell(const std::vector<SaleLine>& lines)
    {
        DbHandle db;
        std::string error;
        ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
        ASSERT_TRUE(RecordSales(db.get(), lines, error)) << error;
    }

    Rows Sales() const { return QueryRows(DatabasePath(), "SELECT card_id, variant, condition, qty, price, "
                                                          "channel FROM sales ORDER BY sale_id;"); }
};

} // namespace

// Quick sale on the chosen channel at the row price; a condition without stock
// of the variant or a locked database sells nothing (and a lock is not called
// "no stock"); an unsaved edit is answered first.
TEST_F(SalesCommandsTest, QuickSellSellsOneCopyOrNothingAndALockedDatabaseIsNotCalledSoldOut)
{
    Select(1); // Pikachu, Base: Standard Mint 1 at 4.10, Near Mint 2 without a price, Holo Played 1
    SendMessageW(Controls().channel, CB_SETCURSEL, 2, 0); // eBay
    ClickRow(1);
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Near Mint|1|0.0|eBay"}));
    EXPECT_EQ(Quantities(), (Texts{L"1", L"1", L"0"}));
    EXPECT_EQ(Held(1), L"3");
    EXPECT_FALSE(PanelHasUnsavedChanges());

    const Rows before = Ledgers();
    ClickRow(2); // Played is held only as Holo
    EXPECT_EQ(Ledgers(), before);
    const std::wstring noStock = StatusText();

    DbHandle other;
    std::string error;
    ASSERT_TRUE(OpenDb(DatabasePath(), other, error)) << error;
    ASSERT_TRUE(ExecSql(other.get(), "BEGIN IMMEDIATE;", error)) << error;
    ClickRow(0); // waits out the busy timeout
    ASSERT_TRUE(ExecSql(other.get(), "ROLLBACK;", error)) << error;
    EXPECT_NE(StatusText().find(L"locked"), std::wstring::npos);
    EXPECT_EQ(StatusText().find(noStock.substr(0, 3)), std::wstring::npos);
    EXPECT_EQ(Ledgers(), before);
    EXPECT_EQ(Quantities(), (Texts{L"1", L"1", L"0"}));
    EXPECT_EQ(Held(1), L"3");

    Type(Controls().qty[0], L"3");
    Script().boxAnswer = IDCANCEL;
    ClickRow(0);
    EXPECT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Ledgers(), before);
    EXPECT_EQ(WindowText(Controls().qty[0]), L"3");

    Script().boxAnswer = IDYES; // saves the typed 3 first; the sale takes one of those
    SendMessageW(Controls().channel, CB_SETCURSEL, 0, 0);
    ClickRow(0);
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Near Mint|1|0.0|eBay", "base1-58|Standard|Mint|1|4.1|Market"}));
    EXPECT_EQ(WindowText(Controls().qty[0]), L"2");
    EXPECT_EQ(Held(1), L"4");
    EXPECT_FALSE(PanelHasUnsavedChanges());
}

TEST_F(SalesCommandsTest, SellingTheLastCopyDropsTheMarkAndTheRowButTheUndoBringsThemBack)
{
    Command(IDM_IN_STOCK_ONLY);
    Select(0); // Charizard holds Holo only
    Pick(Controls().variant, IDC_VARIANT, 1);
    const std::wstring marked = ComboItemText(Controls().variant, 1);

    ClickRow(0);
    ClickRow(0);
    ClickRow(1);
    EXPECT_NE(ComboItemText(Controls().variant, 1), marked);
    // The card has left the grid; the panel still shows it, on Holo, editable.
    EXPECT_EQ(ColumnTexts(0), (Texts{L"Pikachu"}));
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Charizard");
    EXPECT_EQ(SendMessageW(Controls().variant, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Quantities(), (Texts{L"0", L"0", L"0"}));
    EXPECT_TRUE(Editable());
    ClickRow(0);
    EXPECT_EQ(Sales().size(), 3u);

    // The newest sale was the Near Mint copy: it comes back with mark and row.
    Command(IDM_UNDO_LAST_SALE);
    EXPECT_EQ(Quantities(), (Texts{L"0", L"1", L"0"}));
    EXPECT_EQ(ComboItemText(Controls().variant, 1), marked);
    EXPECT_EQ(ColumnTexts(0), (Texts{L"Charizard", L"Pikachu"}));
    EXPECT_EQ(Sales().size(), 2u);
}

TEST_F(SalesCommandsTest, UndoReversesOnlyTheNewestSaleWithAllItsUnits)
{
    const Rows empty = Ledgers();
    Command(IDM_UNDO_LAST_SALE); // nothing to undo
    EXPECT_EQ(Ledgers(), empty);
    Sell({{"base1-58", L"Standard", L"Mint", 1, 5.0, L"Market"}, // one recording, as the review makes it
          {"base1-58", L"Standard", L"Near Mint", 1, 2.0, L"Market"},
          {"base1-4", L"Holo", L"Mint", 2, 6.0, L"Market"}});
    ReloadCatalogue(nullptr);
    Select(1);
    const Texts pikachu = Quantities();

    Command(IDM_UNDO_LAST_SALE);
    EXPECT_EQ(Sales(), (Rows{"base1-58|Standard|Mint|1|5.0|Market", "base1-58|Standard|Near Mint|1|2.0|Market"}));
    // Sold out, the row comes back at the price it was sold for.
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty, price FROM inventory WHERE card_id = 'base1-4' AND "
                                        "condition = 'Mint';"),
              Rows{"2|6.0"});
    EXPECT_EQ(Held(0), L"3");
    EXPECT_EQ(Held(1), L"2");
    EXPECT_EQ(Grid().selectedRow, 1);
    EXPECT_EQ(Quantities(), pikachu);
}

TEST_F(SalesCommandsTest, MoveToSaleTakesOneCopyFromTheCollectionIntoTheSaleStock)
{
    Command(IDM_MODE_COLLECTION);
    Pick(Controls().showFilter, IDC_SHOW_FILTER, ShowOwned);
    Select(0); // Pikachu, Base: 2 Mint in the collection
    ClickRow(0);
    EXPECT_EQ(Quantities(), (Texts{L"1", L"0", L"0"}));
    EXPECT_EQ(Held(1), L"1");
    const Rows before = Ledgers();
    ClickRow(2); // nothing Played to move
    EXPECT_EQ(Ledgers(), before);

    // The last copy leaves the "Owned" view; the panel keeps the card; the
    // sale row keeps its price.
    ClickRow(0);
    EXPECT_TRUE(ColumnTexts(0).empty());
    EXPECT_EQ(WindowText(Controls().cardTitle), L"Pikachu");
    EXPECT_EQ(Quantities(), (Texts{L"0", L"0", L"0"}));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT qty, price FROM inventory WHERE card_id = 'base1-58' AND "
                                        "variant = 'Standard' AND condition = 'Mint';"),
              Rows{"3|4.1"});
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM collection;").empty());
    EXPECT_TRUE(Sales().empty());
}

TEST_F(SalesCommandsTest, TheReviewOffersTheTickedCardsOrTheClickedOneAndACommitClearsTicksAndPanel)
{
    Select(1);
    Type(Controls().qty[0], L"9");
    Command(IDM_UPDATE_CHECKED_SOLD); // nothing ticked: no window, no question
    EXPECT_TRUE(Script().boxes.empty());

    // With nothing ticked the context menu offers the right-clicked card.
    Script().boxAnswer = IDNO;
    Script().menuAnswer = IDM_CTX_UPDATE_SOLD;
    SendMessageW(Controls().channel, CB_SETCURSEL, 3, 0);
    WithWindow(
        kReviewWindowClass,
        [](HWND window) {
            const auto rows = ReviewRows(window);
            ASSERT_EQ(rows.size(), 2u);
            EXPECT_EQ(rows[0].first, L"Charizard|Holo|Mint");
            EXPECT_EQ(rows[1].first, L"Charizard|Holo|Near Mint");
            EXPECT_EQ(SendMessageW(GetDlgItem(window, IDC_RS_CHANNEL), CB_GETCURSEL, 0, 0), 3);
            Press(window, IDC_RS_CANCEL);
        },
        [this] { RightClick(0); });
    EXPECT_TRUE(Sales().empty());
    EXPECT_EQ(Grid().selectedRow, 1);

    // Ticked cards are offered whichever row is clicked, one the search hides too.
    SetRowChecked(Grid(), 0, true);
    SetRowChecked(Grid(), 1, true);
    SetWindowTextW(Controls().search, L"base1-58");
    KillTimer(Main(), IDT_SEARCH);
    ApplyFilters();
    WithWindow(
        kReviewWindowClass,
        [](HWND window) {
            const auto rows = ReviewRows(window);
            ASSERT_EQ(rows.size(), 5u);
            SetWindowTextW(rows[0].second, L"2");
            SetWindowTextW(rows[4].second, L"1");
            Press(window, IDC_RS_SELL);
        },
        [this] { RightClick(0); });
    EXPECT_EQ(Sales(), (Rows{"base1-4|Holo|Mint|2|4.5|Website", "base1-58|Standard|Near Mint|1|0.0|Website"}));
    EXPECT_TRUE(std::none_of(Grid().checked.begin(), Grid().checked.end(), [](uint8_t mark) { return mark; }));
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_FALSE(Editable());
}

TEST_F(SalesCommandsTest, AWindowsCommitWhoseReloadFailsLeavesNoStalePanelToSaveBack)
{
    Select(1); // Pikachu: Mint 1, Near Mint 2
    SetRowChecked(Grid(), 1, true);
    WithWindow(
        kReviewWindowClass,
        [](HWND window) {
            const auto rows = ReviewRows(window);
            ASSERT_EQ(rows.size(), 3u);
            SetWindowTextW(rows[2].second, L"2"); // Standard / Near Mint, all of it
            Press(window, IDC_RS_SELL);
            RunSql(DatabasePath(), "PRAGMA user_version = 99;"); // unreadable on return
        },
        [this] { Command(IDM_UPDATE_CHECKED_SOLD); });
    RunSql(DatabasePath(), "PRAGMA user_version = 6;");
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_FALSE(Editable());
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED), reinterpret_cast<LPARAM>(Controls().save));
    Pump(); // a Save has nothing to write back
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM inventory WHERE card_id = 'base1-58' AND "
                                          "condition = 'Near Mint';")
                    .empty());

    // The same for a reversal in the recent-sales window opened for one card.
    Sell({{"base1-4", L"Holo", L"Mint", 1, 4.5, L"Market"}});
    Select(1);
    ASSERT_TRUE(Editable());
    Script().boxAnswer = IDYES;
    Script().menuAnswer = IDM_CTX_RECENT_SALES;
    WithWindow(
        kRecentSalesClass,
        [](HWND window) {
            ASSERT_EQ(SendMessageW(GetDlgItem(window, IDC_RC_LIST), LVM_GETITEMCOUNT, 0, 0), 1); // its sales only
            TickFirst(window);
            RunSql(DatabasePath(), "PRAGMA user_version = 99;");
            Press(window, IDC_RC_CLOSE);
        },
        [this] { RightClick(1); });
    RunSql(DatabasePath(), "PRAGMA user_version = 6;");
    EXPECT_EQ(Grid().selectedRow, -1);
    EXPECT_FALSE(Editable());
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, qty FROM inventory WHERE condition = 'Near Mint';"),
              (Rows{"base1-4|1", "base1-58|2"}));

    // Closed without a change, the window leaves the panel; a reversal with a
    // readable database reloads the grid.
    Select(0);
    WithWindow(kRecentSalesClass, [](HWND window) { Press(window, IDC_RC_CLOSE); },
               [this] { Command(IDM_UNDO_BULK_RECENT); });
    EXPECT_EQ(Grid().selectedRow, 0);
    EXPECT_TRUE(Editable());
    WithWindow(
        kRecentSalesClass,
        [](HWND window) {
            TickFirst(window);
            Press(window, IDC_RC_CLOSE);
        },
        [this] { Command(IDM_UNDO_BULK_RECENT); });
    EXPECT_EQ(Held(0), L"3");
    EXPECT_TRUE(QueryRows(DatabasePath(), "SELECT * FROM sales;").empty());
}
