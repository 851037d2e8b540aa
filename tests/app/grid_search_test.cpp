#include "app/grid_model.h"

#include "tests/app/grid_rows.h"

#include <gtest/gtest.h>

using Ids = std::vector<std::wstring>;

namespace {

class GridSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ReplaceGridRows(model, {
                                   MakeRow(L"base1-4", L"Charizard", L"Base", L"4", L"102", 1, L"Rare Holo", L"Binder"),
                                   MakeRow(L"base1-14", L"Raichu", L"Base", L"14", L"102", 0, L"Rare Holo"),
                                   MakeRow(L"jungle-40", L"Snorlax", L"Jungle", L"40", L"64", 2, L"Rare"),
                                   MakeRow(L"fossil-5", L"Gengar", L"Fossil", L"5", L"62", 0, L"Rare Holo", L"Box A"),
                                   MakeRow(L"promo-1", L"Pikachu", L"Promos", L"1", L"", 3, L"Promo", L"box a"),
                               });
    }

    Ids Search(const std::wstring& text)
    {
        GridFilters filters;
        filters.search = text;
        RebuildView(model, filters);
        return ViewIds(model);
    }

    GridModel model;
};

} // namespace

TEST_F(GridSearchTest, TermsAreAndedIgnoreCaseAndStayInsideOneField)
{
    // A set word and a number: every card of the set whose number holds the
    // digits, in load order.
    EXPECT_EQ(Search(L"BASE 4"), (Ids{L"base1-4", L"base1-14"}));
    EXPECT_EQ(Search(L"\tjungle  4 "), (Ids{L"jungle-40"}));
    EXPECT_EQ(Search(L"base snorlax"), Ids{});
    // "charizard" ends one line and "base" starts the next: no match across.
    EXPECT_EQ(Search(L"zardbase"), Ids{});
    // The card id and rarity are searched, the location is not.
    EXPECT_EQ(Search(L"fossil-5"), (Ids{L"fossil-5"}));
    EXPECT_EQ(Search(L"promo"), (Ids{L"promo-1"}));
    EXPECT_EQ(Search(L"binder"), Ids{});
    EXPECT_EQ(Search(L""), (Ids{L"base1-4", L"base1-14", L"jungle-40", L"fossil-5", L"promo-1"}));
}

TEST_F(GridSearchTest, NumberSlashTotalFindsTheCardAsTheNumberColumnShowsIt)
{
    // A substring like any other term: 14/102 holds 4/102 too.
    EXPECT_EQ(Search(L"4/102"), (Ids{L"base1-4", L"base1-14"}));
    EXPECT_EQ(Search(L"40/64"), (Ids{L"jungle-40"}));
    EXPECT_EQ(Search(L"/102"), (Ids{L"base1-4", L"base1-14"}));
    // No printed total: no slash either.
    EXPECT_EQ(Search(L"1/"), Ids{});
    EXPECT_EQ(BuildSearchText(model.rows[4]), L"pikachu\npromos\n1\npromo-1\npromo");
}

TEST(GridSearchTerms, OnlySpacesAndTabsSeparate)
{
    EXPECT_EQ(SplitSearchTerms(L"  a\tbc  d\u00a0e\nf "), (Ids{L"a", L"bc", L"d\u00a0e\nf"}));
    EXPECT_TRUE(SplitSearchTerms(L" \t ").empty());
    EXPECT_EQ(LowerCased(L"\u00c9CLAIR Box"), L"\u00e9clair box");
}

TEST_F(GridSearchTest, FiltersCompareWholeTextsExactlyAndShowTestsTheLedger)
{
    GridFilters filters;
    filters.location = L"Box A";
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"fossil-5"}));
    filters.location = L"box a";
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"promo-1"}));

    filters = GridFilters();
    filters.set = L"Bas";
    RebuildView(model, filters);
    EXPECT_TRUE(model.view.empty());
    filters.set = L"Base";
    filters.rarity = L"Rare Holo";
    filters.inStockOnly = true;
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"base1-4"}));

    // Owned hides a card with none held even with "In stock only" off.
    filters = GridFilters();
    filters.show = ShowOwned;
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"base1-4", L"jungle-40", L"promo-1"}));
    model.rows[1].want = true;
    model.rows[2].tradable = true;
    filters.show = ShowWant;
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"base1-14"}));
    filters.show = ShowTrade;
    RebuildView(model, filters);
    EXPECT_EQ(ViewIds(model), (Ids{L"jungle-40"}));
}

TEST_F(GridSearchTest, StatusCountsTheViewAgainstEveryRow)
{
    Search(L"");
    EXPECT_EQ(GridStatusText(model), L"5 cards in catalogue");
    Search(L"rare");
    EXPECT_EQ(GridStatusText(model), L"4 of 5 cards");
    Search(L"nothing like it");
    EXPECT_EQ(GridStatusText(model), L"0 of 5 cards");

    ReplaceGridRows(model, {MakeRow(L"x-1", L"One", L"X", L"1")});
    Search(L"");
    EXPECT_EQ(GridStatusText(model), L"1 cards in catalogue");
}
