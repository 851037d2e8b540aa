// The stock panel's decisions without a window: the unsaved-changes test,
// the plan of a save, the grid's refresh and the save's one transaction.
#include "app/panel/panel_model.h"

#include "core/db.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Rows = std::vector<std::string>;

PanelBaseline Fields(std::initializer_list<const wchar_t*> qty, std::initializer_list<const wchar_t*> price)
{
    PanelBaseline fields;
    int i = 0;
    for (const wchar_t* text : qty)
        fields.qtyTexts[i++] = text;
    i = 0;
    for (const wchar_t* text : price)
        fields.priceTexts[i++] = text;
    return fields;
}

TEST(PanelFields, OnlyAFieldThatDiffersFromTheBaselineIsAnUnsavedChange)
{
    PanelBaseline baseline = Fields({L"2", L"0", L"07"}, {L"4.50", L"", L""});
    baseline.location = L"Box A";
    baseline.want = true;
    EXPECT_FALSE(DiffersFromBaseline(baseline, baseline));

    const std::vector<std::function<void(PanelBaseline&)>> edits = {
        [](PanelBaseline& f) { f.qtyTexts[2] = L"7"; }, // the same number, typed otherwise
        [](PanelBaseline& f) { f.priceTexts[0] = L"4.5"; },
        [](PanelBaseline& f) { f.priceTexts[1] = L" "; },
        [](PanelBaseline& f) { f.location = L"box a"; },
        [](PanelBaseline& f) { f.want = false; },
        [](PanelBaseline& f) { f.trade = true; },
    };
    for (size_t i = 0; i < edits.size(); ++i) {
        PanelBaseline shown = baseline;
        edits[i](shown);
        EXPECT_TRUE(DiffersFromBaseline(shown, baseline)) << "edit " << i;
    }
}

TEST(PanelSavePlan, StopsAtTheFirstBadFieldAndKeepsPricesTheUserLeftAlone)
{
    const PanelBaseline baseline = Fields({L"2", L"0", L"1"}, {L"4.13", L"", L"9.99"});
    const double stored[kPanelConditions] = {4.125, 0.0, 9.99};

    PanelBaseline shown = baseline;
    shown.qtyTexts[0] = L" 3 ";
    shown.qtyTexts[1] = L"";
    shown.priceTexts[2] = L"5.125";
    shown.location = L" Box B ";
    shown.trade = true;
    PanelSave save;
    PanelInputError error;
    ASSERT_TRUE(PlanPanelSave(shown, baseline, stored, save, error));
    EXPECT_EQ(save.rows[0].qty, 3);
    EXPECT_EQ(save.rows[0].price, 4.125); // untouched: not rounded to the shown 4.13
    EXPECT_EQ(save.rows[1].qty, 0);       // empty: the row goes
    EXPECT_EQ(save.rows[2].qty, 1);
    EXPECT_EQ(save.rows[2].price, 5.125);
    EXPECT_EQ(save.location, L" Box B ");
    EXPECT_FALSE(save.want);
    EXPECT_TRUE(save.trade);

    // Typed over, even with the same digits, the price is what was typed.
    shown.priceTexts[0] = L"4.130";
    ASSERT_TRUE(PlanPanelSave(shown, baseline, stored, save, error));
    EXPECT_EQ(save.rows[0].price, 4.13);

    struct Case {
        const wchar_t* qty[3];
        const wchar_t* price[3];
        int condition;
        bool price_field;
    };
    const Case cases[] = {
        {{L"1.5", L"x", L"1"}, {L"1,50", L"", L""}, 0, false},
        {{L"1", L"1.5", L"1"}, {L"1,50", L"", L""}, 0, true},
        {{L"1", L"+1", L"1"}, {L"", L"-1", L""}, 1, false},
        {{L"1", L"1", L"100001"}, {L"", L"$2", L""}, 1, true},
        {{L"1", L"1", L"100001"}, {L"", L"", L""}, 2, false},
        {{L"1", L"1", L"100000"}, {L"", L"", L"1.2.3"}, 2, true},
    };
    for (const Case& c : cases) {
        PanelSave untouched;
        untouched.location = L"kept";
        EXPECT_FALSE(PlanPanelSave(Fields({c.qty[0], c.qty[1], c.qty[2]}, {c.price[0], c.price[1], c.price[2]}),
                                   baseline, stored, untouched, error));
        EXPECT_EQ(error.condition, c.condition);
        EXPECT_EQ(error.price, c.price_field);
        EXPECT_NE(error.message.find(Condition::All[c.condition]), std::wstring::npos);
        EXPECT_EQ(untouched.location, L"kept");
    }
    EXPECT_EQ(error.message, L"Invalid price for Played \u2014 e.g. 4.50 (no $ or minus)");
}

