#include "core/catalogue_update.h"

#include "core/db.h"
#include "core/log.h"
#include "tests/support/https_test_server.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <map>
#include <thread>
#include <utility>

namespace {

std::string SetJson(const std::string& id, const std::string& total)
{
    return "{\"id\":\"" + id + "\",\"name\":\"Set " + id + "\",\"series\":\"Series\",\"printedTotal\":" + total +
           ",\"total\":" + total + "}";
}

std::string ListJson(const std::vector<std::string>& items)
{
    std::string json = "[";
    for (size_t i = 0; i < items.size(); ++i)
        json += (i ? "," : "") + items[i];
    return json + "]";
}

// Cards first..last of a set, shaped like the repository's.
std::string CardsJson(const std::string& setId, int first, int last)
{
    std::vector<std::string> cards;
    for (int n = first; n <= last; ++n) {
        cards.push_back("{\"id\":\"" + setId + "-" + std::to_string(n) + "\",\"name\":\"Card " + std::to_string(n) +
                        "\",\"number\":\"" + std::to_string(n) +
                        "\",\"rarity\":\"Common\",\"supertype\":\"Pok\xC3\xA9mon\",\"images\":{\"small\":\"https://"
                        "img/s.png\",\"large\":\"https://img/l.png\"}}");
    }
    return ListJson(cards);
}

std::string CardPath(const std::string& setId)
{
    return std::string(kCardListFolder) + setId + ".json";
}

class CatalogueUpdateTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        std::string error;
        ASSERT_TRUE(OpenDb(DatabasePath(), db, error)) << error;
    }

    // Runs the update against the test server, backing off 1, 2, 3 and 4 ms.
    CatalogueUpdateResult Run(const std::string& host = "")
    {
        progress.clear();
        CatalogueSource source;
        source.host = host.empty() ? server.Host() : host;
        source.retryStepMs = 1;
        return UpdateCatalogueFrom(source, db.get(), "", &CatalogueUpdateTest::Progress, this, &cancel);
    }

    static void Progress(void* context, int32_t done, int32_t total)
    {
        auto* test = static_cast<CatalogueUpdateTest*>(context);
        test->progress.emplace_back(done, total);
        if (done == test->cancelAfter)
            test->cancel = true;
    }

    std::vector<std::string> Column(const char* sql)
    {
        std::vector<std::string> values;
        std::string error;
        const StmtHandle stmt = PrepareStmt(db.get(), sql, error);
        EXPECT_TRUE(stmt) << error;
        while (stmt && sqlite3_step(stmt.get()) == SQLITE_ROW)
            values.push_back(ColumnTextString(stmt.get(), 0));
        return values;
    }

    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& request : server.Requests())
            paths.push_back(request.path);
        return paths;
    }

    std::string DebugLog() { return ReadFileBytes(folder.File(L"debug.log")); }

    DbHandle db;
    HttpsTestServer server{folder.Path()};
    std::vector<std::pair<int32_t, int32_t>> progress;
    std::atomic<bool> cancel{false};
    int32_t cancelAfter = -1;
};

