// The report commands in the real main window: folder, status, debug log
// and the hand-over to the shell, which the test records instead.
#include "tests/app/main/main_window_fixture.h"

#include "app/shell/ids.h"
#include "core/catalogue.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/core/test_databases.h"

#include <algorithm>

namespace {

class ReportCommandsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        MakeDatabaseAt(DatabasePath(), 6);
        for (const char* sql : CatalogueCreateSql)
            RunSql(DatabasePath(), sql);
        RunSql(DatabasePath(),
               "INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES "
               "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
               "('base1-58', 'Pikachu', 'Base', '58', '102', 'Common');"
               "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, channel, batch_id) VALUES "
               "('base1-4', 'Holo', 'Mint', 1, 250, '2026-03-01 10:00:00', 'eBay', 1);"
               "INSERT INTO collection (card_id, variant, condition, qty) VALUES ('base1-58', 'Standard', 'Mint', 1);"
               "INSERT INTO card_flags (card_id, want, tradable) VALUES ('base1-4', 1, 0);");
        out = folder.File(L"out");
        CreateDirectoryW(out.c_str(), nullptr);
        OpenWindow();
    }

    // Whether a line of the debug log starts with start.
    bool Logged(const std::string& start)
    {
        const std::vector<std::string> lines = LogLines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    }

    void ChooseSet(const wchar_t* name)
    {
        HWND combo = Controls().setFilter;
        const LRESULT item = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(name));
        ASSERT_NE(item, CB_ERR);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }

    std::wstring out;
};

} // namespace

TEST_F(ReportCommandsTest, EachReportIsWrittenIntoTheChosenFolderThenOpened)
{
    StoreSettings settings;
    InitDefaultStoreSettings(settings);
    settings.title = L"Ann's Shop";
    std::string error;
    ASSERT_TRUE(SaveStoreSettings(StoreSettingsFilePath(), settings, error)) << error;
    Script().folderAnswer = out;

    Command(IDM_SALES_REPORT);
    EXPECT_EQ(StatusText(), L"Sales report written (1 sale)");
    EXPECT_NE(ReadFileBytes(out + L"\\sales-report.html").find("store:\"Ann's Shop\""), std::string::npos);
    EXPECT_TRUE(Logged("Output folder: " + WideToUtf8(out)));
    EXPECT_TRUE(Logged("Sales report written: 1 sale row(s)"));

    Command(IDM_WISHLIST_REPORT);
    EXPECT_EQ(StatusText(), L"Wishlist written \u2014 1 wanted, 0 already owned");
    Command(IDM_TRADE_LIST);
    EXPECT_EQ(StatusText(), L"Trade list written \u2014 0 cards");
    ChooseSet(L"Base");
    Command(IDM_SET_COMPLETION);
    EXPECT_EQ(StatusText(), L"Set-completion written \u2014 1 of 2 held");
    EXPECT_TRUE(Logged("Set: Base"));

    EXPECT_EQ(Script().opened,
              (std::vector<std::wstring>{out + L"\\sales-report.html", out + L"\\wishlist-report.html",
                                         out + L"\\trade-list.html", out + L"\\set-completion.html"}));
    EXPECT_TRUE(Script().boxes.empty());
}

TEST_F(ReportCommandsTest, NothingIsOpenedWithoutAFolderASetOrAWrittenReport)
{
    SetStatusText(L"before");
    Command(IDM_SALES_REPORT); // the folder chooser was cancelled
    EXPECT_EQ(StatusText(), L"before");
    EXPECT_FALSE(Logged("Output folder: "));

    // With "All sets" the command explains itself before asking for a folder.
    Script().folderAnswer = out;
    Command(IDM_SET_COMPLETION);
    ASSERT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(Script().boxes[0].owner, Main());
    EXPECT_EQ(Script().boxes[0].title, L"Set-completion report");
    EXPECT_EQ(Script().boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(StatusText(), L"before");

    // A report that cannot replace the old one fails; the reason is logged.
    const std::wstring locked = out + L"\\trade-list.html";
    WriteFileBytes(locked, "old list");
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    Command(IDM_TRADE_LIST);
    EXPECT_EQ(StatusText(), L"Trade list failed");
    EXPECT_TRUE(Logged("Trade list failed: could not replace the report file"));
    EXPECT_EQ(ReadFileBytes(locked), "old list");

    // A database from a newer program is not opened.
    RunSql(DatabasePath(), "PRAGMA user_version = 99;");
    Command(IDM_WISHLIST_REPORT);
    EXPECT_EQ(StatusText(), L"Database open failed");
    EXPECT_TRUE(Logged("Wishlist OpenReadyDb: "));
    EXPECT_FALSE(FileExists(out + L"\\wishlist-report.html"));

    EXPECT_TRUE(Script().opened.empty());
    EXPECT_EQ(ListFiles(out), std::vector<std::wstring>{L"trade-list.html 8"});
}
