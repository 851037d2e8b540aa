// The "eBay sold comps" button in the real main window: which address goes
// to the shell for the card shown, with the site read from settings.ini at
// every click, and what is logged.
#include "tests/app/main/main_window_fixture.h"

#include "app/shell/ids.h"
#include "core/db.h"
#include "core/catalogue.h"
#include "core/settings.h"
#include "tests/core/test_databases.h"

#include <algorithm>

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

    void ClickLookup()
    {
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_EBAY_COMPS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Controls().ebayComps));
        Pump();
    }

    void Tick(HWND box)
    {
        SendMessageW(box, BM_CLICK, 0, 0);
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

    size_t LookupLines() const
    {
        const std::vector<std::string> lines = LogLines();
        return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("eBay ", 0) == 0 || line.rfind("OnEbay", 0) == 0;
        }));
    }

    bool Logged(const std::string& line) const
    {
        const std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

constexpr const wchar_t* kWords = L"_nkw=Pikachu+V+Vivid+Voltage+043+pokemon+card";

TEST_F(AuctionLookupTest, WithoutACardShownTheButtonOpensAndLogsNothing)
{
    ClickLookup();
    EXPECT_TRUE(Script().opened.empty());
    EXPECT_EQ(LookupLines(), 0u);
}

TEST_F(AuctionLookupTest, TheShownCardIsSearchedOnTheSiteTheSettingsNameAtTheTimeOfTheClick)
{
    ListView_SetItemState(Controls().grid, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Pump();

    // No settings.ini: the default site, sold listings, no Holo.
    ClickLookup();
    ASSERT_EQ(Script().opened.size(), 1u);
    EXPECT_EQ(Script().opened[0], std::wstring(L"https://www.ebay.com.au/sch/i.html?") + kWords +
                                      L"&LH_PrefLoc=1&LH_FS=1&_sop=15&LH_Sold=1&LH_Complete=1");
    EXPECT_TRUE(Logged("eBay sold-comps lookup: Pikachu V"));

    // The two boxes shape the next search, and a site saved meanwhile is
    // the one it goes to.
    WriteSite(L"ebay.co.uk");
    Tick(Controls().ebayHolo);
    Tick(Controls().ebayCurrent);
    ClickLookup();
    ASSERT_EQ(Script().opened.size(), 2u);
    EXPECT_EQ(Script().opened[1], L"https://www.ebay.co.uk/sch/i.html?_nkw=Pikachu+V+Vivid+Voltage+043+Holo+pokemon+"
                                  L"card&LH_PrefLoc=1&LH_FS=1&_sop=15");
    EXPECT_TRUE(Logged("eBay current-listings +Holo lookup: Pikachu V"));

    // A site that could send the browser elsewhere is replaced by the
    // default, and the refusal logged.
    WriteSite(L"evil.example/ebay.com");
    Tick(Controls().ebayHolo);
    ClickLookup();
    ASSERT_EQ(Script().opened.size(), 3u);
    EXPECT_EQ(Script().opened[2], std::wstring(L"https://www.ebay.com.au/sch/i.html?") + kWords +
                                      L"&LH_PrefLoc=1&LH_FS=1&_sop=15");
    EXPECT_TRUE(Logged("OnEbay: invalid ebaySite 'evil.example/ebay.com' \xE2\x80\x94 using ebay.com.au"));
    EXPECT_TRUE(Logged("eBay current-listings lookup: Pikachu V"));
    EXPECT_EQ(LookupLines(), 4u);
}

} // namespace
