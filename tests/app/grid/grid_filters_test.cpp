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

Ids SearchIds(GridModel& model, const wchar_t* text)
{
    GridFilters filters;
    filters.search = text;
    RebuildView(model, filters);
    Ids ids;
    for (int32_t row : model.view)
        ids.push_back(model.rows[static_cast<size_t>(row)].card_id);
    return ids;
}

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
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

    // Typing, then the search delay running out; nothing painted yet.
    void TypeAndWait(const wchar_t* text)
    {
        SetWindowTextW(Controls().search, text);
        SendMessageW(Main(), WM_TIMER, IDT_SEARCH, 0);
    }
    void Search(const wchar_t* text)
    {
        TypeAndWait(text);
        Pump();
    }

    // LVN_COLUMNCLICK as the list sends it; nothing painted yet.
    void SendColumnClick(int column)
    {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = List();
        click.hdr.idFrom = IDC_GRID;
        click.hdr.code = static_cast<UINT>(LVN_COLUMNCLICK);
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(Main(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&click));
    }
    void ColumnClick(int column)
    {
        SendColumnClick(column);
        Pump();
    }

    void SetItemState(int item, UINT state, UINT mask)
    {
        ListView_SetItemState(List(), item, state, mask);
        Pump();
    }

    int Next(UINT flags) const { return ListView_GetNextItem(List(), -1, flags); }

    // The item is selected, focused, the only one selected, shows the card
    // and is wholly in view.
    void ExpectShown(const wchar_t* card) const
    {
        const int item = ViewIndexOfRow(Grid(), FindCatalogueRow(card));
        ASSERT_GE(item, 0) << card;
        EXPECT_EQ(Next(LVNI_SELECTED), item) << card;
        EXPECT_EQ(Next(LVNI_FOCUSED), item) << card;
        EXPECT_EQ(ListView_GetSelectedCount(List()), 1u) << card;
        wchar_t text[64] = {};
        ListView_GetItemText(List(), item, GridColumnCard, text, 64);
        EXPECT_STREQ(text, Grid().rows[static_cast<size_t>(FindCatalogueRow(card))].name.c_str());
        const int top = ListView_GetTopIndex(List());
        EXPECT_GE(item, top) << card;
        EXPECT_LT(item, top + ListView_GetCountPerPage(List())) << card;
    }

    void ExpectNoneSelectedOrFocused() const
    {
        EXPECT_EQ(Next(LVNI_SELECTED), -1);
        EXPECT_EQ(Next(LVNI_FOCUSED), -1);
        EXPECT_EQ(ListView_GetSelectedCount(List()), 0u);
    }
};

} // namespace

// The rows' lower-cased texts are kept from one search to the next; a load
// of as many other rows must be searched by its own, and no term may match
// across the end of one row and the start of the next.
TEST(GridSearchTexts, EachLoadIsSearchedByItsOwnRowsAndNoTermSpansTwoRows)
{
    GridModel model;
    ReplaceGridRows(model, {Card(L"a-1", L"Pikachu", L"Common"), Card(L"a-2", L"Zapdos", L"Rare")});
    EXPECT_EQ(SearchIds(model, L"PIKA"), Ids{L"a-1"});
    EXPECT_EQ(SearchIds(model, L"commonzap"), Ids{});
    EXPECT_EQ(SearchIds(model, L"common\nzap"), Ids{});

    ReplaceGridRows(model, {Card(L"b-1", L"\u00c9voli", L"Common"), Card(L"b-2", L"Raichu", L"Rare")});
    EXPECT_EQ(SearchIds(model, L"pika"), Ids{});
    EXPECT_EQ(SearchIds(model, L"\u00e9VOLI"), Ids{L"b-1"});
    EXPECT_EQ(SearchIds(model, L"rai rare"), Ids{L"b-2"});
}

// Whatever order the rows come in: a value once, however often and wherever
// it repeats, never an empty one, case kept apart, and sorted by UTF-16 code
// unit (a surrogate pair before U+FF21, lower case after upper).
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
        CatalogueRow row = Card(L"id", L"Name", value[1]);
        row.set_name = value[0];
        row.location = value[2];
        rows.push_back(row);
    }
    EXPECT_EQ(DistinctSetNames(rows), (Ids{L"Base", L"Jungle", L"base", L"\uff21"}));
    EXPECT_EQ(DistinctRarities(rows), (Ids{L"Common", L"Rare", L"Rare Holo", L"\xd83d\xde00"}));
    EXPECT_EQ(DistinctLocations(rows), (Ids{L"Binder", L"Box A", L"box a"}));
}

// Texts StrCmpLogicalW calls equal ("f 7", "F 07", ...) share a place: both
// ways they keep the order they had, as a stable sort by StrCmpLogicalW
// itself would leave them, also when a name the fast first order misplaces
// ("\u00e9clair", after "z") has to move past such groups.
TEST(GridNaturalSort, NamesThatCompareEqualKeepTheirOrderBothWays)
{
    const wchar_t* const forms[] = {L"f %d", L"F %02d", L"f %03d", L"card %d", L"CARD %02d"};
    const wchar_t* const accented[] = {L"\u00e9clair %d", L"\u00c9CLAIR %02d"};
    std::vector<CatalogueRow> rows;
    for (int i = 0; i < 120; ++i) {
        wchar_t name[32];
        const wchar_t* form = i % 15 == 0 ? accented[i % 2] : forms[(i * 3) % 5];
        swprintf(name, 32, form, (i * 37) % 9);
        rows.push_back(Card((L"id-" + std::to_wstring(i)).c_str(), name, L"Common"));
    }
    GridModel model;
    ReplaceGridRows(model, rows);
    RebuildView(model, GridFilters());
    const auto byName = [&](bool ascending) {
        std::vector<int32_t> expected = model.view;
        std::stable_sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
            const int order = StrCmpLogicalW(rows[static_cast<size_t>(a)].name.c_str(),
                                             rows[static_cast<size_t>(b)].name.c_str());
            return ascending ? order < 0 : order > 0;
        });
        return expected;
    };
    const std::vector<int32_t> ascending = byName(true);
    const std::vector<int32_t> descending = byName(false);
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(model.view, ascending);
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(model.view, descending);
}

