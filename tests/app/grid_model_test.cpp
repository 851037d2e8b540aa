#include "app/grid_model.h"

#include "tests/app/grid_rows.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

using Ids = std::vector<std::wstring>;

namespace {

class GridModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Load order, as the catalogue query gives it.
        ReplaceGridRows(model, {
                                   MakeRow(L"s-10", L"Bulbasaur", L"Sword", L"10", L"202", 2),
                                   MakeRow(L"s-2", L"bulbasaur", L"Sword", L"2", L"202", 0),
                                   MakeRow(L"s-tg01", L"Pikachu", L"Sword", L"TG01", L"", 2),
                                   MakeRow(L"s-1", L"Abra", L"Sword", L"1", L"202", 11),
                               });
        Filter();
    }

    void Filter(const std::wstring& search = L"")
    {
        GridFilters filters;
        filters.search = search;
        RebuildView(model, filters);
    }

    GridModel model;
};

} // namespace

TEST_F(GridModelTest, NumberSortsInNaturalOrderAndASecondClickReverses)
{
    SortByColumnClick(model, GridColumnNumber);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-1", L"s-2", L"s-10", L"s-tg01"}));
    SortByColumnClick(model, GridColumnNumber);
    EXPECT_FALSE(model.ascending);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-tg01", L"s-10", L"s-2", L"s-1"}));
    // A new column starts ascending again.
    SortByColumnClick(model, GridColumnCard);
    EXPECT_TRUE(model.ascending);
    EXPECT_EQ(model.rows[static_cast<size_t>(model.view[0])].name, L"Abra");
}

TEST_F(GridModelTest, HeldSortsByNumberAndTiesKeepThePreviousOrder)
{
    // Names ignore case, so the two Bulbasaurs tie and keep their order.
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-1", L"s-10", L"s-2", L"s-tg01"}));
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-tg01", L"s-10", L"s-2", L"s-1"}));

    SortByColumnClick(model, GridColumnHeld);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-2", L"s-tg01", L"s-10", L"s-1"}));
    SortByColumnClick(model, GridColumnHeld);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-1", L"s-tg01", L"s-10", L"s-2"}));

    // A rebuild starts from load order, so ties fall back to it.
    Filter();
    EXPECT_EQ(ViewIds(model), (Ids{L"s-1", L"s-10", L"s-tg01", L"s-2"}));
}

TEST_F(GridModelTest, ALocationEditedInPlaceSortsByItsNewText)
{
    model.rows[0].location = L"Box 10";
    model.rows[3].location = L"Box 9";
    SortByColumnClick(model, GridColumnLocation);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-2", L"s-tg01", L"s-1", L"s-10"}));
    // The stock panel's Save changes a location without a reload.
    model.rows[2].location = L"Box 99";
    SortByColumnClick(model, GridColumnLocation);
    SortByColumnClick(model, GridColumnLocation);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-2", L"s-1", L"s-10", L"s-tg01"}));
}

TEST_F(GridModelTest, MarksFollowTheirCardsThroughSortingAndFiltering)
{
    ASSERT_TRUE(ToggleViewItemMark(model, 2)); // Pikachu, in load order
    SortByColumnClick(model, GridColumnHeld);
    EXPECT_EQ(ViewIds(model)[2], L"s-tg01");
    EXPECT_TRUE(IsRowChecked(model, model.view[2]));
    EXPECT_FALSE(IsRowChecked(model, model.view[1]));

    Filter(L"bulbasaur");
    EXPECT_FALSE(AllVisibleChecked(model));
    Filter(L"pika");
    EXPECT_TRUE(AllVisibleChecked(model));
    EXPECT_TRUE(IsRowChecked(model, FindCatalogueRow(model, L"s-tg01")));

    EXPECT_FALSE(ToggleViewItemMark(model, 1));
    EXPECT_FALSE(ToggleViewItemMark(model, -1));
    // Marks past the rows are read as unchecked and never written.
    SetRowChecked(model, 4, true);
    EXPECT_FALSE(IsRowChecked(model, 4));
    EXPECT_EQ(model.checked.size(), 4u);
}

TEST_F(GridModelTest, CheckAllChecksTheRestThenClearsOnlyTheVisibleRows)
{
    ToggleViewItemMark(model, 0);
    Filter(L"bulbasaur");
    ASSERT_EQ(model.view.size(), 2u);
    EXPECT_STREQ(CheckAllMenuText(AllVisibleChecked(model)), L"&Check all");

    // The command sets marks while any visible row is unchecked.
    SetVisibleMarks(model, !AllVisibleChecked(model));
    EXPECT_TRUE(IsRowChecked(model, 0));
    EXPECT_TRUE(IsRowChecked(model, 1));
    EXPECT_STREQ(CheckAllMenuText(AllVisibleChecked(model)), L"Un&check all");

    Filter(L"b");
    ToggleViewItemMark(model, ViewIndexOfRow(model, 3)); // Abra
    Filter(L"bulbasaur");
    SetVisibleMarks(model, !AllVisibleChecked(model));
    EXPECT_FALSE(IsRowChecked(model, 0));
    EXPECT_FALSE(IsRowChecked(model, 1));
    EXPECT_TRUE(IsRowChecked(model, 3)); // hidden by the search, kept

    // An empty view is never all checked, and check-all sets nothing there.
    Filter(L"zzz");
    EXPECT_FALSE(AllVisibleChecked(model));
    SetVisibleMarks(model, true);
    EXPECT_FALSE(AllVisibleChecked(model));
}

