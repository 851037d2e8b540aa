// The store page with self-hosted images run as a job over an owner of the
// test's own, its pictures served by the tests' local HTTPS server.
#include "app/jobs/job_runner.h"

#include "core/catalogue.h"
#include "core/text.h"
#include "tests/core/ledger_db_fixture.h"
#include "tests/support/https_test_server.h"
#include "tests/support/process_window.h"
#include "tests/support/test_images.h"
#include "ui/controls.h"

#include <windows.h>

namespace {

struct Seen {
    std::wstring title;
    bool ownerDisabled = false;
};
Seen seen;

void CALLBACK LookAtTheWindow(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND progress = FindThreadWindow(kProgressWindowClass);
    if (!progress)
        return;
    KillTimer(nullptr, timer);
    seen.title = WindowText(progress);
    seen.ownerDisabled = !IsWindowEnabled(GetWindow(progress, GW_OWNER));
}

// How long the progress label showed the report the test waits for.
struct LabelWatch {
    std::wstring expected;
    ULONGLONG firstSeen = 0;
    ULONGLONG lastSeen = 0;
};
LabelWatch watch;

void CALLBACK WatchTheLabel(HWND, UINT, UINT_PTR, DWORD)
{
    HWND progress = FindThreadWindow(kProgressWindowClass);
    HWND label = progress ? FindWindowExW(progress, nullptr, L"Static", nullptr) : nullptr;
    if (!label || WindowText(label) != watch.expected)
        return;
    watch.lastSeen = GetTickCount64();
    if (!watch.firstSeen)
        watch.firstSeen = watch.lastSeen;
}

class GenerateJobTest : public LedgerDbTest {
protected:
    HttpsTestServer server{folder.Path()};

    void AddInStockCard(const std::string& id, const std::string& image)
    {
        Exec(("INSERT INTO catalogue (card_id, name, set_name, number, img_small) VALUES ('" + id +
              "', 'N', 'S', '1', '" + image + "');")
                 .c_str());
        Exec(("INSERT INTO inventory (card_id, condition, qty, price) VALUES ('" + id + "', 'Played', 2, 1.25);")
                 .c_str());
    }
};

TEST_F(GenerateJobTest, WritesThePageWithEveryPictureUnderItsProgressWindow)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    // The second picture is slow, so that the window is seen at work.
    for (const char* id : {"a-1", "b-2"}) {
        server.AddFile(std::string(id) + ".png", SolidPng(10, 10, 0x808000));
        ScriptedAnswer picture = ReplyFromFile(std::string(id) + ".png");
        picture.delay = id[0] == 'b' ? 0.5 : 0;
        server.Route(std::string("/") + id, {picture});
    }
    ASSERT_TRUE(server.Start());
    for (const char* id : {"a-1", "b-2"})
        AddInStockCard(id, server.Url(std::string("/") + id));
    const std::wstring out = folder.File(L"site");
    CreateDirectoryW(out.c_str(), nullptr);
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"Binder \u00E9";
    HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 100, 100, 600, 400, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);

    seen = Seen();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, LookAtTheWindow);
    const JobResult result = RunGenerateJob(owner, out, settings);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.value1, 2);
    EXPECT_EQ(seen.title, L"Generate store page");
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(FindThreadWindow(kProgressWindowClass));
    EXPECT_EQ(ReadFileBytes(out + L"\\images\\a-1.png"), SolidPng(10, 10, 0x808000));
    EXPECT_EQ(ReadFileBytes(out + L"\\images\\b-2.png"), SolidPng(10, 10, 0x808000));
    EXPECT_NE(ReadFileBytes(out + L"\\index.html").find("Binder \xC3\xA9"), std::string::npos);
    DestroyWindow(owner);
}

// Hundreds of pictures found stored within a few milliseconds, then one that
// takes seconds to download: while it downloads, the window shows the
// report made just before it, not one from the middle of the quick ones.
TEST_F(GenerateJobTest, TheReportBeforeASlowStepShowsWhileItRuns)
{
    std::string error;
    ASSERT_TRUE(CreateCatalogueTable(db.get(), error)) << error;
    const std::wstring out = folder.File(L"site");
    CreateDirectoryW(out.c_str(), nullptr);
    CreateDirectoryW((out + L"\\images").c_str(), nullptr);
    const std::string picture = SolidPng(10, 10, 0x404080);
    for (int i = 1; i <= 300; ++i) {
        const std::string id = "a-" + std::to_string(1000 + i);
        WriteFileBytes(out + L"\\images\\" + Utf8ToWide(StoreImageStem(id)) + L".png", picture);
        AddInStockCard(id, server.Url("/" + id));
    }
    server.AddFile("p.png", picture);
    ScriptedAnswer slow = ReplyFromFile("p.png");
    slow.delay = 3;
    server.Route("/b-slow", {slow});
    server.Route("/c-last", {ReplyFromFile("p.png")});
    ASSERT_TRUE(server.Start());
    AddInStockCard("b-slow", server.Url("/b-slow"));
    AddInStockCard("c-last", server.Url("/c-last"));
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 100, 100, 600, 400, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);

    watch = LabelWatch{L"Downloading images\u2026  301 of 302 images"};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchTheLabel);
    const JobResult result = RunGenerateJob(owner, out, settings);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.value1, 302);
    ASSERT_NE(watch.firstSeen, 0u) << "the report before the slow picture never showed";
    EXPECT_GE(watch.lastSeen - watch.firstSeen, 2000u) << "it showed only near the end of the slow picture";
    DestroyWindow(owner);
}

} // namespace
