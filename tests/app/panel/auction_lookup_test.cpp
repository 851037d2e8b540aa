// The "eBay sold comps" button in the real main window: which address goes
// to the shell for the card shown, with the site read from settings.ini at
// every click.
#include "tests/app/main/main_window_fixture.h"

#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/settings.h"
#include "tests/core/test_databases.h"

namespace {

class AuctionLookupTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
                               "('swsh4-43', 'Pikachu V', 'Vivid Voltage', '043', '185', 'Rare Holo V');");
        OpenWindow();
    }

    void Click(HWND control, int id)
    {
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        Pump();
    }

    void WriteSite(const std::wstring& site)
    {
        StoreSettings settings;
        InitDefaultStoreSettings(settings);
        settings.ebaySite = site;
        std::string error;
        ASSERT_TRUE(SaveStoreSettings(StoreSettingsFilePath(), settings, error)) << error;
    }
};

TEST_F(AuctionLookupTest, TheShownCardIsSearchedOnTheSiteTheSettingsNameAtTheTimeOfTheClick)
{
    // Without a card shown the button opens nothing.
    Click(Controls().ebayComps, IDC_EBAY_COMPS);
    EXPECT_TRUE(Script().opened.empty());

    ListView_SetItemState(Controls().grid, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
    const std::wstring words = L"_nkw=Pikachu+V+Vivid+Voltage+043+";

    // No settings.ini: the default site, sold listings, no Holo.
    Click(Controls().ebayComps, IDC_EBAY_COMPS);
    ASSERT_EQ(Script().opened.size(), 1u);
    EXPECT_EQ(Script().opened[0], L"https://www.ebay.com.au/sch/i.html?" + words +
                                      L"pokemon+card&LH_PrefLoc=1&LH_FS=1&_sop=15&LH_Sold=1&LH_Complete=1");

    // The two boxes shape the next search, and a site saved meanwhile is the
    // one it goes to.
    WriteSite(L"ebay.co.uk");
    SendMessageW(Controls().ebayHolo, BM_CLICK, 0, 0);
    SendMessageW(Controls().ebayCurrent, BM_CLICK, 0, 0);
    Click(Controls().ebayComps, IDC_EBAY_COMPS);
    ASSERT_EQ(Script().opened.size(), 2u);
    EXPECT_EQ(Script().opened[1],
              L"https://www.ebay.co.uk/sch/i.html?" + words + L"Holo+pokemon+card&LH_PrefLoc=1&LH_FS=1&_sop=15");

    // A site that could send the browser elsewhere is replaced by the default.
    WriteSite(L"evil.example/ebay.com");
    SendMessageW(Controls().ebayHolo, BM_CLICK, 0, 0);
    Click(Controls().ebayComps, IDC_EBAY_COMPS);
    ASSERT_EQ(Script().opened.size(), 3u);
    EXPECT_EQ(Script().opened[2],
              L"https://www.ebay.com.au/sch/i.html?" + words + L"pokemon+card&LH_PrefLoc=1&LH_FS=1&_sop=15");
}

} // namespace
