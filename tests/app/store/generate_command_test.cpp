// Store → Generate Store Page… in the real main window: the folder comes
// from the scripted chooser, the shell's open is recorded, and self-hosted
// pictures come from the tests' local HTTPS server.
#include "tests/app/main/main_window_fixture.h"

#include "app/jobs/job_runner.h"
#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "tests/core/test_databases.h"
#include "tests/support/https_test_server.h"
#include "tests/support/process_window.h"
#include "tests/support/test_images.h"

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
