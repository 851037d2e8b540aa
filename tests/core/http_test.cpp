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

    std::string Get(const std::string& path, bool& ok, uint32_t& status)
    {
        std::string body = "left over";
        ok = HttpGetToMemory(session.get(), server.Url(path), "", body, &status);
        return body;
    }
};

TEST_F(HttpTest, OnlyStatus200CountsAndAFailedDownloadKeepsTheEarlierFile)
{
    server.Route("/missing", {Reply(404, "no such document")});
    server.Route("/doc", {Reply(200, "{\"id\":\"base1\"}")});
    ASSERT_TRUE(server.Start());

    bool ok = true;
    uint32_t status = 0;
    EXPECT_EQ(Get("/missing", ok, status), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(status, 404u);
    EXPECT_EQ(Get("/doc", ok, status), "{\"id\":\"base1\"}");
    EXPECT_TRUE(ok);
    EXPECT_EQ(status, 200u);

    WriteFileBytes(Target(), "earlier image");
    EXPECT_FALSE(HttpGetToFile(session.get(), server.Url("/missing"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()), "earlier image");
    ASSERT_TRUE(HttpGetToFile(session.get(), server.Url("/doc"), Target()));
    EXPECT_EQ(ReadFileBytes(Target()), "{\"id\":\"base1\"}");
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

TEST_F(HttpTest, ABodyCutOffMidwayIsAFailureAndLeavesNoFile)
{
    // Wine sometimes reports a broken-off body's end as its proper end, short
    // of the announced length; several rounds meet both ways.
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

} // namespace
