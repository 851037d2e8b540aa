#include "core/http.h"

#include "tests/support/https_test_server.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

namespace {

class HttpTest : public ::testing::Test {
protected:
    TestFolder folder;
    HttpsTestServer server{folder.Path()};
    HttpSession session = OpenHttpSession();

    std::wstring Target() const { return folder.File(L"download.bin"); }

    std::string Get(const std::string& path, bool& ok, uint32_t& status, const std::string& apiKey = "")
    {
        std::string body = "left over";
        ok = HttpGetToMemory(session.get(), server.Url(path), apiKey, body, &status);
        return body;
    }
};

TEST_F(HttpTest, OnlyHttpsIsSpokenAndABadUrlMakesNoRequest)
{
    ASSERT_TRUE(session);
    server.Route("/doc", {Reply(200, "hello")});
    ASSERT_TRUE(server.Start());
    const std::string port = server.Host().substr(server.Host().find(':'));
    for (const std::string& url : {"http://localhost" + port + "/doc", "ftp://localhost" + port + "/doc",
                                   std::string("not a url"), std::string()}) {
        SCOPED_TRACE(url);
        std::string body = "left over";
        uint32_t status = 99;
        EXPECT_FALSE(HttpGetToMemory(session.get(), url, "", body, &status));
        EXPECT_EQ(status, 0u);
        EXPECT_TRUE(body.empty());
        EXPECT_FALSE(HttpGetToFile(session.get(), url, Target()));
        EXPECT_FALSE(FileExists(Target()));
    }
    EXPECT_TRUE(server.Requests().empty());

    std::string body;
    uint32_t status = 0;
    EXPECT_FALSE(HttpGetToMemory(nullptr, server.Url("/doc"), "", body, &status));
    EXPECT_FALSE(HttpGetToFile(nullptr, server.Url("/doc"), Target()));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpTest, OnlyStatus200Counts)
{
    server.Route("/missing", {Reply(404, "no such document")});
    server.Route("/busy", {Reply(503, "try later")});
    server.Route("/doc", {Reply(200, "{\"id\":\"base1\"}")});
    ASSERT_TRUE(server.Start());

    bool ok = true;
    uint32_t status = 0;
    EXPECT_EQ(Get("/missing", ok, status), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(status, 404u);
    EXPECT_EQ(Get("/busy", ok, status), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(status, 503u);
    EXPECT_EQ(Get("/doc", ok, status), "{\"id\":\"base1\"}");
    EXPECT_TRUE(ok);
    EXPECT_EQ(status, 200u);

    // A failed download leaves the file that was there before untouched.
    WriteFileBytes(Target(), "earlier image");
    EXPECT_FALSE(HttpGetToFile(session.get(), server.Url("/missing"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()), "earlier image");
    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/doc"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()), "{\"id\":\"base1\"}");
}

TEST_F(HttpTest, AnEmptyBodyIsAWholeBody)
{
    server.Route("/empty", {Reply(200, "")});
    ASSERT_TRUE(server.Start());
    bool ok = false;
    uint32_t status = 0;
    EXPECT_EQ(Get("/empty", ok, status), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(status, 200u);
    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/empty"), Target()));
    EXPECT_TRUE(FileExists(Target()));
    EXPECT_EQ(ReadFileBytes(Target()), "");
}

TEST_F(HttpTest, FileDownloadsStopAtTwentyMebibytes)
{
    server.Route("/at", {ReplyOfSize(kHttpMaxFileBytes)});
    server.Route("/over", {ReplyOfSize(kHttpMaxFileBytes + 1)});
    ASSERT_TRUE(server.Start());

    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/at"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()).size(), kHttpMaxFileBytes);
    const std::wstring other = folder.File(L"other.bin");
    EXPECT_FALSE(HttpGetToFile(session.get(), server.Url("/over"), other));
    EXPECT_FALSE(FileExists(other));
}

TEST_F(HttpTest, MemoryDownloadsStopAtFortyEightMebibytes)
{
    server.Route("/over", {ReplyOfSize(kHttpMaxMemoryBytes + 1)});
    ASSERT_TRUE(server.Start());
    bool ok = true;
    uint32_t status = 0;
    EXPECT_EQ(Get("/over", ok, status), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(status, 200u);
}

TEST_F(HttpTest, ABodyCutOffMidwayIsAFailureAndLeavesNoFile)
{
    // Wine sometimes reports the end of a broken-off body as its proper end;
    // the body is then still short of its announced length. Several rounds,
    // so that both ways are met.
    server.Route("/dropped", {ReplyOfSize(300000, "drop")});
    ASSERT_TRUE(server.Start());
    for (int round = 0; round < 3; ++round) {
        EXPECT_FALSE(HttpGetToFile(session.get(), server.Url("/dropped"), Target()));
        EXPECT_FALSE(FileExists(Target()));
        bool ok = true;
        uint32_t status = 0;
        EXPECT_EQ(Get("/dropped", ok, status), "");
        EXPECT_FALSE(ok);
    }
}

TEST_F(HttpTest, ASlowTrickleArrivesWhole)
{
    std::string body;
    for (int i = 0; i < 60; ++i)
        body += "piece " + std::to_string(i) + ";";
    server.Route("/slow", {Reply(200, body, "trickle")});
    ASSERT_TRUE(server.Start());
    bool ok = false;
    uint32_t status = 0;
    EXPECT_EQ(Get("/slow", ok, status), body);
    EXPECT_TRUE(ok);
    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/slow"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()), body);
}

TEST_F(HttpTest, RequestsCarryTheUserAgentAndTheKeyOnlyWhenGiven)
{
    server.Route("/doc", {Reply(200, "[]")});
    ASSERT_TRUE(server.Start());
    bool ok = false;
    uint32_t status = 0;
    Get("/doc", ok, status, "secret-key");
    Get("/doc", ok, status, "");
    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/doc"), Target()));

    const std::vector<RecordedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].HeaderCount("X-Api-Key"), 1);
    EXPECT_EQ(requests[0].Header("X-Api-Key"), "secret-key");
    EXPECT_EQ(requests[1].HeaderCount("X-Api-Key"), 0);
    EXPECT_EQ(requests[2].HeaderCount("X-Api-Key"), 0);
    for (const RecordedRequest& request : requests) {
        EXPECT_EQ(request.path, "/doc");
        EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
        EXPECT_EQ(request.Header("User-Agent"), "KovBinderwell/1.0");
    }
}

} // namespace
