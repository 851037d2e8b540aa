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
