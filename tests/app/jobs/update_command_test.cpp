// File → Update catalogue online… in the real main window, against the
// tests' local HTTPS server, acting from inside the progress window's loop.
#include "tests/app/main/main_window_fixture.h"

#include "app/jobs/job_runner.h"
#include "app/shell/ids.h"
#include "core/backup.h"
#include "core/catalogue_update.h"
#include "tests/app/jobs/test_repository.h"
#include "tests/support/process_window.h"
#include "ui/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// One thing the user does while the job runs, once ready() holds.
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
};

std::vector<Step> steps;
size_t nextStep = 0;

// When the runner gave the main window back: the job has ended by then.
ULONGLONG givenBackAt = 0;

LRESULT CALLBACK WatchGivenBack(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_ENABLE && wParam)
        givenBackAt = GetTickCount64();
    return DefSubclassProc(window, message, wParam, lParam);
}

// A thread timer: it fires from whichever loop runs.
void CALLBACK RunSteps(HWND, UINT, UINT_PTR, DWORD)
{
    while (nextStep < steps.size() && steps[nextStep].ready())
        steps[nextStep++].act();
}

HWND ProgressWindow() { return FindThreadWindow(kProgressWindowClass); }
HWND CancelButton() { return GetDlgItem(ProgressWindow(), IDC_PROGRESS_CANCEL); }

bool Requested(const HttpsTestServer& server, const std::string& path)
{
    const std::vector<std::string> paths = RequestedPaths(server);
    return std::count(paths.begin(), paths.end(), path) > 0;
}

// Ready once ms have passed since the step before it acted.
std::function<bool()> After(DWORD ms)
{
    auto since = std::make_shared<ULONGLONG>(0);
    return [since, ms] {
        if (*since == 0)
            *since = GetTickCount64();
        return GetTickCount64() - *since >= ms;
    };
}

class UpdateCommandTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        source.setPauseMs = 0;
        source.retryStepMs = 1;
    }

    void TearDown() override
    {
        SetCatalogueJobSource(nullptr);
        SetBackupFileCopy(nullptr);
        MainWindowTest::TearDown();
    }

    void Serve(HttpsTestServer& server)
    {
        ASSERT_TRUE(server.Start());
        source.host = server.Host();
        SetCatalogueJobSource(&source);
    }

    // Runs the command with the steps; notes how long the job ran on from the moment marked.
    void Update(std::vector<Step> script = {})
    {
        steps = std::move(script);
        nextStep = 0;
        marked = 0;
        givenBackAt = 0;
        HWND main = Main();
        SetWindowSubclass(main, WatchGivenBack, 1, 0);
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunSteps);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_UPDATE_CATALOGUE, 0), 0);
        KillTimer(nullptr, timer);
        if (IsWindow(main))
            RemoveWindowSubclass(main, WatchGivenBack, 1);
        jobRanOn = givenBackAt > marked ? givenBackAt - marked : ~0ull;
        EXPECT_EQ(nextStep, steps.size()) << "the job ended before every step was taken";
        steps.clear();
    }

    // Quits as the system would, marking the moment.
    std::function<void()> Quit()
    {
        return [this] {
            marked = GetTickCount64();
            PostQuitMessage(3);
        };
    }

    int GridRows() { return static_cast<int>(SendMessageW(Controls().grid, LVM_GETITEMCOUNT, 0, 0)); }

    HttpsTestServer server{folder.Path()};
    CatalogueSource source;
    ULONGLONG marked = 0;
    ULONGLONG jobRanOn = 0;
};

int backupCopies = 0;
bool FailingCopy(const std::wstring&, const std::wstring&)
{
    ++backupCopies;
    SetLastError(ERROR_DISK_FULL);
    return false;
}