TEST_F(CatalogueUpdateTest, AddsMissingCardsOnceAndASecondRunDownloadsNothing)
{
    // Set a is complete after one run; set b's list also holds a card
    // without an id and an element that is not an object.
    server.Route(kSetListPath, {Reply(200, "{\"data\":" + ListJson({SetJson("a", "2"), "7", SetJson("b", "2")}) +
                                               "}")});
    server.Route(CardPath("a"), {Reply(200, CardsJson("a", 1, 2))});
    server.Route(CardPath("b"), {Reply(200, "[\"x\",{\"name\":\"no id\"}," + CardsJson("b", 1, 2).substr(1))});
    ASSERT_TRUE(server.Start());

    CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(result.added, 4);
    EXPECT_EQ(result.failedSets, 0);
    EXPECT_EQ(progress, (std::vector<std::pair<int32_t, int32_t>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(Column("SELECT card_id||'|'||name||'|'||set_id||'|'||set_name||'|'||series||'|'||number||'|'||"
                     "set_total||'|'||rarity||'|'||supertype||'|'||img_small||'|'||img_large FROM catalogue "
                     "WHERE card_id='b-2';"),
              std::vector<std::string>{
                  "b-2|Card 2|b|Set b|Series|2|2|Common|Pok\xC3\xA9mon|https://img/s.png|https://img/l.png"});
    EXPECT_NE(DebugLog().find("UpdateCatalogueOnline OK: 4 new card(s) added, 0 set(s) failed (of 2)"),
              std::string::npos);

    result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(progress.size(), 2u);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kSetListPath, CardPath("a"), CardPath("b"),
                                                          kSetListPath}));
    EXPECT_EQ(Column("SELECT COUNT(*) FROM catalogue;"), std::vector<std::string>{"4"});
}

TEST_F(CatalogueUpdateTest, ASetOneCardShortGetsExactlyThatCard)
{
    // The first run finds only 99 of 100 cards published; the second run
    // finds all of them. A set without a total is fetched every time.
    server.Route(kSetListPath,
                 {Reply(200, ListJson({SetJson("big", "100"), "{\"id\":\"open\",\"total\":\"3\"}"}))});
    server.Route(CardPath("big"), {Reply(200, CardsJson("big", 1, 99)), Reply(200, CardsJson("big", 1, 100))});
    server.Route(CardPath("open"), {Reply(200, CardsJson("open", 1, 3))});
    ASSERT_TRUE(server.Start());

    EXPECT_EQ(Run().added, 102);
    const CatalogueUpdateResult second = Run();
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(second.added, 1);
    EXPECT_EQ(Column("SELECT card_id FROM catalogue WHERE rowid > 102;"), std::vector<std::string>{"big-100"});
    EXPECT_EQ(Run().added, 0);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{kSetListPath, CardPath("big"), CardPath("open"), kSetListPath,
                                        CardPath("big"), CardPath("open"), kSetListPath, CardPath("open")}));
}

TEST_F(CatalogueUpdateTest, RetriesOnlyWhenTheHostMayAnswerNextTime)
{
    server.Route(kSetListPath, {Reply(200, ListJson({SetJson("busy", "1"), SetJson("gone", "1"),
                                                     SetJson("limited", "1"), SetJson("cut", "1")}))});
    server.Route(CardPath("busy"), {Reply(503, ""), Reply(503, ""), Reply(503, ""), Reply(200, CardsJson("busy", 1, 1))});
    server.Route(CardPath("gone"), {Reply(404, "")});
    server.Route(CardPath("limited"), {Reply(429, "")});
    server.Route(CardPath("cut"), {ReplyOfSize(100000, "drop")});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.failedSets, 3);
    std::map<std::string, int> tries;
    for (const std::string& path : RequestedPaths())
        ++tries[path];
    EXPECT_EQ(tries[CardPath("busy")], 4);
    EXPECT_EQ(tries[CardPath("gone")], 1);
    EXPECT_EQ(tries[CardPath("limited")], 4);
    EXPECT_EQ(tries[CardPath("cut")], 1);  // a 200 whose body failed is not retried
    EXPECT_NE(DebugLog().find("UpdateCatalogueOnline OK: 1 new card(s) added, 3 set(s) failed (of 4)"),
              std::string::npos);
}

TEST_F(CatalogueUpdateTest, BacksOffFor1500And3000And4500Ms)
{
    server.Route(kSetListPath, {Reply(503, ""), Reply(503, ""), Reply(503, ""), Reply(200, "[]")});
    ASSERT_TRUE(server.Start());
    CatalogueSource source;
    source.host = server.Host();
    const ULONGLONG start = GetTickCount64();
    const CatalogueUpdateResult result = UpdateCatalogueFrom(source, db.get(), "", nullptr, nullptr, nullptr);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(result.message, "No sets found in the data repository.");
    EXPECT_EQ(server.Requests().size(), 4u);
    EXPECT_GE(elapsed, 9000u);
    EXPECT_LT(elapsed, 15000u);
}

