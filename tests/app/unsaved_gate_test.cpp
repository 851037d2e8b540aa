// Closing the window and switching modes both pass the stock panel's
// unsaved-changes question first; an answer to stop keeps everything as it
// was, and the question is asked once.
#include "tests/app/main_window_fixture.h"

#include "app/ids.h"
#include "app/pending.h"

namespace {

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

} // namespace

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
