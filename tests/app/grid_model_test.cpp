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

TEST(GridSearch, TermsAreAndedIgnoreCaseAndStayInsideOneField)
{
    GridModel model;
    ReplaceGridRows(model, {
                               MakeRow(L"base1-4", L"Charizard", L"Base", L"4", L"102", 1, L"Rare Holo", L"Binder"),
                               MakeRow(L"base1-14", L"Raichu", L"Base", L"14", L"102", 0, L"Rare Holo"),
                               MakeRow(L"jungle-40", L"Snorlax", L"Jungle", L"40", L"64", 2, L"Rare"),
                               MakeRow(L"fossil-5", L"Gengar", L"Fossil", L"5", L"62", 0, L"Rare Holo", L"Box A"),
                               MakeRow(L"promo-1", L"Pikachu", L"Promos", L"1", L"", 3, L"Promo", L"box a"),
                           });
    const auto search = [&](const wchar_t* text) {
        GridFilters filters;
        filters.search = text;
        RebuildView(model, filters);
        return ViewIds(model);
    };
    // A set word and a number: every card of the set whose number holds the
    // digits, in load order.
    EXPECT_EQ(search(L"BASE 4"), (Ids{L"base1-4", L"base1-14"}));
    EXPECT_EQ(search(L"\tjungle  4 "), (Ids{L"jungle-40"}));
    EXPECT_EQ(search(L"base snorlax"), Ids{});
    // "charizard" ends one line and "base" starts the next: no match across.
    EXPECT_EQ(search(L"zardbase"), Ids{});
    // The card id and rarity are searched, the location is not.
    EXPECT_EQ(search(L"fossil-5"), (Ids{L"fossil-5"}));
    EXPECT_EQ(search(L"promo"), (Ids{L"promo-1"}));
    EXPECT_EQ(search(L"binder"), Ids{});
    EXPECT_EQ(search(L""), (Ids{L"base1-4", L"base1-14", L"jungle-40", L"fossil-5", L"promo-1"}));
}

TEST(GridCellTexts, CopiesAreCutToTheBuffer)
{
    const CatalogueRow row = MakeRow(L"x-4", L"Charizard", L"Base", L"4", L"", 12);
    wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
    CopyGridCellText(row, GridColumnCard, buffer, 5);
    EXPECT_STREQ(buffer, L"Char");
    CopyGridCellText(row, GridColumnHeld, buffer, 1);
    EXPECT_STREQ(buffer, L"");
}

// The shortcut order set right by StrCmpLogicalW must give exactly the
// stable natural order, also when the shortcut is far off.
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
