// The catalogue grid in the real main window.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "tests/core/test_databases.h"

namespace {

// Rows and items in load order (set name, name, card id): base1-4, base1-58,
// base1-14, jungle-60. The Base Pikachu alone has a location.
constexpr const char* kCatalogueRows =
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
    "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
    "('base1-14', 'Raichu', 'Base', '14', '102', 'Rare Holo'),"
    "('base1-58', 'Pikachu', 'Base', '58', '102', 'Common'),"
    "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common');"
    "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
    "('sale', 'base1-58', 'Standard', 'Box A');";

// The stock panel's question. A Yes saves, and the save re-filters, which
// puts the grid's selection back on the old card.
int asked = 0;
bool answer = true;

bool ScriptedConfirm()
{
    ++asked;
    if (answer)
        ApplyFilters();
    return answer;
}

void ScriptedLoad(int32_t row) { Grid().selectedRow = row; }

std::vector<ContextCard> contextRuns;

class GridViewTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kCatalogueRows);
        Panel().confirmUnsavedChanges = ScriptedConfirm;
        Panel().loadPanel = ScriptedLoad;
        asked = 0;
        answer = true;
        OpenWindow();
        GridContext().run = [](int, const ContextCard& card) { contextRuns.push_back(card); };
        contextRuns.clear();
    }

    HWND List() const { return Controls().grid; }

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

    // A notification as the list sends it: a header click on column, or a right click on item.
    void Notify(UINT code, int item, int column = 0)
    {
        NMITEMACTIVATE click = {};
        click.hdr = {List(), IDC_GRID, code};
        click.iItem = item;
        click.iSubItem = column;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
        Pump();
    }
};

} // namespace

// Under Wine a click on the header's box arrives as a plain column click;
// only real input carries the position the program hit-tests it by.
TEST_F(GridViewTest, ARealClickOnTheHeaderBoxChecksEveryRowAndOneOnTheTextSortsByCard)
{
    PointerTurn pointer;
    ShowForInput();
    HWND header = ListView_GetHeader(List());
    RECT item = {};
    ASSERT_TRUE(Header_GetItemRect(header, 0, &item));
    // The middle of the box the program paints at the item's left edge, and
    // a point of the item's text well to the right of it.
    POINT box = {item.left + MulDiv(11, MainWindow().dpi, 96), (item.top + item.bottom) / 2};
    POINT text = {(item.left + item.right) / 2, box.y};
    ClientToScreen(header, &box);
    ClientToScreen(header, &text);
    ASSERT_EQ(WindowFromPoint(box), header);
    ASSERT_EQ(WindowFromPoint(text), header);
    const std::vector<int32_t> loadOrder = Grid().view;

    RealClickAt(box);
    EXPECT_TRUE(PumpUntil([] { return AllVisibleChecked(Grid()); }));
    EXPECT_TRUE(IsHeaderCheckAllChecked());
    EXPECT_EQ(Grid().sortColumn, kGridUnsorted);
    EXPECT_EQ(Grid().view, loadOrder);

    RealClickAt(text);
    EXPECT_TRUE(PumpUntil([] { return Grid().sortColumn == GridColumnCard; }));
    EXPECT_EQ(Grid().view, (std::vector<int32_t>{0, 1, 3, 2}));
    EXPECT_TRUE(AllVisibleChecked(Grid()));
    EXPECT_TRUE(IsHeaderCheckAllChecked());
}

TEST_F(GridViewTest, AFailedReloadKeepsEverythingAndAReloadResetsAllButTheSearch)
{
    Command(IDM_CHECK_ALL);
    Notify(static_cast<UINT>(LVN_COLUMNCLICK), -1, GridColumnSet);
    Notify(static_cast<UINT>(LVN_COLUMNCLICK), -1, GridColumnSet); // descending: Jungle first
    const MainControls& c = Controls();
    for (HWND filter : {c.setFilter, c.rarityFilter, c.locationFilter}) // Base, Common and Box A
        SendMessageW(filter, CB_SETCURSEL, 1, 0);
    SetWindowTextW(c.search, L"pikachu");
    ApplyFilters();
    ASSERT_EQ(Grid().view, std::vector<int32_t>{1});
    Click(0);
    ASSERT_EQ(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), 0);

    RunSql(DatabasePath(), "PRAGMA user_version = 99;");
    bool ok = true;
    ReloadCatalogue(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Grid().view, std::vector<int32_t>{1});
    EXPECT_EQ(SendMessageW(c.rarityFilter, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsRowChecked(Grid(), 3));

    RunSql(DatabasePath(), "PRAGMA user_version = 6;");
    ReloadCatalogue(&ok);
    ASSERT_TRUE(ok);
    // No card is selected, and the list highlights none either.
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), -1);
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_FOCUSED), -1);
    EXPECT_EQ(Grid().sortColumn, kGridUnsorted);
    EXPECT_EQ(Grid().view, (std::vector<int32_t>{1, 3})); // both Pikachus, in load order
    for (HWND filter : {c.setFilter, c.rarityFilter, c.locationFilter})
        EXPECT_EQ(SendMessageW(filter, CB_GETCURSEL, 0, 0), 0);
    for (int32_t row = 0; row < 4; ++row)
        EXPECT_FALSE(IsRowChecked(Grid(), row));
    EXPECT_FALSE(IsHeaderCheckAllChecked());
}

TEST_F(GridViewTest, CancelKeepsTheOldCardAndAYesThatFiltersAgainEndsOnTheNewOne)
{
    Click(0);
    asked = 0;
    answer = false;
    Click(3);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 0);
    answer = true;
    Click(2);
    EXPECT_EQ(Grid().selectedRow, 2);
    EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 2);
    // Typing a letter in the list opens no other card.
    SendMessageW(List(), WM_CHAR, L'p', 1);
    Pump();
    EXPECT_EQ(Grid().selectedRow, 2);
}

TEST_F(GridViewTest, TheContextMenuActsOnTheCardClickedEvenWhenTheViewChangesUnderIt)
{
    Script().menuAnswer = IDM_CTX_UPDATE_SOLD;
    // The search delay firing while the menu is up.
    Script().whileMenuOpen = [] {
        SetWindowTextW(MainWindow().controls.search, L"pikachu");
        ApplyFilters();
    };
    Notify(NM_RCLICK, 0);
    ASSERT_EQ(Grid().view.size(), 2u); // item 0 is a Pikachu now
    ASSERT_EQ(contextRuns.size(), 1u);
    EXPECT_EQ(contextRuns[0].cardId, L"base1-4");
    // A click below the rows, or Collection mode: no menu.
    Notify(NM_RCLICK, 2);
    Command(IDM_MODE_COLLECTION);
    Notify(NM_RCLICK, 0);
    EXPECT_EQ(Script().menusShown, 1);
}
