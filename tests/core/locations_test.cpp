#include "core/locations.h"

#include "tests/core/ledger_db_fixture.h"

class LocationsTest : public LedgerDbTest {
protected:
    std::wstring CardLocation(Ledger ledger)
    {
        std::wstring location = L"unchanged";
        std::string error;
        EXPECT_TRUE(LoadCardLocation(db.get(), ledger, "a", location, error)) << error;
        return location;
    }
    void Save(Ledger ledger, const char* variant, const std::wstring& location)
    {
        std::string error;
        ASSERT_TRUE(SaveVariantLocation(db.get(), ledger, "a", variant, location, error)) << error;
    }
};

TEST_F(LocationsTest, StandardComesFirstElseTheFirstVariantAndEmptyDeletesTheRow)
{
    Save(Ledger::Sale, "Reverse Holo", L"Box R");
    Save(Ledger::Sale, "Holo", L"Box H");
    EXPECT_EQ(CardLocation(Ledger::Sale), L"Box H");
    Save(Ledger::Sale, "Standard", L"Box S");
    EXPECT_EQ(CardLocation(Ledger::Sale), L"Box S");
    EXPECT_EQ(CardLocation(Ledger::Collection), L""); // the other ledger keeps its own
    EXPECT_EQ(Rows("SELECT DISTINCT ledger FROM variant_location;"), std::vector<std::string>{"sale"});

    for (const char* variant : {"Reverse Holo", "Holo", "Standard"})
        Save(Ledger::Sale, variant, L"");
    EXPECT_TRUE(Rows("SELECT * FROM variant_location;").empty());
    EXPECT_EQ(CardLocation(Ledger::Sale), L"");
}

TEST_F(LocationsTest, EachLedgerListsItsOwnLocationsOnceIgnoringCase)
{
    // As earlier builds stored them, an empty location included.
    Exec("INSERT INTO variant_location (ledger, card_id, variant, location) VALUES "
         "('sale', 'a', 'Holo', 'box 2'), ('sale', 'a', 'Standard', 'Box 1'), ('sale', 'b', 'Holo', 'box 2'), "
         "('sale', 'c', 'Holo', ''), ('sale', 'd', 'Holo', 'Box 3'), ('coll', 'a', 'Holo', 'Binder');");
    std::vector<std::wstring> locations{L"stale"};
    std::string error;
    ASSERT_TRUE(LoadDistinctLocations(db.get(), Ledger::Sale, locations, error)) << error;
    EXPECT_EQ(locations, (std::vector<std::wstring>{L"Box 1", L"box 2", L"Box 3"}));
    ASSERT_TRUE(LoadDistinctLocations(db.get(), Ledger::Collection, locations, error)) << error;
    EXPECT_EQ(locations, std::vector<std::wstring>{L"Binder"});

    std::wstring location = L"stale";
    ASSERT_TRUE(LoadVariantLocation(db.get(), Ledger::Sale, "a", "Holo", location, error)) << error;
    EXPECT_EQ(location, L"box 2");
    ASSERT_TRUE(LoadVariantLocation(db.get(), Ledger::Collection, "a", "Holo", location, error)) << error;
    EXPECT_EQ(location, L"Binder");
    ASSERT_TRUE(LoadVariantLocation(db.get(), Ledger::Collection, "a", "Standard", location, error)) << error;
    EXPECT_EQ(location, L"");
}
