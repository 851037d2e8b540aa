#include "core/locations.h"

#include "core/stock.h"
#include "tests/core/ledger_db_fixture.h"

namespace {

using LocationsTest = LedgerDbTest;

const std::string kCard = "base1-4";

} // namespace

TEST_F(LocationsTest, TheStandardLocationWinsElseTheFirstVariantsInBinaryOrder)
{
    Exec("INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'a', 'Holo', 'Box 1'), ('sale', 'a', 'Standard', 'Binder 2'), "
         "('sale', 'b', 'Reverse Holo', 'Box 3'), ('sale', 'b', 'Holo', 'Box 4'), ('sale', 'b', 'Other', 'Box 5'), "
         // An empty location is no location, even for Standard.
         "('sale', 'c', 'Standard', ''), ('sale', 'c', 'Reverse Holo', 'Box 6'), "
         // Another ledger's location is not this one's.
         "('coll', 'd', 'Standard', 'Shelf');");
    const std::pair<const char*, const wchar_t*> expected[] = {
        {"a", L"Binder 2"}, {"b", L"Box 4"}, {"c", L"Box 6"}, {"d", L""}, {"nothing", L""}};
    for (const auto& [card, location] : expected) {
        SCOPED_TRACE(card);
        std::wstring found = L"stale";
        std::string error;
        ASSERT_TRUE(LoadCardLocation(db.get(), Ledger::Sale, card, found, error)) << error;
        EXPECT_EQ(found, location);
    }
    std::wstring found;
    std::string error;
    ASSERT_TRUE(LoadCardLocation(db.get(), Ledger::Collection, "d", found, error)) << error;
    EXPECT_EQ(found, L"Shelf");
}

TEST_F(LocationsTest, SavingReplacesTheOneRowAndAnEmptyLocationDeletesIt)
{
    std::string error;
    const std::wstring binder = L"Bind\u00e9r \u2014 page 3 ";
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", L"Box 1", error)) << error;
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", binder, error)) << error;
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", binder, error)) << error;
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Collection, kCard, "Holo", L"Shelf", error)) << error;
    EXPECT_EQ(Rows("SELECT ledger, variant, location FROM variant_location ORDER BY ledger;"),
              (std::vector<std::string>{"coll|Holo|Shelf", "sale|Holo|Bind\xc3\xa9r \xe2\x80\x94 page 3 "}));

    std::wstring found;
    ASSERT_TRUE(LoadVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", found, error)) << error;
    EXPECT_EQ(found, binder);
    ASSERT_TRUE(LoadVariantLocation(db.get(), Ledger::Sale, kCard, "Standard", found, error)) << error;
    EXPECT_EQ(found, L"");

    // Blanks are a location as typed; only the empty text clears it.
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", L"  ", error)) << error;
    EXPECT_EQ(Rows("SELECT location FROM variant_location WHERE ledger = 'sale';"), std::vector<std::string>{"  "});
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", L"", error)) << error;
    EXPECT_EQ(Rows("SELECT ledger FROM variant_location;"), std::vector<std::string>{"coll"});
    // Clearing a location that is not there is no error.
    ASSERT_TRUE(SaveVariantLocation(db.get(), Ledger::Sale, kCard, "Holo", L"", error)) << error;
}

TEST_F(LocationsTest, DistinctLocationsAreListedOncePerLedgerWithoutCase)
{
    Exec("INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'a', 'Holo', 'box 2'), ('sale', 'a', 'Standard', 'Binder'), ('sale', 'b', 'Holo', 'Box 1'), "
         "('sale', 'c', 'Holo', 'Binder'), ('sale', 'd', 'Holo', ''), ('coll', 'a', 'Holo', 'Attic');");
    std::vector<std::wstring> locations = {L"stale"};
    std::string error;
    ASSERT_TRUE(LoadDistinctLocations(db.get(), Ledger::Sale, locations, error)) << error;
    EXPECT_EQ(locations, (std::vector<std::wstring>{L"Binder", L"Box 1", L"box 2"}));
    ASSERT_TRUE(LoadDistinctLocations(db.get(), Ledger::Collection, locations, error)) << error;
    EXPECT_EQ(locations, std::vector<std::wstring>{L"Attic"});
}
