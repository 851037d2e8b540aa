// The grid's filters, search and sort on a catalogue longer than the list's
// page, in the real main window.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_model.h"
#include "app/grid/grid_view.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "tests/core/test_databases.h"
#include "ui/controls.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

namespace {

// 300 cards of one set, "Eevee 1" to "Eevee 299" and every third a Pikachu
// instead ("Pikachu 3" to "Pikachu 300"), loaded in byte order of the name.
constexpr const char* kManyCards =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
    "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) "
    "SELECT 'set-' || i, CASE i % 3 WHEN 0 THEN 'Pikachu ' ELSE 'Eevee ' END || i, 'Set', i, '300', 'Common' "
    "FROM n;";

using Ids = std::vector<std::wstring>;

CatalogueRow Card(const wchar_t* cardId, const wchar_t* name, const wchar_t* rarity)
{
    return CatalogueRow{cardId, name, L"Base", L"1", L"", rarity, L"", 0, false, false};
}

// The combo's values after its "all" entry.
Ids ComboValues(HWND combo)
{
    Ids items;
    for (int i = 1; i < static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i)
        items.push_back(ComboItemText(combo, i));
    return items;
}

class GridFiltersTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kManyCards);
        OpenWindow();
    }

    HWND List() const { return Controls().grid; }

    // Typing, then the search delay running out; pump to paint.
    void Search(const wchar_t* text, bool pump = true)
    {
        SetWindowTextW(Controls().search, text);
        SendMessageW(Main(), WM_TIMER, IDT_SEARCH, 0);
        if (pump)
            Pump();
    }
    // LVN_COLUMNCLICK as the list sends it; pump to paint.
    void ColumnClick(int column, bool pump = true)
    {
        NMLISTVIEW click = {};
        click.hdr = {List(), IDC_GRID, static_cast<UINT>(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
        if (pump)
            Pump();
    }
    void SetItemState(int item, UINT state)
    {
        ListView_SetItemState(List(), item, state, state);
        Pump();
    }
    int Next(UINT flags) const { return ListView_GetNextItem(List(), -1, flags); }

    // The card's item, or with none no item, is the only one selected, is focused and wholly in view.
    void ExpectShown(const wchar_t* card) const
    {
        const int item = card ? ViewIndexOfRow(Grid(), FindCatalogueRow(card)) : -1;
        ASSERT_TRUE(!card || item >= 0) << card;
        EXPECT_EQ(Next(LVNI_SELECTED), item);
        EXPECT_EQ(Next(LVNI_FOCUSED), item);
        EXPECT_EQ(ListView_GetSelectedCount(List()), card ? 1u : 0u);
        const int top = ListView_GetTopIndex(List());
        EXPECT_TRUE(!card || (item >= top && item < top + ListView_GetCountPerPage(List())));
    }
};

} // namespace

// Each value once, never an empty one, case kept apart, in UTF-16 code unit order.
TEST(GridFilterValues, AreTheDistinctNonEmptyValuesOfTheirOwnFieldInCodeUnitOrder)
{
    const wchar_t* const values[][3] = {
        // set, rarity, location
        {L"Jungle", L"Rare", L""},          {L"Base", L"Common", L"Box A"},
        {L"Base", L"Rare", L"box a"},       {L"", L"", L"Box A"},
        {L"\uff21", L"Common", L"Binder"}, {L"Base", L"Rare Holo", L""},
        {L"base", L"\xd83d\xde00", L""},   {L"Jungle", L"Rare", L"Binder"},
    };
    std::vector<CatalogueRow> rows;
    for (const auto& value : values) {
        rows.push_back(Card(L"id", L"Name", value[1]));
        rows.back().set_name = value[0];
        rows.back().location = value[2];
    }
    EXPECT_EQ(DistinctSetNames(rows), (Ids{L"Base", L"Jungle", L"base", L"\uff21"}));
    EXPECT_EQ(DistinctRarities(rows), (Ids{L"Common", L"Rare", L"Rare Holo", L"\xd83d\xde00"}));
    EXPECT_EQ(DistinctLocations(rows), (Ids{L"Binder", L"Box A", L"box a"}));
}

