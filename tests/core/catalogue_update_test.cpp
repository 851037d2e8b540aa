#include "core/catalogue_update.h"

#include "tests/core/ledger_db_fixture.h"
#include "tests/support/https_test_server.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

std::string SetJson(const std::string& id, int total)
{
    return "{\"id\":\"" + id + "\",\"name\":\"S\",\"printedTotal\":" + std::to_string(total) +
           ",\"total\":" + std::to_string(total) + "}";
}

std::string List(const std::vector<std::string>& items)
{
    std::string json;
    for (const std::string& item : items)
        json += (json.empty() ? "[" : ",") + item;
    return json.empty() ? "[]" : json + "]";
}

ScriptedAnswer Cards(const std::string& setId, int last)
{
    std::vector<std::string> cards;
    for (int n = 1; n <= last; ++n)
        cards.push_back("{\"id\":\"" + setId + "-" + std::to_string(n) + "\",\"number\":\"" + std::to_string(n) + "\"}");
    return Reply(200, List(cards));
}

std::string CardPath(const std::string& setId) { return std::string(kCardListFolder) + setId + ".json"; }

// Sets the flag once ready() holds, or after boundMs at the latest, so that
// a run which would otherwise wait for minutes still ends.
struct Canceller {
    Canceller(std::atomic<bool>& flag, std::function<bool()> ready, int boundMs)
        : thread([this, &flag, ready, boundMs] {
              for (int waited = 0; !stop && waited < boundMs && !ready(); waited += 20)
                  Sleep(20);
              flag = true;
          }) {}
    ~Canceller() { stop = true; thread.join(); }
    std::atomic<bool> stop{false};
    std::thread thread;
};

class CatalogueUpdateTest : public LedgerDbTest {
protected:
    // Runs the update against the test server, backing off 1, 2, 3 and 4 ms
    // unless the test says otherwise.
    CatalogueUpdateResult Run(const std::string& host = "")
    {
        progress = 0;
        source.host = host.empty() ? server.Host() : host;
        return UpdateCatalogueFrom(source, db.get(), "", &CatalogueUpdateTest::Progress, this, &cancel);
    }

    static void Progress(void* context, int32_t, int32_t) { ++static_cast<CatalogueUpdateTest*>(context)->progress; }

    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& request : server.Requests())
            paths.push_back(request.path);
        return paths;
    }

    HttpsTestServer server{folder.Path()};
    CatalogueSource source = [] {
        CatalogueSource quick;
        quick.retryStepMs = 1;
        return quick;
    }();
    std::atomic<bool> cancel{false};
    size_t progress = 0;
};

TEST_F(CatalogueUpdateTest, ASetOneCardShortGetsExactlyThatCard)
{
    // 99 of 100 cards published at first, all later. A set without a total is fetched every time.
    server.Route(kSetListPath, {Reply(200, List({SetJson("big", 100), "{\"id\":\"open\",\"total\":\"3\"}"}))});
    server.Route(CardPath("big"), {Cards("big", 99), Cards("big", 100)});
    server.Route(CardPath("open"), {Cards("open", 3)});
    ASSERT_TRUE(server.Start());

    EXPECT_EQ(Run().added, 102);
    EXPECT_EQ(Run().added, 1);
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue WHERE rowid > 102;"), std::vector<std::string>{"big-100"});
    EXPECT_EQ(Run().added, 0);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{kSetListPath, CardPath("big"), CardPath("open"), kSetListPath,
                                        CardPath("big"), CardPath("open"), kSetListPath, CardPath("open")}));
}

TEST_F(CatalogueUpdateTest, AFailingInsertRollsBackItsWholeSet)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    Exec("CREATE TRIGGER refuse BEFORE INSERT ON catalogue WHEN NEW.card_id = 'b-2' "
         "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    server.Route(kSetListPath, {Reply(200, List({SetJson("a", 2), SetJson("b", 3), SetJson("c", 1)}))});
    server.Route(CardPath("a"), {Cards("a", 2)});
    server.Route(CardPath("b"), {Cards("b", 3)});
    server.Route(CardPath("c"), {Cards("c", 1)});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.added, 3);
    EXPECT_EQ(result.failedSets, 1);
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue ORDER BY card_id;"), (std::vector<std::string>{"a-1", "a-2", "c-1"}));
}