TEST_F(UpdateCommandTest, CancelOrTheCloseBoxStopsTheJobThenARunFillsTheRestAndTheNextFetchesOnlyTheSetList)
{
    ServeRepository(server, 4, 2, {"s2", "s3"}, 1.5);
    Serve(server);
    OpenWindow();

    // Unsaved changes kept: nothing happens at all.
    const auto confirm = Panel().confirmUnsavedChanges;
    Panel().confirmUnsavedChanges = [] { return false; };
    Update();
    EXPECT_TRUE(RequestedPaths(server).empty());
    Panel().confirmUnsavedChanges = confirm;

    const auto expectCancelling = [this] {
        EXPECT_TRUE(IsWindowVisible(ProgressWindow()));
        EXPECT_FALSE(IsWindowEnabled(CancelButton()));
        EXPECT_FALSE(IsWindowEnabled(Main()));
    };
    // The request under way ends and its set is committed; nothing after it is fetched.
    Update({
        {[this] { return Requested(server, CardListPath("s2")); },
         [] { SendMessageW(CancelButton(), BM_CLICK, 0, 0); }},
        {After(300), expectCancelling},
    });
    EXPECT_EQ(GridRows(), 4);
    EXPECT_FALSE(Requested(server, CardListPath("s3")));

    Update({
        {[this] { return Requested(server, CardListPath("s3")); },
         [] { PostMessageW(ProgressWindow(), WM_CLOSE, 0, 0); }},
        {After(300), expectCancelling},
    });
    EXPECT_EQ(GridRows(), 6);
    EXPECT_FALSE(Requested(server, CardListPath("s4")));
    EXPECT_TRUE(IsWindowEnabled(Main()));

    // A backup that fails does not stop the update; the rest comes in, no card twice.
    SetBackupFileCopy(FailingCopy);
    Update();
    EXPECT_EQ(backupCopies, 1);
    EXPECT_EQ(GridRows(), 8);
    EXPECT_FALSE(ProgressWindow());
    const size_t asked = RequestedPaths(server).size();
    Update();
    EXPECT_EQ(GridRows(), 8);
    const std::vector<std::string> paths = RequestedPaths(server);
    ASSERT_EQ(paths.size(), asked + 1);
    EXPECT_EQ(paths.back(), kSetListPath);
}

TEST_F(UpdateCommandTest, AQuitInABackOffOrBetweenSetsEndsTheJobAtOnce)
{
    CreateDirectoryW(folder.File(L"busy").c_str(), nullptr);
    HttpsTestServer busy(folder.File(L"busy"));
    busy.Route(kSetListPath, {Reply(503, "")});
    ServeRepository(server, 5, 1);
    ASSERT_TRUE(busy.Start());
    Serve(server);
    OpenWindow();
    const auto quit = Quit();

    // The first try failed; the next is 1.5 s away.
    source.host = busy.Host();
    source.retryStepMs = 1500;
    Update({{[&busy] { return !busy.Requests().empty(); }, [] {}}, {After(300), quit}});
    EXPECT_LT(jobRanOn, 1000u);
    EXPECT_EQ(busy.Requests().size(), 1u);
    EXPECT_TRUE(Pump()) << "the quit message was not passed on";

    // The first set is in; the next is 3 s away.
    source.host = server.Host();
    source.setPauseMs = 3000;
    Update({{[this] { return Requested(server, CardListPath("s1")); }, [] {}}, {After(300), quit}});
    EXPECT_LT(jobRanOn, 1000u);
    EXPECT_EQ(GridRows(), 1);
    EXPECT_FALSE(Requested(server, CardListPath("s2")));
    EXPECT_TRUE(Pump()) << "the quit message was not passed on";
}

TEST_F(UpdateCommandTest, AQuitOrACloseRequestDuringARequestEndsTheJobWhenThatRequestEnds)
{
    ServeRepository(server, 3, 1, {"s1", "s2"}, 2);
    Serve(server);
    OpenWindow();
    HWND main = Main();

    Update({{[this] { return Requested(server, CardListPath("s1")); }, Quit()}});
    EXPECT_LT(jobRanOn, 25000u); // only catches a hang: the request's own time-outs bound the wait
    EXPECT_EQ(RequestedPaths(server), (std::vector<std::string>{kSetListPath, CardListPath("s1")}));
    EXPECT_EQ(GridRows(), 1);
    EXPECT_TRUE(Pump());

    // A close request waits for the job, then closes.
    Update({
        {[this] { return Requested(server, CardListPath("s2")); }, [main] { PostMessageW(main, WM_CLOSE, 0, 0); }},
        {After(300), [main] { EXPECT_TRUE(IsWindow(main)); }},
    });
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(GridRows(), 2);
    EXPECT_TRUE(PumpUntil([this] { return Main() == nullptr; }));
    EXPECT_FALSE(Requested(server, CardListPath("s3")));
}

TEST_F(UpdateCommandTest, AWindowDestroyedUnderAJobIsNotTouchedAfterwards)
{
    // The request outlasts the two seconds Wine keeps the progress window hidden before destroying it.
    ServeRepository(server, 3, 1, {"s1"}, 4);
    Serve(server);
    OpenWindow();
    HWND main = Main();

    Update({{[this] { return Requested(server, CardListPath("s1")); }, [main] { DestroyWindow(main); }}});
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(Requested(server, CardListPath("s2")));
    EXPECT_TRUE(Pump());
}

} // namespace