TEST_F(GridFiltersTest, AReloadFillsTheFiltersWithWhatTheCatalogueHoldsNowAndPicksAll)
{
    const MainControls& c = Controls();
    EXPECT_EQ(ComboItems(c.setFilter), (Ids{L"All sets", L"Set"}));
    SendMessageW(c.setFilter, CB_SETCURSEL, 1, 0);
    ReloadCatalogue(nullptr);
    EXPECT_EQ(ComboItems(c.setFilter), (Ids{L"All sets", L"Set"}));
    EXPECT_EQ(SendMessageW(c.setFilter, CB_GETCURSEL, 0, 0), 0);

    // As many values as before, but other ones.
    RunSql(DatabasePath(), "UPDATE catalogue SET set_name = 'Base Set', rarity = 'Rare';");
    ReloadCatalogue(nullptr);
    EXPECT_EQ(ComboItems(c.setFilter), (Ids{L"All sets", L"Base Set"}));
    EXPECT_EQ(ComboItems(c.rarityFilter), (Ids{L"All rarities", L"Rare"}));

    RunSql(DatabasePath(), "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
                           "('sale', 'set-7', 'Standard', 'Box A');");
    ReloadCatalogue(nullptr);
    EXPECT_EQ(ComboItems(c.locationFilter), (Ids{L"All locations", L"Box A"}));
}

TEST_F(GridFiltersTest, TheListFollowsThePanelsCardThroughSearchesAndSorts)
{
    // The last Pikachu, far down the list at every step.
    const int32_t card = FindCatalogueRow(L"set-300");
    SetItemState(ViewIndexOfRow(Grid(), card), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(Grid().selectedRow, card);

    Search(L"pikachu");
    ASSERT_EQ(Grid().view.size(), 100u);
    ExpectShown(L"set-300");
    Search(L"eevee");
    ExpectNoneSelectedOrFocused();
    EXPECT_EQ(Grid().selectedRow, card); // the panel keeps its card
    Search(L"");
    ExpectShown(L"set-300");

    // A sort moves the card to the end, then to the top; the count stays.
    ColumnClick(GridColumnCard);
    EXPECT_EQ(ViewIndexOfRow(Grid(), card), 299);
    ExpectShown(L"set-300");
    ColumnClick(GridColumnCard);
    EXPECT_EQ(ViewIndexOfRow(Grid(), card), 0);
    ExpectShown(L"set-300");

    // The focus moved off the card (Ctrl and an arrow key) while the card
    // stays selected: a search that hides the card leaves neither behind.
    SetItemState(5, LVIS_FOCUSED, LVIS_FOCUSED);
    ASSERT_EQ(Next(LVNI_SELECTED), 0);
    ASSERT_EQ(Next(LVNI_FOCUSED), 5);
    Search(L"eevee");
    ExpectNoneSelectedOrFocused();
}

// On screen, the list is left undrawn while its count and selection change
// and must come back whole: visible, its scroll bar following the count,
// every row and its header waiting to be painted, also when a sort changed
// only the order.
TEST_F(GridFiltersTest, OnScreenTheListComesBackWithItsNewRowsToPaint)
{
    ShowWindow(Main(), SW_SHOWNORMAL);
    UpdateWindow(Main());
    Pump();
    HWND header = ListView_GetHeader(List());
    const auto expectRepainted = [&](size_t count) {
        EXPECT_TRUE(IsWindowVisible(List()));
        EXPECT_EQ(static_cast<size_t>(ListView_GetItemCount(List())), count);
        SCROLLINFO range = {};
        range.cbSize = sizeof range;
        range.fMask = SIF_RANGE;
        ASSERT_TRUE(GetScrollInfo(List(), SB_VERT, &range));
        EXPECT_EQ(static_cast<size_t>(range.nMax - range.nMin + 1), count);
        RECT client = {};
        RECT pending = {};
        GetClientRect(List(), &client);
        ASSERT_TRUE(GetUpdateRect(List(), &pending, FALSE));
        EXPECT_TRUE(EqualRect(&pending, &client));
        EXPECT_TRUE(GetUpdateRect(header, nullptr, FALSE));
        Pump();
        EXPECT_FALSE(GetUpdateRect(List(), nullptr, FALSE));
    };
    SetItemState(ViewIndexOfRow(Grid(), FindCatalogueRow(L"set-300")), LVIS_SELECTED | LVIS_FOCUSED,
                 LVIS_SELECTED | LVIS_FOCUSED);

    // New count, the card scrolled into view.
    TypeAndWait(L"pikachu");
    expectRepainted(100);
    ExpectShown(L"set-300");

    // The same count, the card scrolled to the other end; the header had a
    // paint of its own pending.
    ColumnClick(GridColumnCard);
    InvalidateRect(header, nullptr, TRUE);
    SendColumnClick(GridColumnCard);
    expectRepainted(100);
    ExpectShown(L"set-300");
}
