// Store → Generate Store Page… in the real main window: the folder comes
// from the scripted chooser, the shell's open is recorded, and self-hosted
// pictures come from the tests' local HTTPS server.
#include "tests/app/main/main_window_fixture.h"

#include "app/jobs/job_runner.h"
#include "app/shell/ids.h"
#include "app/jobs/job_record.h"
#include "core/catalogue.h"
#include "core/text.h"
#include "publish/picture_record.h"
#include "tests/core/test_databases.h"
#include "tests/support/https_test_server.h"
#include "tests/support/process_window.h"
#include "tests/support/test_images.h"
#include "ui/controls.h"

namespace {

// Whether the progress window was seen, and whether the user clicks its
// Cancel once it shows.
struct ProgressWatch {
    bool seen = false;
    bool cancel = false;
};
ProgressWatch watch;

// A thread timer: it fires inside the progress window's own loop.
void CALLBACK WatchProgress(HWND, UINT, UINT_PTR, DWORD)
{
    HWND progress = FindThreadWindow(kProgressWindowClass);
    if (!progress || watch.seen)
        return;
    watch.seen = true;
    if (watch.cancel)
        SendMessageW(GetDlgItem(progress, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
}

// A click of the real mouse on Cancel once the progress window has been
// seen a few times, each time after the window's thread stood still long
// enough for a fast job to post many times: how many progress messages
// were waiting then, at most.
struct ClickWatch {
    int looks = 0;
    int mostWaiting = 0;
    bool clicked = false;
};
ClickWatch clickWatch;

void CALLBACK LookThenClickCancel(HWND, UINT, UINT_PTR, DWORD)
{
    HWND progress = FindThreadWindow(kProgressWindowClass);
    if (!progress || clickWatch.clicked)
        return;
    Sleep(50);
    int waiting = 0;
    MSG message;
    while (PeekMessageW(&message, progress, WM_APP_JOB_PROGRESS, WM_APP_JOB_PROGRESS, PM_REMOVE)) {
        ++waiting;
        DispatchMessageW(&message);
    }
    clickWatch.mostWaiting = std::max(clickWatch.mostWaiting, waiting);
    if (++clickWatch.looks < 3)
        return;
    RECT cancel;
    GetWindowRect(GetDlgItem(progress, IDC_PROGRESS_CANCEL), &cancel);
    RealClickAt({(cancel.left + cancel.right) / 2, (cancel.top + cancel.bottom) / 2});
    clickWatch.clicked = true;
}

// The progress label as the job's end reached the window: every progress
// message was taken before it.
std::wstring labelAtTheEnd;
LRESULT CALLBACK ReadLabelAtTheEnd(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_APP_JOB_DONE)
        labelAtTheEnd = WindowText(FindWindowExW(message->hwnd, nullptr, L"Static", nullptr));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class GenerateCommandTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        out = folder.File(L"site");
        CreateDirectoryW(out.c_str(), nullptr);
        OpenWindow();
    }

    // A catalogued card with two in stock, its picture at link.
    void Stock(const std::string& id, const std::string& link)
    {
        RunSql(DatabasePath(), ("INSERT INTO catalogue (card_id, name, set_name, number, img_small) VALUES ('" + id +
                                "', 'Card " + id + "', 'Base', '1', '" + link + "');"
                                "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES ('" + id +
                                "', 'Standard', 'Near Mint', 2, 3.5);")
                                   .c_str());
    }

    // Serves a picture for each card, each answer after delay seconds.
    void ServePictures(const std::vector<std::string>& ids, double delay = 0)
    {
        for (const std::string& id : ids) {
            server.AddFile(id + ".png", SolidPng(10, 10, 0x336699));
            ScriptedAnswer picture = ReplyFromFile(id + ".png");
            picture.delay = delay;
            server.Route("/" + id, {picture});
        }
        ASSERT_TRUE(server.Start());
        for (const std::string& id : ids)
            Stock(id, server.Url("/" + id));
    }

    void Generate(bool cancel = false)
    {
        watch = ProgressWatch();
        watch.cancel = cancel;
        Script().folderAnswer = out;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchProgress);
        Command(IDM_GENERATE_STORE);
        KillTimer(nullptr, timer);
    }

    std::wstring out;
    HttpsTestServer server{folder.Path()};
};

} // namespace

TEST_F(GenerateCommandTest, WritesThePageOpensTheFolderAndNotesStockTheCatalogueLacks)
{
    // A cancelled chooser: nothing at all happens.
    Command(IDM_GENERATE_STORE);
    EXPECT_FALSE(FileExists(out + L"\\index.html"));

    Stock("base1-4", "");
    Stock("base1-58", "https://images.example/58.png");
    RunSql(DatabasePath(), "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
                           "('gone-1', 'Standard', 'Mint', 1, 2), ('gone-2', 'Holo', 'Played', 3, 1);");
    Generate();

    const std::string cards = ReadFileBytes(out + L"\\cards.json");
    EXPECT_NE(cards.find("\"id\":\"base1-4\""), std::string::npos);
    EXPECT_NE(cards.find("\"remote\":\"https://images.example/58.png\""), std::string::npos);
    EXPECT_EQ(cards.find("gone-"), std::string::npos);
    EXPECT_NE(ReadFileBytes(out + L"\\index.html").find(cards), std::string::npos);
    // Without self-hosting nothing is downloaded.
    EXPECT_FALSE(FileExists(out + L"\\images"));
    EXPECT_EQ(Script().opened, std::vector<std::wstring>{out});
    // The two held cards the catalogue lacks are told, over the main window.
    ASSERT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Script().boxes[0].owner, Main());
    EXPECT_NE(Script().boxes[0].text.find(L"2"), std::wstring::npos);
}