TEST(PanelGridRefresh, ANewLocationRefillsTheFilterAndOtherwiseOnlyActiveFiltersRefilter)
{
    EXPECT_EQ(GridRefreshAfterSave(true, L"Box A", L"box A", false, false), GridRefresh::RefillLocationsAndRefilter);
    EXPECT_EQ(GridRefreshAfterSave(true, L"Box A", L"", true, true), GridRefresh::RefillLocationsAndRefilter);
    // A location that could not be read back tells nothing.
    EXPECT_EQ(GridRefreshAfterSave(false, L"Box A", L"", false, false), GridRefresh::Repaint);
    EXPECT_EQ(GridRefreshAfterSave(true, L"Box A", L"Box A", true, false), GridRefresh::Refilter);
    EXPECT_EQ(GridRefreshAfterSave(true, L"", L"", false, true), GridRefresh::Refilter);
    EXPECT_EQ(GridRefreshAfterSave(true, L"", L"", false, false), GridRefresh::Repaint);
}

// Every table a save touches, whole.
Rows Everything()
{
    Rows all;
    for (const char* sql : {"SELECT * FROM inventory ORDER BY card_id, variant, condition;",
                            "SELECT * FROM variant_location ORDER BY ledger, card_id, variant;",
                            "SELECT * FROM card_flags ORDER BY card_id;"}) {
        const Rows rows = QueryRows(DatabasePath(), sql);
        all.insert(all.end(), rows.begin(), rows.end());
        all.push_back("--");
    }
    return all;
}

using PanelWriteTest = DataFolderTest;

TEST_F(PanelWriteTest, AFailureAnywhereInTheSaveLeavesEveryTableAsItWas)
{
    MakeDatabaseAt(DatabasePath(), 6);
    RunSql(DatabasePath(), "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
                           "('c1', 'Holo', 'Mint', 2, 4.125), ('c1', 'Holo', 'Played', 1, 3.0);"
                           "INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
                           "('sale', 'c1', 'Holo', 'Box A');"
                           "INSERT INTO card_flags (card_id, want, tradable) VALUES ('c1', 1, 1);");
    DbHandle db;
    std::string error;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    PanelSave save;
    save.rows[1] = {3, 1.5};
    save.rows[2] = {7, 5.25};
    save.location = L"Box B";
    save.want = true;
    const Rows before = Everything();

    // The rows and the location are written before the flags fail.
    RunSql(DatabasePath(), "CREATE TRIGGER no_flags BEFORE UPDATE ON card_flags BEGIN SELECT RAISE(ABORT, "
                           "'flags refused'); END;");
    EXPECT_EQ(WritePanelSave(db.get(), "c1", L"Holo", Ledger::Sale, save, error), PanelWriteResult::Failed);
    EXPECT_EQ(error, "flags refused");
    EXPECT_EQ(Everything(), before);

    // The write lock held by another connection past the busy timeout.
    RunSql(DatabasePath(), "DROP TRIGGER no_flags;");
    DbHandle other;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), other, error)) << error;
    ASSERT_TRUE(ExecSql(other.get(), "BEGIN IMMEDIATE;", error)) << error;
    EXPECT_EQ(WritePanelSave(db.get(), "c1", L"Holo", Ledger::Sale, save, error), PanelWriteResult::Failed);
    ASSERT_TRUE(ExecSql(other.get(), "ROLLBACK;", error)) << error;
    other.reset();
    EXPECT_EQ(Everything(), before);

    // A transaction that cannot begin writes nothing either.
    ASSERT_TRUE(ExecSql(db.get(), "BEGIN;", error)) << error;
    EXPECT_EQ(WritePanelSave(db.get(), "c1", L"Holo", Ledger::Sale, save, error), PanelWriteResult::BeginFailed);
    ASSERT_TRUE(ExecSql(db.get(), "ROLLBACK;", error)) << error;
    EXPECT_EQ(Everything(), before);

    // No flags table: the flags read fails rather than reading "no flags".
    RunSql(DatabasePath(), "DROP TABLE card_flags;");
    bool want = true;
    bool trade = true;
    EXPECT_FALSE(ReadCardFlags(db.get(), "c1", want, trade, error));
    EXPECT_FALSE(want || trade);
}

} // namespace
