// The stock panel's decisions without a window: unsaved changes, the save
// plan, the grid refresh and the save's one transaction.
#include "app/panel/panel_model.h"

#include "core/db.h"
#include "core/schema.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

namespace {

PanelBaseline Fields(std::initializer_list<const wchar_t*> qty, std::initializer_list<const wchar_t*> price)
{
    PanelBaseline f;
    int i = 0, j = 0;
    for (const wchar_t* t : qty) f.qtyTexts[i++] = t;
    for (const wchar_t* t : price) f.priceTexts[j++] = t;
    return f;
}

TEST(PanelModel, ChangesPlanAndRefresh)
{
    const PanelBaseline baseline = Fields({L"2", L"0", L"07"}, {L"4.13", L"", L"9.99"});
    const double stored[kPanelConditions] = {4.125, 0.0, 9.99};
    EXPECT_FALSE(DiffersFromBaseline(baseline, baseline));
    PanelBaseline shown = baseline;
    shown.qtyTexts[2] = L"7"; // the same number, typed otherwise
    EXPECT_TRUE(DiffersFromBaseline(shown, baseline));

    // An untouched price keeps its stored value, not the shown rounding.
    shown.qtyTexts[1] = L"";
    shown.priceTexts[2] = L"5.125";
    shown.trade = true;
    PanelSave save;
    PanelInputError error;
    ASSERT_TRUE(PlanPanelSave(shown, baseline, stored, save, error));
    EXPECT_EQ(save.rows[0].price, 4.125);
    EXPECT_EQ(save.rows[1].qty, 0);
    EXPECT_EQ(save.rows[2].qty, 7);
    EXPECT_EQ(save.rows[2].price, 5.125);
    EXPECT_TRUE(save.trade);

    // A field is read whole: trailing junk or an overflow is refused, the plan untouched.
    for (const wchar_t* bad : {L"1.5", L"100001", L"+1"}) {
        PanelSave untouched;
        untouched.location = L"kept";
        EXPECT_FALSE(PlanPanelSave(Fields({L"1", bad, L"1"}, {L"", L"", L""}), baseline, stored, untouched, error));
        EXPECT_EQ(error.condition, 1);
        EXPECT_EQ(untouched.location, L"kept");
    }
    EXPECT_FALSE(PlanPanelSave(Fields({L"1", L"1", L"1"}, {L"", L"", L"1.2.3"}), baseline, stored, save, error));
    EXPECT_TRUE(error.price);

    EXPECT_EQ(GridRefreshAfterSave(true, L"Box A", L"box A", false, false), GridRefresh::RefillLocationsAndRefilter);
    EXPECT_EQ(GridRefreshAfterSave(false, L"Box A", L"", false, false), GridRefresh::Repaint);
    EXPECT_EQ(GridRefreshAfterSave(true, L"Box A", L"Box A", true, false), GridRefresh::Refilter);
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
    const auto everything = [] {
        std::vector<std::string> all;
        for (const char* sql : {"SELECT * FROM inventory ORDER BY card_id, variant, condition;",
                                "SELECT * FROM variant_location ORDER BY ledger, card_id, variant;",
                                "SELECT * FROM card_flags ORDER BY card_id;"}) {
            const auto rows = QueryRows(DatabasePath(), sql);
            all.insert(all.end(), rows.begin(), rows.end());
        }
        return all;
    };
    DbHandle db;
    std::string error;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    PanelSave save;
    save.rows[1] = {3, 1.5};
    save.rows[2] = {7, 5.25};
    save.location = L"Box B";
    save.want = true;
    const auto before = everything();

    // Rows and location are written before the flags fail mid-transaction.
    RunSql(DatabasePath(), "CREATE TRIGGER no_flags BEFORE UPDATE ON card_flags BEGIN SELECT RAISE(ABORT, "
                           "'flags refused'); END;");
    EXPECT_EQ(WritePanelSave(db.get(), "c1", L"Holo", Ledger::Sale, save, error), PanelWriteResult::Failed);
    EXPECT_EQ(everything(), before);

    // A transaction that cannot begin writes nothing either.
    RunSql(DatabasePath(), "DROP TRIGGER no_flags;");
    ASSERT_TRUE(ExecSql(db.get(), "BEGIN;", error)) << error;
    EXPECT_EQ(WritePanelSave(db.get(), "c1", L"Holo", Ledger::Sale, save, error), PanelWriteResult::BeginFailed);
    ASSERT_TRUE(ExecSql(db.get(), "ROLLBACK;", error)) << error;
    EXPECT_EQ(everything(), before);

    // No flags table: the read fails rather than reading "no flags".
    RunSql(DatabasePath(), "DROP TABLE card_flags;");
    bool want = true, trade = true;
    EXPECT_FALSE(ReadCardFlags(db.get(), "c1", want, trade, error));
    EXPECT_FALSE(want || trade);
}

} // namespace
