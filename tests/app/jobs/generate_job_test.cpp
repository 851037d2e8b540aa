// The store page with self-hosted images run as a job over an owner of the
// test's own, its pictures served by the tests' local HTTPS server.
#include "app/jobs/job_runner.h"

#include "core/catalogue.h"
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

class GenerateJobTest : public LedgerDbTest {
protected:
    HttpsTestServer server{folder.Path()};
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
    for (const char* id : {"a-1", "b-2"}) {
        Exec(("INSERT INTO catalogue (card_id, name, set_name, number, img_small) VALUES ('" + std::string(id) +
              "', 'N', 'S', '1', '" + server.Url(std::string("/") + id) + "');")
                 .c_str());
        Exec(("INSERT INTO inventory (card_id, condition, qty, price) VALUES ('" + std::string(id) +
              "', 'Played', 2, 1.25);")
                 .c_str());
    }
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

} // namespace
