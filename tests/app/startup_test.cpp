// Start-up, mode switches and shut-down of the main window; closing and
// switching modes pass the stock panel's unsaved-changes question once, and
// an answer to stop keeps everything as it was.
#include "tests/app/main_window_fixture.h"

#include "app/ids.h"
#include "app/menu.h"
#include "app/pending.h"
#include "core/db.h"

namespace {

using StartupTest = MainWindowTest;

bool MenuGreyed(UINT position)
{
    return (GetMenuState(MainWindow().menu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
}

TEST_F(StartupTest, FirstStartWithoutDatabaseSaysHowToGetACatalogueAndCreatesNoFile)
{
    OpenWindow();
    EXPECT_EQ(StatusText(), L"No catalogue yet \u2014 use File \u2192 Update catalogue online\u2026");
    EXPECT_FALSE(FileExists(DatabasePath()));
    EXPECT_TRUE(Script().boxes.empty());
}

TEST_F(StartupTest, UnreadableDatabaseKeepsReloadsFailureStatusWithoutTheUpgradeBox)
{
    WriteFileBytes(DatabasePath(), std::string(4096, 'x'));
    const std::string before = ReadFileBytes(DatabasePath());
    OpenWindow();
    EXPECT_EQ(StatusText(), L"Could not load the catalogue database \u2014 keeping current data");
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);

    // A mode switch that cannot read it keeps the previous mode.
    Command(IDM_MODE_COLLECTION);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_TRUE(Visible(Controls().channel));
    EXPECT_FALSE(MenuGreyed(kStoreMenuPosition));
    EXPECT_EQ(StatusText(), L"Could not switch mode \u2014 the database was not readable; mode unchanged");
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini")));
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

int questions = 0;
bool answer = false;

bool ScriptedConfirm()
{
    ++questions;
    return answer;
}

class UnsavedGateTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        saved = Panel();
        Panel().confirmUnsavedChanges = ScriptedConfirm;
        questions = 0;
        answer = false;
    }
    void TearDown() override
    {
        Panel() = saved;
        MainWindowTest::TearDown();
    }

    PanelCalls saved{};
};

TEST_F(UnsavedGateTest, CloseIsKeptOnCancelOrFailedSaveAndGoesAheadOtherwise)
{
    OpenWindow();
    // Cancel, or Yes with a Save that failed: the panel answers "stop".
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(questions, 1);
    ASSERT_NE(Main(), nullptr);
    EXPECT_TRUE(IsWindow(Main()));

    Command(IDM_EXIT);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(questions, 2);
    EXPECT_TRUE(IsWindow(Main()));

    answer = true;
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    int quitCode = -1;
    EXPECT_TRUE(Pump(&quitCode));
    EXPECT_EQ(questions, 3);
    EXPECT_EQ(quitCode, 0);
}

TEST_F(UnsavedGateTest, AModeSwitchAsksOnceAndCancelKeepsTheMode)
{
    OpenWindow();
    Command(IDM_MODE_SALES);
    EXPECT_EQ(questions, 0);  // already there: nothing to ask

    Command(IDM_MODE_COLLECTION);
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(MainWindow().flags.collectionMode);
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini")));
}

} // namespace
