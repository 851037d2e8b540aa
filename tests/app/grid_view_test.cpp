// The catalogue grid in the real main window: reloads, the change of
// selected card with the unsaved-changes gate, and the context menu.
#include "tests/app/main_window_fixture.h"

#include "app/grid_header.h"
#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/pending.h"
#include "app/ids.h"
#include "core/catalogue.h"
#include "tests/core/test_databases.h"

namespace {

// Load order (set name, name, card id): base1-4, base1-58, base1-14, jungle-60.
constexpr const char* kCatalogueRows =
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
    "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
    "('base1-14', 'Raichu', 'Base', '14', '102', 'Rare Holo'),"
    "('base1-58', 'Pikachu', 'Base', '58', '102', 'Common'),"
    "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common');"
    "INSERT INTO inventory (card_id, variant, condition, price, qty) VALUES "
    "('base1-4', 'Standard', 'Mint', 100.0, 2), ('base1-58', 'Holo', 'Played', 1.5, 1);"
    "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
    "('sale', 'base1-4', 'Standard', 'Box A'), ('sale', 'base1-58', 'Holo', 'box a');";

// The stock panel's question, scripted; onYes runs a Save's side effects.
struct ScriptedPanel {
    int asked = 0;
    bool answer = true;
    void (*onYes)() = nullptr;
};
ScriptedPanel panel;

bool ScriptedConfirm()
{
    ++panel.asked;
    if (panel.answer && panel.onYes)
        panel.onYes();
    return panel.answer;
}

void ScriptedLoad(int32_t row) { Grid().selectedRow = row; }

struct ContextRun {
    int command;
    ContextCard card;
};
std::vector<ContextRun> contextRuns;

void RecordContextRun(int command, const ContextCard& card) { contextRuns.push_back({command, card}); }

class GridViewTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kCatalogueRows);
        savedPanel = Panel();
        Panel() = PanelCalls{ScriptedConfirm, ScriptedLoad};
        panel = ScriptedPanel();
        OpenWindow();
        savedContext = GridContext();
        GridContext().run = RecordContextRun;
        contextRuns.clear();
    }

    void TearDown() override
    {
        MainWindowTest::TearDown();
        Panel() = savedPanel;
        GridContext() = savedContext;
    }

    HWND List() const { return Controls().grid; }
    int ItemCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    int Selected() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }
    int Focused() const { return ListView_GetNextItem(List(), -1, LVNI_FOCUSED); }

    std::wstring CellText(int item, int column) const
    {
        wchar_t text[64] = {};
        ListView_GetItemText(List(), item, column, text, 64);
        return text;
    }

    // A left click as the mouse gives it, on the row's text.
    void Click(int item)
    {
        RECT bounds = {};
        bounds.left = LVIR_BOUNDS;
        ASSERT_TRUE(SendMessageW(List(), LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds)));
        const LPARAM at = MAKELPARAM(bounds.left + 80, (bounds.top + bounds.bottom) / 2);
        PostMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(List(), WM_LBUTTONUP, 0, at);
        Pump();
    }

    std::wstring CurrentCard() const
    {
        const int32_t row = Grid().selectedRow;
        return row < 0 ? L"" : Grid().rows[static_cast<size_t>(row)].card_id;
    }

    void Search(const wchar_t* text)
    {
        SetWindowTextW(Controls().search, text);
        KillTimer(Main(), IDT_SEARCH);
        ApplyFilters();
    }

    // NM_RCLICK as the list sends it for a right click on item.
    void RightClick(int item)
    {
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = List();
        click.hdr.idFrom = IDC_GRID;
        click.hdr.code = static_cast<UINT>(NM_RCLICK);
        click.iItem = item;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
        Pump();
    }

    PanelCalls savedPanel = {};
    GridContextCalls savedContext = {};
};

// The search delay firing while the menu is up.
void FilterToPikachuWhileTheMenuIsOpen()
{
    SetWindowTextW(MainWindow().controls.search, L"pikachu");
    ApplyFilters();
}

} // namespace