TEST_F(CatalogueUpdateTest, CancellingKeepsTheCommittedSets)
{
    server.Route(kSetListPath, {Reply(200, ListJson({SetJson("a", "2"), SetJson("b", "2"), SetJson("c", "2")}))});
    for (const char* set : {"a", "b", "c"})
        server.Route(CardPath(set), {Reply(200, CardsJson(set, 1, 2))});
    ASSERT_TRUE(server.Start());

    cancelAfter = 2;
    const CatalogueUpdateResult result = Run();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Cancelled.");
    EXPECT_EQ(result.added, 4);
    EXPECT_EQ(Column("SELECT DISTINCT set_id FROM catalogue ORDER BY set_id;"),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kSetListPath, CardPath("a"), CardPath("b")}));
    EXPECT_NE(DebugLog().find("UpdateCatalogueOnline cancelled: 4 added, 0 set(s) not done"), std::string::npos);
}

TEST_F(CatalogueUpdateTest, ACancelDuringABackOffEndsTheWaitAtOnce)
{
    server.Route(kSetListPath, {Reply(503, "")});
    ASSERT_TRUE(server.Start());
    CatalogueSource source;
    source.host = server.Host();
    source.retryStepMs = 60000;
    std::thread canceller([this] {
        Sleep(300);
        cancel = true;
    });
    const ULONGLONG start = GetTickCount64();
    const CatalogueUpdateResult result = UpdateCatalogueFrom(source, db.get(), "", nullptr, nullptr, &cancel);
    const ULONGLONG elapsed = GetTickCount64() - start;
    canceller.join();
    EXPECT_EQ(result.message, "Cancelled.");
    EXPECT_LT(elapsed, 3000u);
    EXPECT_EQ(DebugLog().find("UpdateCatalogueOnline"), std::string::npos);  // no line for the set list
}

TEST_F(CatalogueUpdateTest, AFailingInsertRollsBackItsWholeSet)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    ASSERT_TRUE(ExecSql(db.get(),
                        "CREATE TRIGGER refuse BEFORE INSERT ON catalogue WHEN NEW.card_id = 'b-2' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                        error))
        << error;
    server.Route(kSetListPath, {Reply(200, ListJson({SetJson("a", "2"), SetJson("b", "3"), SetJson("c", "1")}))});
    server.Route(CardPath("a"), {Reply(200, CardsJson("a", 1, 2))});
    server.Route(CardPath("b"), {Reply(200, CardsJson("b", 1, 3))});
    server.Route(CardPath("c"), {Reply(200, CardsJson("c", 1, 1))});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.added, 3);
    EXPECT_EQ(result.failedSets, 1);
    EXPECT_EQ(Column("SELECT card_id FROM catalogue ORDER BY card_id;"),
              (std::vector<std::string>{"a-1", "a-2", "c-1"}));
    EXPECT_EQ(progress.size(), 3u);
}

