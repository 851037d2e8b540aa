// Start-up, mode switches and shut-down of the main window.
#include "tests/app/main/main_window_fixture.h"

#include "app/shell/ids.h"
#include "app/main/menu.h"
#include "core/db.h"

namespace {

using StartupTest = MainWindowTest;

TEST_F(StartupTest, AnUnreadableDatabaseIsLeftAloneAndKeepsTheMode)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    OpenWindow();
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(ReadFileBytes(DatabasePath()), std::string(4096, 'x'));

    Command(IDM_MODE_COLLECTION);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_FALSE(GetMenuState(MainWindow().menu, kStoreMenuPosition, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini")));
}

TEST_F(StartupTest, AFirstStartCreatesNoFileAndACloseWhileAModalWindowRunsIsIgnored)
{
    OpenWindow();
    EXPECT_FALSE(FileExists(DatabasePath()));
    EXPECT_TRUE(Script().boxes.empty());
    // What a modal window or a job does to its owner while it runs.
    EnableWindow(Main(), FALSE);
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_TRUE(IsWindow(Main()));
    EnableWindow(Main(), TRUE);
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
}

int questions = 0;
bool answer = false;

bool ScriptedConfirm()
{
    ++questions;
    return answer;
}

TEST_F(StartupTest, CloseAndModeSwitchAskOnceAndAnAnswerToStopKeepsEverything)
{
    Panel().confirmUnsavedChanges = ScriptedConfirm;
    questions = 0;
    answer = false;
    OpenWindow();
    Command(IDM_MODE_SALES);
    EXPECT_EQ(questions, 0); // already there: nothing to ask
    Command(IDM_MODE_COLLECTION);
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini")));

    // Cancel, or Yes with a Save that failed: the panel answers "stop".
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    Command(IDM_EXIT);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(questions, 3);
    EXPECT_TRUE(IsWindow(Main()));

    answer = true;
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump());
}

} // namespace
