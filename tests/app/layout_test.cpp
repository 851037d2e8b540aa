// Where the main window's controls go, and which of them each mode shows.
#include "tests/app/main_window_fixture.h"

#include "app/ids.h"
#include "app/layout.h"
#include "app/menu.h"
#include "core/db.h"

namespace {

constexpr int kWidth96 = 1170;
constexpr int kHeight96 = 596;
constexpr int kStatus96 = 22;

TEST(MainLayout, At96DpiTheGridLeavesThePanelItsColumn)
{
    const MainLayout l = ComputeMainLayout(96, kWidth96, kHeight96, kStatus96, false);
    const int filterXs[] = {l.modeToggle.x,          l.setFilter.x,      l.search.x,
                            l.rarityFilter.x,        l.locationFilterLabel.x, l.locationFilter.x,
                            l.clearFilters.x,        l.modeLabel.x,      l.modeCombo.x};
    const int expected[] = {8, 156, 322, 508, 662, 726, 880, 974, 1030};
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(filterXs[i], expected[i]) << "filter row item " << i;

    EXPECT_EQ(l.grid.x, 0);
    EXPECT_EQ(l.grid.y, 44);
    EXPECT_EQ(l.grid.width, 870);
    EXPECT_EQ(l.grid.height, kHeight96 - kStatus96 - 44);
    EXPECT_EQ(l.columnWidths[0], 304);
    EXPECT_EQ(l.cardTitle.x, 882);
    EXPECT_EQ(l.sell[2].x, 882 + 226);
    EXPECT_EQ(l.sell[2].y, 178 + 60);
    EXPECT_EQ(l.cardImage.y, 396);
    EXPECT_EQ(l.cardImage.height, kHeight96 - kStatus96 - 8 - 396);
}

TEST(MainLayout, At144DpiEveryConstantIsScaledOnItsOwn)
{
    const int width = MulDiv(kWidth96, 144, 96);
    const int height = MulDiv(kHeight96, 144, 96);
    const MainLayout l = ComputeMainLayout(144, width, height, 33, false);
    EXPECT_EQ(l.setFilter.x, 234);   // 12 + 210 + 12
    EXPECT_EQ(l.modeCombo.x, 1545);  // 1.5 x 1030
    EXPECT_EQ(l.grid.width, 1305);   // 1755 - 450
    EXPECT_EQ(l.columnWidths[0], 1305 - (225 + 90 + 210 + 90 + 195) - 39);
    EXPECT_EQ(l.cardTitle.x, 1323);
    EXPECT_EQ(l.qty[1].y, 267 + 45);
    EXPECT_EQ(l.cardImage.height, height - 33 - 12 - 594);

    // At a dpi where halves round, the sums differ from scaling the sums.
    const MainLayout odd = ComputeMainLayout(120, MulDiv(kWidth96, 120, 96), 745, 28, false);
    EXPECT_EQ(odd.search.x, MulDiv(8, 120, 96) + MulDiv(140, 120, 96) + MulDiv(8, 120, 96) +
                                MulDiv(160, 120, 96) + MulDiv(6, 120, 96));
}

TEST(MainLayout, CollectionModeWidensTheSellColumnOverThePrices)
{
    const MainLayout l = ComputeMainLayout(96, kWidth96, kHeight96, kStatus96, true);
    EXPECT_EQ(l.sellHeader.x, 882 + 144);
    EXPECT_EQ(l.sellHeader.width, 122);
    for (int i = 0; i < kConditionRows; ++i) {
        EXPECT_EQ(l.sell[i].x, l.price[i].x);
        EXPECT_EQ(l.sell[i].width, 122);
    }
}

TEST(MainLayout, ANarrowWindowGivesTheGridEverythingAndKeepsTheImageTall)
{
    const MainLayout l = ComputeMainLayout(96, 450, 300, kStatus96, false);
    EXPECT_EQ(l.grid.width, 450);
    EXPECT_EQ(l.columnWidths[0], 160);
    EXPECT_EQ(l.cardTitle.x, 450 - 300 + 12);
    EXPECT_EQ(l.cardImage.height, 60);
}

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, ControlsSitWhereTheLayoutSays)
{
    OpenWindow();
    RECT client;
    GetClientRect(Main(), &client);
    RECT status;
    GetWindowRect(Controls().status, &status);
    const MainLayout l = ComputeMainLayout(MainWindow().dpi, client.right, client.bottom,
                                           status.bottom - status.top, false);
    const auto expectAt = [&](HWND control, const Box& box, const char* name) {
        const RECT r = Placed(control);
        EXPECT_EQ(r.left, box.x) << name;
        EXPECT_EQ(r.top, box.y) << name;
        EXPECT_EQ(r.right - r.left, box.width) << name;
    };
    expectAt(Controls().modeToggle, l.modeToggle, "mode toggle");
    expectAt(Controls().search, l.search, "search");
    expectAt(Controls().grid, l.grid, "grid");
    expectAt(Controls().save, l.save, "save");
    expectAt(Controls().sell[1], l.sell[1], "sell");
    expectAt(Controls().cardImage, l.cardImage, "card image");
    EXPECT_EQ(ListView_GetColumnWidth(Controls().grid, 0), l.columnWidths[0]);
    EXPECT_EQ(ListView_GetColumnWidth(Controls().grid, 4), l.columnWidths[4]);
}