TEST_F(CatalogueUpdateTest, SetListFailuresEndTheRunWithTheirMessage)
{
    // One answer per run, in this order.
    const std::vector<std::pair<ScriptedAnswer, std::string>> cases = {
        {Reply(200, "[{\"id\":"), "Bad set list: "},
        {Reply(200, "{\"sets\":[]}"), "Unexpected set-list format."},
        {Reply(200, "[]"), "No sets found in the data repository."},
        {Reply(200, "{\"data\":[1,\"a\",{\"id\":\"\"},{\"id\":7}]}"), "No sets found in the data repository."},
        {Reply(404, "[]"), "Couldn't fetch the set list (HTTP 404). Try again shortly."},
        {Reply(429, "[]"), "Couldn't fetch the set list (HTTP 429). Try again shortly."},
    };
    std::vector<ScriptedAnswer> answers;
    for (const auto& c : cases)
        answers.push_back(c.first);
    // The 429 is asked four times.
    answers.insert(answers.end(), 3, Reply(429, "[]"));
    server.Route(kSetListPath, answers);
    ASSERT_TRUE(server.Start());

    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        const CatalogueUpdateResult result = Run();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message.substr(0, c.second.size()), c.second);
        EXPECT_EQ(result.added, 0);
        EXPECT_TRUE(progress.empty());
    }
    // No answer at all: a port nobody listens on.
    const CatalogueUpdateResult result = Run("localhost:1");
    EXPECT_EQ(result.message, "Couldn't fetch the set list (HTTP 0). Try again shortly.");
    EXPECT_EQ(DebugLog().find("UpdateCatalogueOnline"), std::string::npos);
}

TEST_F(CatalogueUpdateTest, SetIdsThatCouldNameAnotherPathAreNeverRequested)
{
    std::vector<std::string> sets;
    for (const char* id : {"../x", "a?b", "a#b", "a%2e", "a b", "a\\u0001b", "..", ".", "a/b", "a\\\\b"})
        sets.push_back(SetJson(id, "1"));
    sets.push_back(SetJson(std::string(65, 'x'), "1"));
    sets.push_back(SetJson("sv3pt5.x_y-" + std::string(53, 'z'), "1"));  // 64 characters
    server.Route(kSetListPath, {Reply(200, ListJson(sets))});
    server.Route(CardPath("sv3pt5.x_y-" + std::string(53, 'z')), {Reply(200, "[]")});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.failedSets, 11);
    EXPECT_EQ(progress.size(), 12u);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{kSetListPath, CardPath("sv3pt5.x_y-" + std::string(53, 'z'))}));
}

TEST(SetList, TotalsOutsideThe32BitRangeAreNotTrusted)
{
    JsonValue list;
    std::string error;
    ASSERT_TRUE(ParseJson("[{\"id\":\"a\",\"printedTotal\":102.9,\"total\":-3.5},"
                          "{\"id\":\"b\",\"printedTotal\":\"TG30\",\"total\":\"30\"},"
                          "{\"id\":\"c\",\"printedTotal\":1e10,\"total\":1e10},"
                          "{\"id\":\"d\",\"printedTotal\":-3e9,\"total\":-3e9},"
                          "{\"id\":\"e\",\"printedTotal\":2147483647,\"total\":-2147483648},"
                          "{\"id\":\"f\",\"printedTotal\":true,\"name\":5,\"series\":\"S\"}]",
                          list, error))
        << error;
    const std::vector<SetListEntry> sets = ReadSetList(list);
    ASSERT_EQ(sets.size(), 6u);
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"102", -3}, {"TG30", 0}, {"", 0}, {"", 0}, {"2147483647", -2147483647 - 1}, {"", 0}};
    for (size_t i = 0; i < sets.size(); ++i) {
        SCOPED_TRACE(sets[i].id);
        EXPECT_EQ(sets[i].printedTotal, expected[i].first);
        EXPECT_EQ(sets[i].total, expected[i].second);
    }
    EXPECT_EQ(sets[5].name, "");
    EXPECT_EQ(sets[5].series, "S");
}

} // namespace

namespace {

TEST(JobProgress, PostsDoneAndTotalToTheProgressWindowOnly)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    JobProgressTarget target;
    PostJobProgress(nullptr, 1, 2);
    PostJobProgress(&target, 1, 2);  // no window yet
    target.progressWindow = window;
    PostJobProgress(&target, 3, 170);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_APP_JOB_PROGRESS));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(message.lParam, 170);
    EXPECT_FALSE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    DestroyWindow(window);
}

} // namespace