TEST_F(GridModelTest, ANewLoadClearsMarksSortAndSelection)
{
    ToggleViewItemMark(model, 0);
    SortByColumnClick(model, GridColumnSet);
    SortByColumnClick(model, GridColumnSet);
    model.selectedRow = 2;

    SortByColumnClick(model, GridColumnCard);

    ReplaceGridRows(model, {MakeRow(L"n-1", L"Zubat", L"New", L"1"), MakeRow(L"n-2", L"Yanma", L"New", L"2"),
                            MakeRow(L"n-3", L"Xatu", L"New", L"3"), MakeRow(L"n-4", L"Weedle", L"New", L"4")});
    EXPECT_EQ(model.checked, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(model.sortColumn, kGridUnsorted);
    EXPECT_TRUE(model.ascending);
    EXPECT_EQ(model.selectedRow, -1);
    EXPECT_TRUE(model.view.empty());
    EXPECT_EQ(FindCatalogueRow(model, L"n-2"), 1);
    EXPECT_EQ(FindCatalogueRow(model, L"N-2"), -1);

    // The new names are sorted, not the old ones' order.
    Filter();
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(ViewIds(model), (Ids{L"n-4", L"n-3", L"n-2", L"n-1"}));
}

TEST(GridFilterValues, DistinctInCodeUnitOrderAndFoundByExactText)
{
    const std::vector<CatalogueRow> rows = {
        MakeRow(L"a", L"", L"base", L"", L"", 0, L"", L"box a"), MakeRow(L"b", L"", L"Zeta", L"", L"", 0, L"", L""),
        MakeRow(L"c", L"", L"Base", L"", L"", 0, L"", L"Box A"), MakeRow(L"d", L"", L"", L"", L"", 0, L"", L"box a"),
    };
    EXPECT_EQ(DistinctSetNames(rows), (Ids{L"Base", L"Zeta", L"base"}));
    const Ids locations = DistinctLocations(rows);
    EXPECT_EQ(locations, (Ids{L"Box A", L"box a"}));
    EXPECT_EQ(FilterItemIndex(locations, L"box a"), 2);
    EXPECT_EQ(FilterItemIndex(locations, L"Box A"), 1);
    EXPECT_EQ(FilterItemIndex(locations, L"BOX A"), 0);
    EXPECT_EQ(FilterItemIndex(locations, L""), 0);
}

TEST(GridCellTexts, NumberWithTotalHeldOnlyWhenPositiveAndCutToTheBuffer)
{
    CatalogueRow row = MakeRow(L"x-4", L"Charizard", L"Base", L"4", L"102", 0, L"Rare Holo", L"Binder 1");
    EXPECT_EQ(GridCellText(row, GridColumnNumber), L"4/102");
    EXPECT_EQ(GridCellText(row, GridColumnHeld), L"");
    EXPECT_EQ(GridCellText(row, kGridColumnCount), L"");
    row.held = 12;
    row.set_total.clear();
    EXPECT_EQ(GridCellText(row, GridColumnNumber), L"4");
    EXPECT_EQ(GridCellText(row, GridColumnHeld), L"12");

    wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
    CopyGridCellText(row, GridColumnCard, buffer, 5);
    EXPECT_STREQ(buffer, L"Char");
    CopyGridCellText(row, GridColumnHeld, buffer, 1);
    EXPECT_STREQ(buffer, L"");
}

// Sorting ranks the names in a shortcut order first and lets StrCmpLogicalW
// set it right; whatever the text, the result must be exactly the stable
// natural order, also when the shortcut gets it badly wrong.
void ExpectStableNaturalCardOrder(const std::vector<std::wstring>& names)
{
    std::vector<CatalogueRow> rows;
    for (size_t i = 0; i < names.size(); ++i)
        rows.push_back(MakeRow((L"id-" + std::to_wstring(i)).c_str(), names[i].c_str(), L"Set", L"1", L"1", 0));
    GridModel model;
    ReplaceGridRows(model, rows);
    RebuildView(model, GridFilters());
    std::vector<int32_t> expected = model.view;
    std::stable_sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
        return StrCmpLogicalW(rows[static_cast<size_t>(a)].name.c_str(), rows[static_cast<size_t>(b)].name.c_str()) <
               0;
    });
    SortByColumnClick(model, GridColumnCard);
    EXPECT_EQ(model.view, expected);
}

TEST(GridNaturalSort, CardOrderIsExactlyTheStableNaturalOrder)
{
    std::vector<std::wstring> names = {L"Pikachu",  L"pikachu", L"Pikachu V", L"Pikachu 10", L"Pikachu 9",
                                       L"Pikachu 09", L"Ho-Oh",  L"Hoothoot",  L"Farfetch'd", L"Farfetchd",
                                       L"Flab\u00e9b\u00e9", L"Flabebe", L"Mr. Mime", L"Mr Mime", L"\u00c9clair",
                                       L"Eevee",    L"Zubat",   L"",          L"2 Energy",   L"10 Energy"};
    ExpectStableNaturalCardOrder(names);
    // Many names whose code points put them after "z" while the natural
    // order puts them among the e's: the shortcut order is far off here.
    for (int i = 0; i < 300; ++i) {
        names.push_back(L"\u00e9v" + std::to_wstring(i));
        names.push_back(L"f" + std::to_wstring(i));
    }
    ExpectStableNaturalCardOrder(names);
}
