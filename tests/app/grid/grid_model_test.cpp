#include "app/grid/grid_model.h"

#include <gtest/gtest.h>

#include <windows.h>

using Ids = std::vector<std::wstring>;

namespace {

CatalogueRow MakeRow(const wchar_t* cardId, const wchar_t* name, const wchar_t* setName, const wchar_t* number,
                     int32_t held = 0)
{
    return CatalogueRow{cardId, name, setName, number, L"", L"", L"", held, false, false};
}

Ids ViewIds(const GridModel& model)
{
    Ids ids;
    for (int32_t row : model.view)
        ids.push_back(model.rows[static_cast<size_t>(row)].card_id);
    return ids;
}

Ids Search(GridModel& model, const wchar_t* text)
{
    GridFilters filters;
    filters.search = text;
    RebuildView(model, filters);
    return ViewIds(model);
}

} // namespace

TEST(GridMarks, FollowTheirCardsAndCheckAllTouchesOnlyVisibleRows)
{
    GridModel model;
    ReplaceGridRows(model, {MakeRow(L"s-10", L"Bulbasaur", L"Sword", L"10", 2),
                            MakeRow(L"s-2", L"bulbasaur", L"Sword", L"2", 0),
                            MakeRow(L"s-tg01", L"Pikachu", L"Sword", L"TG01", 2),
                            MakeRow(L"s-1", L"Abra", L"Sword", L"1", 11)});
    Search(model, L"");
    ASSERT_TRUE(ToggleViewItemMark(model, 2)); // Pikachu, in load order
    SortByColumnClick(model, GridColumnHeld);
    EXPECT_EQ(ViewIds(model)[2], L"s-tg01");
    EXPECT_TRUE(IsRowChecked(model, model.view[2]));
    EXPECT_FALSE(ToggleViewItemMark(model, -1));
    // Marks past the rows are read as unchecked and never written.
    SetRowChecked(model, 4, true);
    EXPECT_FALSE(IsRowChecked(model, 4));

    // Check-all, then uncheck-all, touch only the visible rows.
    SetRowChecked(model, 3, true); // Abra, hidden by the search
    Search(model, L"bulbasaur");
    SetVisibleMarks(model, !AllVisibleChecked(model));
    EXPECT_TRUE(IsRowChecked(model, 0) && IsRowChecked(model, 1));
    SetVisibleMarks(model, !AllVisibleChecked(model));
    EXPECT_FALSE(IsRowChecked(model, 0) || IsRowChecked(model, 1));
    EXPECT_TRUE(IsRowChecked(model, 3));
    // An empty view is never all checked.
    Search(model, L"zzz");
    EXPECT_FALSE(AllVisibleChecked(model));
}

// Terms are ANDed, case ignored, each inside one field of one row; a new load is searched by its own rows.
TEST(GridSearch, TermsAreAndedIgnoreCaseAndStayInsideOneFieldOfOneRow)
{
    GridModel model;
    CatalogueRow rare = MakeRow(L"base1-14", L"Raichu", L"Base", L"14");
    rare.rarity = L"Rare";
    ReplaceGridRows(model, {MakeRow(L"base1-4", L"Charizard", L"Base", L"4"), rare,
                            MakeRow(L"jungle-40", L"Snorlax", L"Jungle", L"40")});
    EXPECT_EQ(Search(model, L"BASE 4"), (Ids{L"base1-4", L"base1-14"}));
    EXPECT_EQ(Search(model, L"\tjungle  4 "), Ids{L"jungle-40"});
    EXPECT_EQ(Search(model, L"zardbase"), Ids{});
    EXPECT_EQ(Search(model, L"raresnorlax"), Ids{}); // nor across two rows
    EXPECT_EQ(Search(model, L"rare\nsnorlax"), Ids{});
    ReplaceGridRows(model, {MakeRow(L"b-1", L"\u00c9voli", L"Base", L"1"), MakeRow(L"b-2", L"Raichu", L"Base", L"2")});
    EXPECT_EQ(Search(model, L"snorlax"), Ids{});
    EXPECT_EQ(Search(model, L"\u00e9VOLI"), Ids{L"b-1"});
}

// The column shows the printed total but sorts by the number alone, naturally, either way.
TEST(GridNumberColumn, ShowsThePrintedTotalAndSortsNaturallyByTheNumberEitherWay)
{
    CatalogueRow withTotal = MakeRow(L"b-4", L"Charizard", L"Base", L"4");
    withTotal.set_total = L"102";
    EXPECT_EQ(GridCellText(withTotal, GridColumnNumber), L"4/102");
    // Copies are cut to the buffer.
    wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
    CopyGridCellText(withTotal, GridColumnCard, buffer, 5);
    EXPECT_STREQ(buffer, L"Char");

    CatalogueRow smallerTotal = MakeRow(L"j-4", L"Pikachu", L"Jungle", L"4");
    smallerTotal.set_total = L"64";
    GridModel model;
    ReplaceGridRows(model, {MakeRow(L"s-10", L"A", L"S", L"10"), MakeRow(L"s-tg10", L"B", L"S", L"TG10"), withTotal,
                            MakeRow(L"s-2", L"C", L"S", L"2"), MakeRow(L"s-tg3", L"D", L"S", L"TG3"), smallerTotal});
    Search(model, L"");
    SortByColumnClick(model, GridColumnNumber);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-2", L"b-4", L"j-4", L"s-10", L"s-tg3", L"s-tg10"}));
    SortByColumnClick(model, GridColumnNumber);
    EXPECT_EQ(ViewIds(model), (Ids{L"s-tg10", L"s-tg3", L"s-10", L"b-4", L"j-4", L"s-2"}));
}
