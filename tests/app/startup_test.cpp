// Start-up and shut-down of the main window, as the user meets them.
#include "tests/app/main_window_fixture.h"

#include "app/ids.h"
#include "app/message_loop.h"
#include "core/db.h"
#include "core/log.h"

#include <algorithm>

namespace {

using StartupTest = MainWindowTest;

int ComboCount(HWND combo)
{
    return static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
}

std::wstring ComboItem(HWND combo, int index)
{
    wchar_t text[128] = {};
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(StartupTest, FirstStartWithoutDatabaseSaysHowToGetACatalogueAndCreatesNoFile)
{
    OpenWindow();
    EXPECT_EQ(StatusText(), L"No catalogue yet \u2014 use File \u2192 Update catalogue online\u2026");
    EXPECT_FALSE(FileExists(DatabasePath()));
    EXPECT_TRUE(Script().boxes.empty());

    // prefs.ini absent: Sales mode, not topmost, debug log on and written.
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_FALSE(GetWindowLongPtrW(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(MenuChecked(IDM_DEBUG_LOG));
    EXPECT_TRUE(MenuChecked(IDM_MODE_SALES));
    EXPECT_FALSE(MenuChecked(IDM_MODE_COLLECTION));
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Session start =====");
    EXPECT_EQ(lines[1], "App started (v0.9.62)");

    // The filters hold only their "all" item on an empty catalogue.
    const std::pair<HWND, const wchar_t*> filters[] = {{Controls().setFilter, L"All sets"},
                                                       {Controls().rarityFilter, L"All rarities"},
                                                       {Controls().locationFilter, L"All locations"}};
    for (const auto& [combo, all] : filters) {
        EXPECT_EQ(ComboCount(combo), 1);
        EXPECT_EQ(ComboItem(combo, 0), all);
    }
}

TEST_F(StartupTest, WindowHasItsTitleClassAndClientSize)
{
    OpenWindow();
    wchar_t className[64] = {};
    GetClassNameW(Main(), className, 64);
    EXPECT_STREQ(className, L"KovBinderwellMain");
    EXPECT_EQ(Text(Main()), L"Kov's Binderwell");
    RECT client;
    GetClientRect(Main(), &client);
    RECT window;
    GetWindowRect(Main(), &window);
    // Under heavy load Wine has now and then given a test process a default
    // 1024-pixel screen instead of the display's, and the system itself then
    // narrows a window that would not fit. That says nothing of the program.
    const int width = MulDiv(1170, MainWindow().dpi, 96);
    const int frame = (window.right - window.left) - client.right;
    if (client.right != width && GetSystemMetrics(SM_CXSCREEN) < width + frame)
        GTEST_SKIP() << "this process sees a screen " << GetSystemMetrics(SM_CXSCREEN) << " pixels wide";
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, MulDiv(596, MainWindow().dpi, 96));
    const LONG_PTR style = GetWindowLongPtrW(Main(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
}

TEST_F(StartupTest, UnreadableDatabaseKeepsReloadsFailureStatusWithoutTheUpgradeBox)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    const std::string before = ReadFileBytes(DatabasePath());
    OpenWindow();
    EXPECT_EQ(StatusText(), L"Could not load the catalogue database \u2014 keeping current data");
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
}

TEST_F(StartupTest, ExitClosesWithCodeZeroAndTheSessionEnds)
{
    OpenWindow();
    SendMessageW(Main(), WM_COMMAND, IDM_EXIT, 0);
    int quitCode = -1;
    EXPECT_TRUE(Pump(&quitCode));
    EXPECT_EQ(quitCode, 0);
    EXPECT_EQ(Main(), nullptr);
    // No status text reaches a window that is gone.
    SetStatusText(L"too late");
    EXPECT_EQ(StatusText(), L"");
}

TEST_F(StartupTest, CloseFromOutsideWhileAModalWindowRunsIsIgnored)
{
    OpenWindow();
    // What a modal window or a job does to its owner while it runs.
    EnableWindow(Main(), FALSE);
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    ASSERT_NE(Main(), nullptr);
    EXPECT_TRUE(IsWindow(Main()));

    EnableWindow(Main(), TRUE);
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    int quitCode = -1;
    EXPECT_TRUE(Pump(&quitCode));
    EXPECT_EQ(quitCode, 0);
}

TEST_F(StartupTest, ModalLoopPassesAQuitOnToTheMainLoop)
{
    bool running = true;
    PostQuitMessage(7);
    RunModalMessageLoop(nullptr, running);
    int quitCode = -1;
    EXPECT_TRUE(Pump(&quitCode));
    EXPECT_EQ(quitCode, 7);
}

TEST_F(StartupTest, DebugLogToggleWritesBothOfItsOwnLines)
{
    OpenWindow();
    Command(IDM_DEBUG_LOG);
    EXPECT_FALSE(MenuChecked(IDM_DEBUG_LOG));
    EXPECT_FALSE(DebugLogEnabled);
    Log("written while off");
    EXPECT_EQ(LogLines().back(), "Debug logging disabled");

    Command(IDM_DEBUG_LOG);
    EXPECT_TRUE(MenuChecked(IDM_DEBUG_LOG));
    EXPECT_TRUE(DebugLogEnabled);
    Log("written while on");
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "Debug logging disabled");
    EXPECT_EQ(lines[lines.size() - 2], "Debug logging enabled");
    EXPECT_EQ(lines.back(), "written while on");
}

TEST_F(StartupTest, AlwaysOnTopToggleMakesTheWindowTopmostAndBack)
{
    OpenWindow();
    Command(IDM_ALWAYS_ON_TOP);
    EXPECT_TRUE(GetWindowLongPtrW(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(MenuChecked(IDM_ALWAYS_ON_TOP));
    Command(IDM_ALWAYS_ON_TOP);
    EXPECT_FALSE(GetWindowLongPtrW(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(MenuChecked(IDM_ALWAYS_ON_TOP));
}

TEST_F(StartupTest, AboutBoxIsATaskDialogWithALinkAndFallsBackToAMessageBox)
{
    OpenWindow();
    Command(IDM_ABOUT);
    ASSERT_EQ(Script().taskDialogs.size(), 1u);
    const AskedTaskDialog& about = Script().taskDialogs[0];
    EXPECT_EQ(about.owner, Main());
    EXPECT_EQ(about.title, L"About");
    EXPECT_EQ(about.instruction, L"Kov's Binderwell");
    EXPECT_EQ(about.content.find(L"Version 0.9.62\n\nOffline Pok\u00e9mon TCG catalogue"), 0u);
    EXPECT_NE(about.content.find(L"More free tools: <a href=\""), std::wstring::npos);
    EXPECT_TRUE(about.flags & TDF_ENABLE_HYPERLINKS);
    EXPECT_TRUE(about.flags & TDF_ALLOW_DIALOG_CANCELLATION);
    EXPECT_TRUE(Script().boxes.empty());

    Script().taskDialogResult = E_NOTIMPL;
    Command(IDM_ABOUT);
    ASSERT_EQ(Script().boxes.size(), 1u);
    const AskedBox& plain = Script().boxes[0];
    EXPECT_EQ(plain.title, L"About");
    EXPECT_EQ(plain.type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(plain.text.find(L"Kov's Binderwell\nVersion 0.9.62\n\n"), 0u);
    EXPECT_NE(plain.text.find(L"More free tools: https://"), std::wstring::npos);
    EXPECT_EQ(plain.text.find(L"<a"), std::wstring::npos);
    EXPECT_NE(plain.text.find(L" \u00b7 not affiliated with Nintendo or The Pok\u00e9mon Company."), std::wstring::npos);
}

TEST_F(StartupTest, ClearFiltersEmptiesTheSearchAndLeavesNoDelayedFilterBehind)
{
    OpenWindow();
    SetWindowTextW(Controls().search, L"pika");
    SendMessageW(Controls().showFilter, CB_SETCURSEL, 2, 0);
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_CLEAR_FILTERS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Controls().clearFilters));
    EXPECT_EQ(Text(Controls().search), L"");
    EXPECT_EQ(SendMessageW(Controls().setFilter, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(Controls().showFilter, CB_GETCURSEL, 0, 0), 2);
    // The search delay was stopped: killing it again finds nothing.
    EXPECT_FALSE(KillTimer(Main(), IDT_SEARCH));
}

} // namespace