// Names StrCmpLogicalW calls equal keep their order both ways, also when a name
// the fast first order misplaces ("\u00e9clair", after "z") moves past them.
TEST(GridNaturalSort, NamesThatCompareEqualKeepTheirOrderBothWays)
{
    const wchar_t* const forms[] = {L"f %d", L"F %02d", L"f %03d", L"card %d", L"CARD %02d"};
    std::vector<CatalogueRow> rows;
    for (int i = 0; i < 120; ++i) {
        wchar_t name[32];
        swprintf(name, 32, i % 15 ? forms[(i * 3) % 5] : i % 2 ? L"\u00c9CLAIR %02d" : L"\u00e9clair %d", (i * 37) % 9);
        rows.push_back(Card((L"id-" + std::to_wstring(i)).c_str(), name, L"Common"));
    }
    GridModel model;
    ReplaceGridRows(model, rows);
    RebuildView(model, GridFilters());
    for (const bool ascending : {true, false}) {
        std::vector<int32_t> expected = model.view;
        std::stable_sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
            const int order = StrCmpLogicalW(rows[static_cast<size_t>(a)].name.c_str(),
                                             rows[static_cast<size_t>(b)].name.c_str());
            return ascending ? order < 0 : order > 0;
        });
        SortByColumnClick(model, GridColumnCard);
        EXPECT_EQ(model.view, expected);
    }
}

TEST_F(GridFiltersTest, AReloadFillsTheFiltersWithWhatTheCatalogueHoldsNowAndPicksAll)
{
    const MainControls& c = Controls();
    SendMessageW(c.setFilter, CB_SETCURSEL, 1, 0);
    // As many values as before, but other ones.
    RunSql(DatabasePath(), "UPDATE catalogue SET set_name = 'Base Set', rarity = 'Rare';"
                           "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
                           "('sale', 'set-7', 'Standard', 'Box A');");
    ReloadCatalogue(nullptr);
    EXPECT_EQ(SendMessageW(c.setFilter, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ComboValues(c.setFilter), Ids{L"Base Set"});
    EXPECT_EQ(ComboValues(c.rarityFilter), Ids{L"Rare"});
    EXPECT_EQ(ComboValues(c.locationFilter), Ids{L"Box A"});
}

TEST_F(GridFiltersTest, TheListFollowsThePanelsCardThroughSearchesAndSorts)
{
    // The last Pikachu, far down the list at every step.
    const int32_t card = FindCatalogueRow(L"set-300");
    SetItemState(ViewIndexOfRow(Grid(), card), LVIS_SELECTED | LVIS_FOCUSED);
    Search(L"pikachu");
    ASSERT_EQ(Grid().view.size(), 100u);
    ExpectShown(L"set-300");
    Search(L"eevee");
    ExpectShown(nullptr);
    EXPECT_EQ(Grid().selectedRow, card); // the panel keeps its card
    Search(L"");
    ExpectShown(L"set-300");
    // A sort moves the card to the end, then to the top.
    ColumnClick(GridColumnCard);
    EXPECT_EQ(ViewIndexOfRow(Grid(), card), 299);
    ExpectShown(L"set-300");
    ColumnClick(GridColumnCard);
    EXPECT_EQ(ViewIndexOfRow(Grid(), card), 0);
    ExpectShown(L"set-300");
    // The focus moved off the still selected card: a search that hides the card leaves neither behind.
    SetItemState(5, LVIS_FOCUSED);
    ASSERT_EQ(Next(LVNI_FOCUSED), 5);
    Search(L"eevee");
    ExpectShown(nullptr);
}

// On screen the list is left undrawn while its count and selection change and must come
// back whole: visible, its scroll bar following the count, every row and the header to be
// painted, also when a sort changed only the order.
TEST_F(GridFiltersTest, OnScreenTheListComesBackWithItsNewRowsToPaint)
{
    ShowWindow(Main(), SW_SHOWNORMAL);
    UpdateWindow(Main());
    Pump();
    HWND header = ListView_GetHeader(List());
    const auto expectRepainted = [&] {
        EXPECT_TRUE(IsWindowVisible(List()));
        EXPECT_EQ(ListView_GetItemCount(List()), 100);
        SCROLLINFO range = {};
        range.cbSize = sizeof range;
        range.fMask = SIF_RANGE;
        ASSERT_TRUE(GetScrollInfo(List(), SB_VERT, &range));
        EXPECT_EQ(range.nMax - range.nMin + 1, 100);
        RECT client = {}, pending = {};
        GetClientRect(List(), &client);
        ASSERT_TRUE(GetUpdateRect(List(), &pending, FALSE));
        EXPECT_TRUE(EqualRect(&pending, &client));
        EXPECT_TRUE(GetUpdateRect(header, nullptr, FALSE));
        Pump();
        EXPECT_FALSE(GetUpdateRect(List(), nullptr, FALSE));
        ExpectShown(L"set-300");
    };
    SetItemState(ViewIndexOfRow(Grid(), FindCatalogueRow(L"set-300")), LVIS_SELECTED | LVIS_FOCUSED);
    Search(L"pikachu", false); // a new count, the card scrolled into view
    expectRepainted();
    // The same count, the card scrolled to the other end; the header had a paint of its own pending.
    ColumnClick(GridColumnCard);
    InvalidateRect(header, nullptr, TRUE);
    ColumnClick(GridColumnCard, false);
    expectRepainted();
}