TEST_F(GenerateCommandTest, CancelLeavesThePageAsItWasThenSelfHostedPicturesAreStoredAndReused)
{
    ServePictures({"a-1", "b-2", "c-3"}, 0.3);
    Generate(); // the page of the quick way, with remote pictures, and no progress window
    EXPECT_FALSE(watch.seen);
    const std::string page = ReadFileBytes(out + L"\\index.html");
    const std::string cards = ReadFileBytes(out + L"\\cards.json");
    ASSERT_FALSE(page.empty());

    Command(IDM_SELF_HOST_IMAGES);
    Generate(true);
    EXPECT_TRUE(watch.seen);
    EXPECT_EQ(ReadFileBytes(out + L"\\index.html"), page);
    EXPECT_EQ(ReadFileBytes(out + L"\\cards.json"), cards);
    EXPECT_LT(server.Requests().size(), 3u);
    EXPECT_EQ(Script().opened.size(), 1u); // only the quick run opened the folder

    Generate();
    EXPECT_TRUE(IsWindowEnabled(Main()));
    for (const char* id : {"a-1", "b-2", "c-3"}) {
        EXPECT_EQ(ReadFileBytes(out + L"\\images\\" + std::wstring(id, id + 3) + L".png"), SolidPng(10, 10, 0x336699));
        EXPECT_NE(ReadFileBytes(out + L"\\index.html").find("\"image\":\"images/" + std::string(id) + ".png\""),
                  std::string::npos);
    }
    EXPECT_EQ(Script().opened.size(), 2u);
    // The next run downloads nothing.
    const size_t asked = server.Requests().size();
    Generate();
    EXPECT_EQ(server.Requests().size(), asked);
    EXPECT_EQ(Script().opened.size(), 3u);
}

// With every picture stored the job steps through thousands of cards a
// second; a progress message for each kept a click on Cancel waiting behind
// them until the job had replaced the page.
TEST_F(GenerateCommandTest, ARealClickOnCancelStopsAJobThatReusesEveryPicture)
{
    constexpr int kCards = 4000;
    RunSql(DatabasePath(), ("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                            std::to_string(kCards) +
                            ") INSERT INTO catalogue (card_id, name, set_name, number, img_small) SELECT 'many-' || "
                            "i, 'Card ' || i, 'Many', i, 'https://127.0.0.1:9/' || i FROM n;"
                            "INSERT INTO inventory (card_id, variant, condition, qty, price) SELECT card_id, "
                            "'Standard', 'Mint', 1, 2.5 FROM catalogue;")
                               .c_str());
    const std::wstring images = out + L"\\images";
    CreateDirectoryW(images.c_str(), nullptr);
    const std::string picture = SolidPng(48, 64, 0x2060a0);
    for (int i = 1; i <= kCards; ++i)
        WriteFileBytes(images + L"\\" + Utf8ToWide(StoreImageStem("many-" + std::to_string(i))) + L".png", picture);
    // Run to its end, the window shows the last card's count.
    Command(IDM_SELF_HOST_IMAGES);
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, ReadLabelAtTheEnd, nullptr, GetCurrentThreadId());
    Generate();
    UnhookWindowsHookEx(hook);
    EXPECT_NE(labelAtTheEnd.find(L"4000 of 4000"), std::wstring::npos) << labelAtTheEnd;
    const std::string page = ReadFileBytes(out + L"\\index.html");
    const std::string cards = ReadFileBytes(out + L"\\cards.json");
    ASSERT_NE(page.find("images/many-4000.png"), std::string::npos);

    // Without the record of the pictures found whole, the job reads every
    // one again: long enough to be seen and cancelled.
    DeleteFileW(PictureRecordPath().c_str());
    PointerTurn pointer;
    clickWatch = ClickWatch();
    Script().folderAnswer = out;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, LookThenClickCancel);
    Command(IDM_GENERATE_STORE);
    KillTimer(nullptr, timer);

    EXPECT_TRUE(clickWatch.clicked);
    EXPECT_LE(clickWatch.mostWaiting, 1);
    EXPECT_EQ(StatusText(), L"Generate cancelled \u2014 store page not changed");
    EXPECT_TRUE(ReadFileBytes(out + L"\\index.html") == page);
    EXPECT_TRUE(ReadFileBytes(out + L"\\cards.json") == cards);
}

TEST_F(GenerateCommandTest, NoStockOrAFailureLeavesTheOldPageAndOpensNothing)
{
    const std::wstring page = out + L"\\index.html";
    WriteFileBytes(page, "the page of last week");
    RunSql(DatabasePath(), "INSERT INTO catalogue (card_id, name, set_name) VALUES ('base1-4', 'Charizard', 'Base');"
                           "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES "
                           "('base1-4', 'Standard', 'Mint', 0, 5), ('gone-1', 'Standard', 'Mint', 0, 2);");
    // Both ways, on this thread and as a job.
    for (int run = 0; run < 2; ++run) {
        Generate();
        EXPECT_EQ(ReadFileBytes(page), "the page of last week");
        EXPECT_FALSE(FileExists(out + L"\\cards.json"));
        Command(IDM_SELF_HOST_IMAGES);
    }

    // A page that cannot be replaced.
    Stock("base1-5", "");
    SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_READONLY);
    Generate();
    EXPECT_EQ(ReadFileBytes(page), "the page of last week");
    SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A database from a newer program is opened neither here nor by the job.
    RunSql(DatabasePath(), "PRAGMA user_version = 99;");
    for (int run = 0; run < 2; ++run) {
        Generate();
        Command(IDM_SELF_HOST_IMAGES);
    }
    EXPECT_EQ(ReadFileBytes(page), "the page of last week");
    EXPECT_TRUE(Script().opened.empty());
    EXPECT_TRUE(Script().boxes.empty());
}
