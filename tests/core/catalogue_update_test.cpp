#include "core/catalogue_update.h"

#include "tests/core/ledger_db_fixture.h"
#include "tests/support/https_test_server.h"

#include <utility>

namespace {

std::string SetJson(const std::string& id, const std::string& total)
{
    return "{\"id\":\"" + id + "\",\"name\":\"Set " + id + "\",\"printedTotal\":" + total + ",\"total\":" + total + "}";
}

std::string ListJson(const std::vector<std::string>& items)
{
    std::string json;
    for (const std::string& item : items)
        json += (json.empty() ? "[" : ",") + item;
    return json.empty() ? "[]" : json + "]";
}

std::string CardsJson(const std::string& setId, int first, int last)
{
    std::vector<std::string> cards;
    for (int n = first; n <= last; ++n) {
        const std::string number = std::to_string(n);
        cards.push_back("{\"id\":\"" + setId + "-" + number + "\",\"number\":\"" + number + "\"}");
    }
    return ListJson(cards);
}

std::string CardPath(const std::string& setId) { return std::string(kCardListFolder) + setId + ".json"; }

class CatalogueUpdateTest : public LedgerDbTest {
protected:
    // Runs the update against the test server, backing off 1, 2, 3 and 4 ms.
    CatalogueUpdateResult Run(const std::string& host = "")
    {
        progress = 0;
        CatalogueSource source;
        source.host = host.empty() ? server.Host() : host;
        source.retryStepMs = 1;
        return UpdateCatalogueFrom(source, db.get(), "", &CatalogueUpdateTest::Progress, this, nullptr);
    }

    static void Progress(void* context, int32_t, int32_t) { ++static_cast<CatalogueUpdateTest*>(context)->progress; }

    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& request : server.Requests())
            paths.push_back(request.path);
        return paths;
    }

    std::string DebugLog() { return ReadFileBytes(folder.File(L"debug.log")); }

    HttpsTestServer server{folder.Path()};
    size_t progress = 0;
};

TEST_F(CatalogueUpdateTest, ASetOneCardShortGetsExactlyThatCard)
{
    // 99 of 100 cards published at first, all of them later. A set without a
    // total is fetched every time.
    server.Route(kSetListPath,
                 {Reply(200, ListJson({SetJson("big", "100"), "{\"id\":\"open\",\"total\":\"3\"}"}))});
    server.Route(CardPath("big"), {Reply(200, CardsJson("big", 1, 99)), Reply(200, CardsJson("big", 1, 100))});
    server.Route(CardPath("open"), {Reply(200, CardsJson("open", 1, 3))});
    ASSERT_TRUE(server.Start());

    EXPECT_EQ(Run().added, 102);
    const CatalogueUpdateResult second = Run();
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(second.added, 1);
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
    ASSERT_TRUE(ExecSql(db.get(),
                        "CREATE TRIGGER refuse BEFORE INSERT ON catalogue WHEN NEW.card_id = 'b-2' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                        error))
        << error;
    server.Route(kSetListPath, {Reply(200, ListJson({SetJson("a", "2"), SetJson("b", "3"), SetJson("c", "1")}))});
    for (const auto& [set, count] : {std::pair<const char*, int>{"a", 2}, {"b", 3}, {"c", 1}})
        server.Route(CardPath(set), {Reply(200, CardsJson(set, 1, count))});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.added, 3);
    EXPECT_EQ(result.failedSets, 1);
    EXPECT_EQ(Rows("SELECT card_id FROM catalogue ORDER BY card_id;"), (std::vector<std::string>{"a-1", "a-2", "c-1"}));
    EXPECT_EQ(progress, 3u);
}

TEST_F(CatalogueUpdateTest, SetListFailuresEndTheRunWithTheirMessage)
{
    server.Route(kSetListPath, {Reply(200, "[{\"id\":"), Reply(200, "{\"data\":[1,\"a\",{\"id\":\"\"},{\"id\":7}]}")});
    ASSERT_TRUE(server.Start());
    const std::vector<std::string> messages = {"Bad set list: ", "No sets found in the data repository."};
    for (const std::string& message : messages) {
        SCOPED_TRACE(message);
        const CatalogueUpdateResult result = Run();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message.substr(0, message.size()), message);
        EXPECT_EQ(result.added, 0);
        EXPECT_EQ(progress, 0u);
    }
    EXPECT_EQ(Run("localhost:1").message, "Couldn't fetch the set list (HTTP 0). Try again shortly.");
    EXPECT_EQ(DebugLog().find("UpdateCatalogueOnline"), std::string::npos);
}

TEST_F(CatalogueUpdateTest, SetIdsThatCouldNameAnotherPathAreNeverRequested)
{
    const std::string longest = "sv3pt5.x_y-" + std::string(53, 'z'); // 64 characters
    std::vector<std::string> sets;
    for (const char* id : {"../x", "a?b", "a#b", "a%2e", "a b", "a\\u0001b", "..", ".", "a/b", "a\\\\b"})
        sets.push_back(SetJson(id, "1"));
    sets.push_back(SetJson(std::string(65, 'x'), "1"));
    sets.push_back(SetJson(longest, "1"));
    server.Route(kSetListPath, {Reply(200, ListJson(sets))});
    server.Route(CardPath(longest), {Reply(200, "[]")});
    ASSERT_TRUE(server.Start());

    const CatalogueUpdateResult result = Run();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.failedSets, 11);
    EXPECT_EQ(progress, 12u);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kSetListPath, CardPath(longest)}));
}

} // namespace
