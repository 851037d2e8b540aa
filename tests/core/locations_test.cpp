// Storage locations: which one the grid shows for a card, and that clearing
// one removes its row instead of storing an empty location.
#include "core/locations.h"

#include "tests/core/ledger_db_fixture.h"

class LocationsTest : public LedgerDbTest {
protected:
    std::wstring CardLocation(const char* ledger, const char* card)
    {
        std::wstring location = L"unchanged";
        std::string error;
        EXPECT_TRUE(LoadCardLocation(db.get(), ledger, card, location, error)) << error;
        return location;
    }
    void Save(const char* ledger, const char* card, const char* variant, const std::wstring& location)
    {
        std::string error;
        ASSERT_TRUE(SaveVariantLocation(db.get(), ledger, card, variant, location, error)) << error;
    }
};

TEST_F(LocationsTest, StandardComesFirstElseTheFirstVariantInOrder)
{
    Save("sale", "a", "Reverse Holo", L"Box R");
    Save("sale", "a", "Holo", L"Box H");
    EXPECT_EQ(CardLocation("sale", "a"), L"Box H");
    Save("sale", "a", "Standard", L"Box S");
    EXPECT_EQ(CardLocation("sale", "a"), L"Box S");
    // The other ledger keeps its own locations.
    EXPECT_EQ(CardLocation("coll", "a"), L"");
}

TEST_F(LocationsTest, AnEmptyLocationDeletesItsRow)
{
    Save("coll", "a", "Standard", L"Binder 1");
    Save("coll", "a", "Standard", L"");
    EXPECT_TRUE(Rows("SELECT * FROM variant_location;").empty());
    EXPECT_EQ(CardLocation("coll", "a"), L"");
}
