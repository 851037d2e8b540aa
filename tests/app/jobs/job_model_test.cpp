// The jobs without a window: the worker's steps on a thread of its own, and
// the words the user reads once the catalogue update has ended.
#include "app/jobs/job_record.h"

#include "core/catalogue.h"
#include "core/settings.h"
#include "tests/app/jobs/test_repository.h"
#include "tests/core/ledger_db_fixture.h"
#include "tests/support/test_images.h"

#include <windows.h>
#include <process.h>

namespace {

// The worker as the runner starts it, on a thread of its own; with no
// progress window it posts nothing.
void RunOnWorkerThread(JobRecord& record)
{
    record.thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, JobThreadProc, &record, 0, nullptr));
    ASSERT_NE(record.thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(record.thread, 30000), WAIT_OBJECT_0) << "the worker did not end";
}

TEST(CatalogueUpdateReport, StatusAndLogFollowTheOutcomeInOrderOfPrecedence)
{
    struct Case {
        JobResult result;
        bool reloaded;
        const wchar_t* status;
        const wchar_t* log;
    };
    const Case cases[] = {
        // A cancel wins over everything, the reload included.
        {{false, 0, 0, "Cancelled."}, false, L"Update cancelled \u2014 0 new cards kept", L"Update cancelled: 0 added"},
        {{false, 1, 3, "Cancelled."}, true, L"Update cancelled \u2014 1 new card kept", L"Update cancelled: 1 added"},
        {{false, 0, 0, "Could not open a network session."}, false,
         L"Update failed: Could not open a network session.", L"Update failed: Could not open a network session."},
        {{false, 0, 0, "prepare table: disk I/O error \xE2\x80\x94 \xC3\xA9"}, true,
         L"Update failed: prepare table: disk I/O error \u2014 \u00E9",
         L"Update failed: prepare table: disk I/O error \u2014 \u00E9"},
        {{true, 12, 0, ""}, false,
         L"Update downloaded, but the catalogue couldn\u2019t be reloaded \u2014 reopen the app",
         L"Update OK (12 added) but ReloadCatalogue failed"},
        {{true, 0, 0, ""}, true, L"Added 0 new cards", L"Update OK: 0 added, 0 set(s) failed"},
        {{true, 1, 0, ""}, true, L"Added 1 new card", L"Update OK: 1 added, 0 set(s) failed"},
        {{true, 1, 1, ""}, true,
         L"Added 1 new card \u2014 1 set couldn't be fetched; click Update again to retry",
         L"Update OK: 1 added, 1 set(s) failed"},
        {{true, 20000, 2, ""}, true,
         L"Added 20000 new cards \u2014 2 sets couldn't be fetched; click Update again to retry",
         L"Update OK: 20000 added, 2 set(s) failed"},
    };
    for (const Case& c : cases) {
        const UpdateReport report = DescribeCatalogueUpdate(c.result, c.reloaded);
        EXPECT_EQ(report.status, c.status) << c.result.message;
        EXPECT_EQ(report.logLine, c.log) << c.result.message;
    }

    // A long reason is cut for the status bar, never in the middle of a
    // character; the log keeps all of it.
    const std::string longReason = std::string(175, 'x') + "\xF0\x9F\x83\x8F tail";
    const UpdateReport report = DescribeCatalogueUpdate({false, 0, 0, longReason}, true);
    EXPECT_EQ(report.status, L"Update failed: " + std::wstring(175, L'x'));
    EXPECT_EQ(report.logLine, L"Update failed: " + std::wstring(175, L'x') + L"\U0001F0CF tail");
}

class JobWorkerTest : public LedgerDbTest {
protected:
    HttpsTestServer server{folder.Path()};
    CatalogueSource source;
};

TEST_F(JobWorkerTest, AWorkerThatCannotOpenItsDatabaseSaysWhyWithSqlitesText)
{
    JobRecord record;
    record.dbPath = folder.Path(); // a folder: SQLite cannot open it
    record.value1 = 7;
    record.value2 = 7;
    RunOnWorkerThread(record);
    EXPECT_FALSE(record.ok);
    EXPECT_EQ(record.message, "Database open failed: unable to open database file");
    EXPECT_EQ(record.value1, 0);
    EXPECT_EQ(record.value2, 0);
    EXPECT_TRUE(RequestedPaths(server).empty());
}

TEST_F(JobWorkerTest, CatalogueUpdateCountsAddedCardsAndFailedSetsOnItsOwnConnection)
{
    ServeRepository(server, 3, 2);
    server.Route(CardListPath("s2"), {Reply(404, "")});
    ASSERT_TRUE(server.Start());
    source.host = server.Host();
    source.setPauseMs = 0;

    JobRecord record;
    record.dbPath = DatabasePath();
    record.catalogueSource = &source;
    RunOnWorkerThread(record);
    EXPECT_TRUE(record.ok) << record.message;
    EXPECT_EQ(record.value1, 4);
    EXPECT_EQ(record.value2, 1);
    EXPECT_EQ(record.message, "");
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue ORDER BY card_id;"),
              (std::vector<std::string>{"s1-1", "s1-2", "s3-1", "s3-2"}));

    // A job asked to stop before it began keeps to it.
    JobRecord cancelled;
    cancelled.dbPath = DatabasePath();
    cancelled.catalogueSource = &source;
    cancelled.cancelRequested = true;
    RunOnWorkerThread(cancelled);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.message, "Cancelled.");
    EXPECT_EQ(cancelled.value1, 0);
}

TEST_F(JobWorkerTest, StorePageJobDownloadsEveryPictureAndCountsTheCards)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    for (const char* id : {"a-1", "b-2"}) {
        server.AddFile(std::string(id) + ".png", SolidPng(12, 12, 0x336699));
        server.Route(std::string("/") + id, {ReplyFromFile(std::string(id) + ".png")});
    }
    ASSERT_TRUE(server.Start());
    for (const char* id : {"a-1", "b-2"}) {
        Exec(("INSERT INTO catalogue (card_id, name, set_name, number, img_small) VALUES ('" + std::string(id) +
              "', 'N', 'S', '1', '" + server.Url(std::string("/") + id) + "');")
                 .c_str());
        Exec(("INSERT INTO inventory (card_id, condition, qty, price) VALUES ('" + std::string(id) +
              "', 'Mint', 1, 2.5);")
                 .c_str());
    }
    const std::wstring out = folder.File(L"site");
    CreateDirectoryW(out.c_str(), nullptr);

    JobRecord record;
    record.kind = JobKind::StorePage;
    record.dbPath = DatabasePath();
    record.outputFolder = out;
    record.selfHostImages = true;
    InitDefaultStoreSettings(record.settings);
    RunOnWorkerThread(record);
    EXPECT_TRUE(record.ok) << record.message;
    EXPECT_EQ(record.value1, 2);
    EXPECT_EQ(record.value2, 0);
    EXPECT_TRUE(FileExists(out + L"\\index.html"));
    EXPECT_EQ(ReadFileBytes(out + L"\\images\\b-2.png"), SolidPng(12, 12, 0x336699));
}

} // namespace