using ModeTest = MainWindowTest;

bool MenuGreyed(UINT position)
{
    return (GetMenuState(MainWindow().menu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
}

TEST_F(ModeTest, EachModeShowsExactlyItsOwnControlsAndMenus)
{
    OpenWindow();
    const MainControls& c = Controls();
    const HWND salesOnly[] = {c.priceHeader, c.price[0], c.price[1], c.price[2], c.ebayComps,
                              c.ebayCurrent, c.ebayHolo, c.channelLabel, c.channel};
    const HWND collectionOnly[] = {c.want, c.trade, c.showLabel, c.showFilter};
    const HWND both[] = {c.sell[0], c.qty[0], c.save, c.location, c.grid, c.status, c.modeToggle};

    const auto expectMode = [&](bool collection) {
        for (HWND control : salesOnly)
            EXPECT_EQ(Visible(control), !collection);
        for (HWND control : collectionOnly)
            EXPECT_EQ(Visible(control), collection);
        for (HWND control : both)
            EXPECT_TRUE(Visible(control));
        EXPECT_EQ(Text(c.sellHeader), collection ? L"\u2192 Sale" : L"Sell");
        for (HWND button : c.sell)
            EXPECT_EQ(Text(button), collection ? L"\u2192 Sale" : L"\u22121");
        EXPECT_EQ(MenuGreyed(kStoreMenuPosition), collection);
        EXPECT_EQ(MenuGreyed(kSalesMenuPosition), collection);
        EXPECT_FALSE(MenuGreyed(3));
        EXPECT_FALSE(MenuGreyed(4));
        EXPECT_EQ(MenuChecked(IDM_MODE_COLLECTION), collection);
        EXPECT_EQ(MenuChecked(IDM_MODE_SALES), !collection);
        const int sellWidth = Placed(c.sell[0]).right - Placed(c.sell[0]).left;
        EXPECT_EQ(sellWidth, MulDiv(collection ? 122 : 40, MainWindow().dpi, 96));
    };

    expectMode(false);
    Command(IDM_MODE_COLLECTION);
    EXPECT_TRUE(MainWindow().flags.collectionMode);
    expectMode(true);
    Command(IDM_MODE_SALES);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    expectMode(false);
}

TEST_F(ModeTest, SwitchingToTheCurrentModeTouchesNothing)
{
    OpenWindow();
    Command(IDM_MODE_SALES);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    // No reload ran: it would have opened, and so created, the database.
    EXPECT_FALSE(FileExists(DatabasePath()));
    EXPECT_EQ(StatusText(), L"No catalogue yet \u2014 use File \u2192 Update catalogue online\u2026");
    EXPECT_TRUE(Script().boxes.empty());
}

TEST_F(ModeTest, ASwitchThatCannotReadTheDatabaseKeepsThePreviousMode)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    OpenWindow();
    Command(IDM_MODE_COLLECTION);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_TRUE(Visible(Controls().channel));
    EXPECT_FALSE(MenuGreyed(kStoreMenuPosition));
    EXPECT_EQ(StatusText(), L"Could not switch mode \u2014 the database was not readable; mode unchanged");
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini")));
}

TEST_F(ModeTest, TheToggleSwitchesByTheHalfClickedAndFlipsFromTheKeyboard)
{
    OpenWindow();
    HWND toggle = Controls().modeToggle;
    RECT r;
    GetWindowRect(toggle, &r);
    const auto clickAt = [&](int x, int y) {
        SetCursorPos(x, y);
        SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_MODE_TOGGLE, BN_CLICKED), reinterpret_cast<LPARAM>(toggle));
        Pump();
    };
    POINT cursor;
    clickAt(r.left + 3, (r.top + r.bottom) / 2);
    GetCursorPos(&cursor);
    if (cursor.x != r.left + 3)
        GTEST_SKIP() << "the cursor cannot be moved on this display";
    EXPECT_FALSE(MainWindow().flags.collectionMode);  // left half in Sales mode: nothing
    clickAt(r.right - 3, (r.top + r.bottom) / 2);
    EXPECT_TRUE(MainWindow().flags.collectionMode);
    clickAt(r.right + 40, (r.top + r.bottom) / 2);  // keyboard: the cursor is elsewhere
    EXPECT_FALSE(MainWindow().flags.collectionMode);
}

} // namespace