TEST_F(CatalogueUpdateTest, ASetWhoseTransactionCannotBeginGoesOnWithoutAPause)
{
    server.Route(kSetListPath, {Reply(200, List({SetJson("a", 1), SetJson("b", 1)}))});
    server.Route(CardPath("a"), {Cards("a", 1)});
    server.Route(CardPath("b"), {Cards("b", 1)});
    ASSERT_TRUE(server.Start());
    // A transaction already open on the connection makes each set's BEGIN fail.
    Exec("BEGIN;");
    // A pause after either set would outlast the canceller by far.
    source.setPauseMs = 10 * 60 * 1000;
    Canceller canceller(cancel, [] { return false; }, 20000);

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.failedSets, 2);
    EXPECT_EQ(progress, 2u);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kSetListPath, CardPath("a"), CardPath("b")}));
}

TEST_F(CatalogueUpdateTest, OnlyNoAnswerTooManyRequestsAndServerErrorsAreTriedAgain)
{
    std::vector<std::string> sets;
    for (const char* id : {"a", "b", "c", "d", "e", "f"})
        sets.push_back(SetJson(id, 1));
    server.Route(kSetListPath, {Reply(503, ""), Reply(200, List(sets))});
    server.Route(CardPath("a"), {NoAnswer(), Cards("a", 1)});
    server.Route(CardPath("b"), {Reply(429, ""), Cards("b", 1)});
    server.Route(CardPath("c"), {Reply(500, ""), Reply(502, ""), Reply(599, ""), Cards("c", 1)});
    server.Route(CardPath("d"), {Reply(503, ""), Reply(503, ""), Reply(503, ""), Reply(503, ""), Cards("d", 1)});
    server.Route(CardPath("e"), {Reply(404, ""), Cards("e", 1)});
    server.Route(CardPath("f"), {Reply(499, ""), Cards("f", 1)});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.added, 3);
    EXPECT_EQ(result.failedSets, 3);
    // Four tries at most; a refusal is not asked again.
    const std::vector<std::string> paths = RequestedPaths();
    std::vector<ptrdiff_t> tries;
    for (const char* set : {"a", "b", "c", "d", "e", "f"})
        tries.push_back(std::count(paths.begin(), paths.end(), CardPath(set)));
    EXPECT_EQ(tries, (std::vector<ptrdiff_t>{2, 2, 4, 4, 1, 1}));
    EXPECT_EQ(std::count(paths.begin(), paths.end(), kSetListPath), 2);
}

TEST_F(CatalogueUpdateTest, EachFailedTryWaitsOneStepLongerAndACancelEndsTheWait)
{
    server.Route(kSetListPath, {Reply(503, "")});
    ASSERT_TRUE(server.Start());
    const auto msSince = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };

    // Between the four tries: 1 + 2 + 3 steps at the least.
    source.retryStepMs = 250;
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(Run().ok);
    EXPECT_GE(msSince(started), 6 * 250);
    EXPECT_EQ(server.Requests().size(), 4u);

    source.retryStepMs = 60000;
    Canceller canceller(cancel, [this] { return server.Requests().size() > 4; }, 60000);
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(Run().message, "Cancelled.");
    EXPECT_EQ(server.Requests().size(), 5u);
    // Long before the first back-off, of a minute, would have ended.
    EXPECT_LT(msSince(started), 30000);
}

TEST_F(CatalogueUpdateTest, AnUnreadableOrEmptySetListFailsTheRun)
{
    server.Route(kSetListPath, {Reply(200, "[{\"id\":"), Reply(200, "{\"data\":[1,\"a\",{\"id\":\"\"},{\"id\":7}]}")});
    ASSERT_TRUE(server.Start());
    for (const std::string& host : {std::string(), std::string(), std::string("localhost:1")}) {
        const CatalogueUpdateResult result = Run(host);
        EXPECT_FALSE(result.ok) << result.message;
        EXPECT_EQ(result.added, 0);
        EXPECT_EQ(progress, 0u);
    }
}

TEST_F(CatalogueUpdateTest, SetIdsThatCouldNameAnotherPathAreNeverRequested)
{
    const std::string longest = "sv3pt5.x_y-" + std::string(53, 'z'); // 64 characters
    std::vector<std::string> sets;
    for (const char* id : {"../x", "a?b", "a#b", "a%2e", "a b", "a\\u0001b", "..", ".", "a/b", "a\\\\b"})
        sets.push_back(SetJson(id, 1));
    sets.push_back(SetJson(std::string(65, 'x'), 1));
    sets.push_back(SetJson(longest, 1));
    server.Route(kSetListPath, {Reply(200, List(sets))});
    server.Route(CardPath(longest), {Reply(200, "[]")});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.failedSets, 11);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kSetListPath, CardPath(longest)}));
}

} // namespace
