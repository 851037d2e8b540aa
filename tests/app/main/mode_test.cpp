// Sales and Collection mode: what a switch reloads, shows and remembers,
// and which mode the toggle picks.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_model.h"
#include "app/main/commands.h"
#include "app/main/menu.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/settings.h"
#include "tests/core/test_databases.h"

namespace {

using Texts = std::vector<std::wstring>;

// Charizard is held in both ledgers, three for sale and one kept; Raichu is
// kept only.
constexpr const char* kTwoLedgers =
    "INSERT INTO catalogue (card_id, name, set_name, number) VALUES "
    "('base1-4', 'Charizard', 'Base', '4'), ('base1-14', 'Raichu', 'Base', '14');"
    "INSERT INTO inventory (card_id, condition, price, qty) VALUES ('base1-4', 'Near Mint', 100, 3);"
    "INSERT INTO collection (card_id, condition, qty) VALUES ('base1-4', 'Mint', 1), ('base1-14', 'Played', 2);";

class ModeTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(), kTwoLedgers);
        OpenWindow();
    }

    bool Collection() const { return MainWindow().flags.collectionMode; }

    bool SavedCollectionMode() const
    {
        UiPrefs prefs;
        EXPECT_TRUE(LoadUiPrefs(folder.File(L"prefs.ini"), prefs));
        return prefs.collectionMode;
    }

    // The window is never shown, so a control's own flag, not IsWindowVisible.
    static bool Shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

    bool TopMenuGreyed(UINT position) const
    {
        return (GetMenuState(MainWindow().menu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
    }

    void ExpectModeUi(bool collection)
    {
        SCOPED_TRACE(collection ? "Collection" : "Sales");
        const MainControls& c = Controls();
        for (HWND control : {c.showFilter, c.want, c.trade})
            EXPECT_EQ(Shown(control), collection);
        for (HWND control : {c.channel, c.price[0], c.ebayComps, c.ebayCurrent, c.ebayHolo})
            EXPECT_EQ(Shown(control), !collection);
        EXPECT_EQ(TopMenuGreyed(kStoreMenuPosition), collection);
        EXPECT_EQ(TopMenuGreyed(kSalesMenuPosition), collection);
        EXPECT_EQ(MenuChecked(IDM_MODE_COLLECTION), collection);
        EXPECT_EQ(MenuChecked(IDM_MODE_SALES), !collection);
    }

    // What the button sends its parent for a press of the Space bar.
    void PressSpace(HWND button)
    {
        SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageW(button, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001));
        Pump();
    }

    // A mouse click at a point of the button, with the pointer there.
    void ClickAt(HWND button, POINT client)
    {
        POINT screen = client;
        ClientToScreen(button, &screen);
        ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        Pump();
    }
};

TEST_F(ModeTest, ASwitchShowsTheOtherLedgersStockAndControlsAndIsRemembered)
{
    // Commands without an operation cannot be chosen; the others can.
    std::vector<HMENU> menus = {MainWindow().menu};
    while (!menus.empty()) {
        HMENU menu = menus.back();
        menus.pop_back();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (HMENU popup = GetSubMenu(menu, i)) {
                menus.push_back(popup);
                continue;
            }
            const auto id = static_cast<int>(GetMenuItemID(menu, i));
            if (id > 0) {
                EXPECT_EQ(MenuGreyed(id), !HasMenuCommand(id)) << id;
            }
        }
    }
    EXPECT_EQ(ColumnTexts(GridColumnHeld), (Texts{L"3", L""}));

    Command(IDM_MODE_COLLECTION);
    EXPECT_TRUE(Collection());
    EXPECT_EQ(ColumnTexts(GridColumnHeld), (Texts{L"1", L"2"}));
    EXPECT_TRUE(SavedCollectionMode());
    ExpectModeUi(true);

    Command(IDM_MODE_SALES);
    EXPECT_FALSE(Collection());
    EXPECT_EQ(ColumnTexts(GridColumnHeld), (Texts{L"3", L""}));
    EXPECT_FALSE(SavedCollectionMode());
    ExpectModeUi(false);
}

TEST_F(ModeTest, TheToggleFlipsOnAKeyPressWhereverThePointerIsAndAClickPicksTheHalf)
{
    PointerTurn pointer;
    HWND toggle = Controls().modeToggle;
    RECT client = {};
    GetClientRect(toggle, &client);

    // The pointer rests directly below the left half; read as a click
    // there, a key press would always mean Sales.
    POINT below = {client.right / 4, client.bottom + 40};
    ClientToScreen(toggle, &below);
    ASSERT_TRUE(SetCursorPos(below.x, below.y));
    PressSpace(toggle);
    EXPECT_TRUE(Collection());
    PressSpace(toggle);
    EXPECT_FALSE(Collection());

    // The right half means Collection, however often it is clicked.
    const POINT rightHalf = {client.right * 3 / 4, client.bottom / 2};
    ClickAt(toggle, rightHalf);
    EXPECT_TRUE(Collection());
    ClickAt(toggle, rightHalf);
    EXPECT_TRUE(Collection());
}

} // namespace
