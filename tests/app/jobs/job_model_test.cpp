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

// The worker as the runner starts it; with no progress window it posts nothing.
void RunOnWorkerThread(JobRecord& record)
{
    record.thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, JobThreadProc, &record, 0, nullptr));
    ASSERT_NE(record.thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(record.thread, 30000), WAIT_OBJECT_0) << "the worker did not end";
}

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST(CatalogueUpdateReport, CancelWinsThenFailureThenReloadAndLongReasonsAreCutOnACharacter)
{
    // A cancel wins over a failed reload and keeps the count of cards kept.
    UpdateReport r = DescribeCatalogueUpdate({false, 1, 3, "Cancelled."}, false);
    EXPECT_TRUE(Has(r.status, L"cancelled") && Has(r.status, L"1") && !Has(r.status, L"reload")) << r.status;
    // A failure carries its UTF-8 reason through.
    r = DescribeCatalogueUpdate({false, 0, 0, "disk I/O error \xE2\x80\x94 \xC3\xA9"}, true);
    EXPECT_TRUE(Has(r.status, L"disk I/O error \u2014 \u00E9") && Has(r.logLine, L"\u00E9")) << r.status;
    // A download whose reload failed is not reported as a plain success.
    r = DescribeCatalogueUpdate({true, 12, 0, ""}, false);
    EXPECT_TRUE(Has(r.status, L"reloaded") && Has(r.logLine, L"12")) << r.status;
    // Failed sets are told along with the count.
    r = DescribeCatalogueUpdate({true, 20000, 2, ""}, true);
    EXPECT_TRUE(Has(r.status, L"20000") && Has(r.status, L"2 sets")) << r.status;

    // A long reason is cut for the status bar, never in the middle of a
    // character; the log keeps all of it.
    r = DescribeCatalogueUpdate({false, 0, 0, std::string(175, 'x') + "\xF0\x9F\x83\x8F tail"}, true);
    EXPECT_EQ(r.status, L"Update failed: " + std::wstring(175, L'x'));
    EXPECT_TRUE(Has(r.logLine, std::wstring(175, L'x') + L"\U0001F0CF tail"));
}

class JobWorkerTest : public LedgerDbTest {
protected:
    HttpsTestServer server{folder.Path()};
    CatalogueSource source;
};

TEST_F(JobWorkerTest, CatalogueUpdateCountsAddedCardsAndFailedSetsAndStopsOnOpenFailureOrCancel)
{
    // A database it cannot open (a folder) ends the job with SQLite's reason, before any request.
    JobRecord broken;
    broken.dbPath = folder.Path();
    broken.value1 = broken.value2 = 7;
    RunOnWorkerThread(broken);
    EXPECT_FALSE(broken.ok);
    EXPECT_NE(broken.message.find("unable to open"), std::string::npos) << broken.message;
    EXPECT_EQ(broken.value1 + broken.value2, 0);

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
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue ORDER BY card_id;"),
              (std::vector<std::string>{"s1-1", "s1-2", "s3-1", "s3-2"}));

    // A job asked to stop before it began keeps to it.
    JobRecord cancelled;
    cancelled.dbPath = DatabasePath();
    cancelled.catalogueSource = &source;
    cancelled.cancelRequested = true;
    RunOnWorkerThread(cancelled);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.value1, 0);
}

TEST_F(JobWorkerTest, StorePageJobDownloadsEveryPictureAndCountsTheCards)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    for (const std::string id : {"a-1", "b-2"}) {
        server.AddFile(id + ".png", SolidPng(12, 12, 0x336699));
        server.Route("/" + id, {ReplyFromFile(id + ".png")});
    }
    ASSERT_TRUE(server.Start());
    for (const std::string id : {"a-1", "b-2"}) {
        Exec(("INSERT INTO catalogue (card_id, name, set_name, number, img_small) VALUES ('" + id +
              "', 'N', 'S', '1', '" + server.Url("/" + id) + "');").c_str());
        Exec(("INSERT INTO inventory (card_id, condition, qty, price) VALUES ('" + id + "', 'Mint', 1, 2.5);").c_str());
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