TEST_F(GridViewTest, AReloadResetsSortMarksAndFiltersButKeepsTheSearch)
{
    Command(IDM_CHECK_ALL);
    SendMessageW(Controls().setFilter, CB_SETCURSEL, 1, 0);
    SendMessageW(Controls().locationFilter, CB_SETCURSEL, 1, 0);
    Search(L"pika");
    Grid().sortColumn = GridColumnSet;
    Grid().ascending = false;
    ASSERT_EQ(ItemCount(), 0); // Base, "Box A" and "pika" leave nothing

    bool ok = false;
    ReloadCatalogue(&ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Grid().checked, std::vector<uint8_t>(4, 0));
    EXPECT_FALSE(IsHeaderCheckAllChecked());
    EXPECT_EQ(SendMessageW(Controls().setFilter, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(Controls().locationFilter, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Grid().sortColumn, kGridUnsorted);
    EXPECT_EQ(Text(Controls().search), L"pika");
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(CellText(0, GridColumnSet), L"Base");
    EXPECT_EQ(StatusText(), L"2 of 4 cards");

    // A reload that fails leaves the marks, the view and the filters alone.
    Command(IDM_CHECK_ALL);
    SendMessageW(Controls().rarityFilter, CB_SETCURSEL, 1, 0);
    ApplyFilters();
    const std::vector<int32_t> view = Grid().view;
    RunSql(DatabasePath(), "PRAGMA user_version = 99;");
    ReloadCatalogue(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(StatusText(), L"Could not load the catalogue database \u2014 keeping current data");
    EXPECT_EQ(Grid().view, view);
    EXPECT_EQ(SendMessageW(Controls().rarityFilter, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsRowChecked(Grid(), 1));
    EXPECT_TRUE(IsRowChecked(Grid(), 3));
    EXPECT_EQ(Grid().rows.size(), 4u);
}

TEST_F(GridViewTest, CancelKeepsTheOldRowSelectedAfterOneQuestion)
{
    Click(0);
    ASSERT_EQ(CurrentCard(), L"base1-4");
    panel = ScriptedPanel();
    panel.answer = false;

    Click(3);
    EXPECT_EQ(panel.asked, 1);
    EXPECT_EQ(CurrentCard(), L"base1-4");
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Focused(), 0);
    EXPECT_FALSE(Grid().revertingSelection);
}

TEST_F(GridViewTest, AYesThatFiltersAgainStillEndsOnTheNewCard)
{
    Click(0);
    ASSERT_EQ(CurrentCard(), L"base1-4");
    // The save re-filters, which puts the selection back on the old card.
    panel.onYes = [] { ApplyFilters(); };

    Click(2);
    EXPECT_EQ(CurrentCard(), L"base1-14");
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Focused(), 2);
}

TEST_F(GridViewTest, TheContextMenuActsOnTheCardClickedEvenWhenTheViewChangesUnderIt)
{
    Script().menuAnswer = IDM_CTX_UPDATE_SOLD;
    Script().whileMenuOpen = FilterToPikachuWhileTheMenuIsOpen;
    RightClick(0);
    ASSERT_EQ(Script().menus.size(), 1u);
    EXPECT_EQ(Script().menus[0],
              (std::vector<std::wstring>{L"Update Checked Cards Sold", L"Recent sales for this card\u2026"}));
    // Item 0 is a Pikachu now; the card clicked was Charizard.
    ASSERT_EQ(CellText(0, GridColumnCard), L"Pikachu");
    ASSERT_EQ(contextRuns.size(), 1u);
    EXPECT_EQ(contextRuns[0].command, IDM_CTX_UPDATE_SOLD);
    EXPECT_EQ(contextRuns[0].card.cardId, L"base1-4");
    EXPECT_EQ(contextRuns[0].card.name, L"Charizard");

    // Nothing chosen, a click below the rows, or Collection mode: nothing.
    Script().whileMenuOpen = nullptr;
    Script().menuAnswer = 0;
    RightClick(1);
    RightClick(2);
    EXPECT_EQ(Script().menus.size(), 2u);
    Command(IDM_MODE_COLLECTION);
    Script().menuAnswer = IDM_CTX_RECENT_SALES;
    RightClick(0);
    EXPECT_EQ(Script().menus.size(), 2u);
    EXPECT_EQ(contextRuns.size(), 1u);
}

TEST_F(GridViewTest, TypingALetterInTheListOpensNoOtherCard)
{
    Click(2);
    const int32_t selected = Grid().selectedRow;
    ASSERT_GE(selected, 0);
    const int asked = panel.asked;
    SendMessageW(List(), WM_CHAR, L'p', 1);  // one keystroke, no repeat
    Pump();
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Grid().selectedRow, selected);
    EXPECT_EQ(panel.asked, asked);
}
