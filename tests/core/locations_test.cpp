#include "core/locations.h"

#include "tests/core/ledger_db_fixture.h"

class LocationsTest : public LedgerDbTest {
protected:
    std::wstring CardLocation(const char* ledger)
    {
        std::wstring location = L"unchanged";
        std::string error;
        EXPECT_TRUE(LoadCardLocation(db.get(), ledger, "a", location, error)) << error;
        return location;
    }
    void Save(const char* ledger, const char* variant, const std::wstring& location)
    {
        std::string error;
        ASSERT_TRUE(SaveVariantLocation(db.get(), ledger, "a", variant, location, error)) << error;
    }
};

TEST_F(LocationsTest, StandardComesFirstElseTheFirstVariantAndEmptyDeletesTheRow)
{
    Save("sale", "Reverse Holo", L"Box R");
    Save("sale", "Holo", L"Box H");
    EXPECT_EQ(CardLocation("sale"), L"Box H");
    Save("sale", "Standard", L"Box S");
    EXPECT_EQ(CardLocation("sale"), L"Box S");
    EXPECT_EQ(CardLocation("coll"), L""); // the other ledger keeps its own

    for (const char* variant : {"Reverse Holo", "Holo", "Standard"})
        Save("sale", variant, L"");
    EXPECT_TRUE(Rows("SELECT * FROM variant_location;").empty());
    EXPECT_EQ(CardLocation("sale"), L"");
}
