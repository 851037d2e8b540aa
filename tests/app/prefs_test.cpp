// prefs.ini at start-up and at every toggle; the start-up catalogue probe;
// the backup command's status.
#include "tests/app/main_window_fixture.h"

#include "app/ids.h"
#include "core/db.h"
#include "core/log.h"
#include "tests/core/test_databases.h"

namespace {

using PrefsTest = MainWindowTest;

std::string PrefsText(bool selfHost, bool inStockOnly, bool alwaysOnTop, bool collectionMode, bool ebayCurrent,
                      bool ebayHolo, bool debugLog)
{
    const auto flag = [](bool on) { return on ? "1\n" : "0\n"; };
    return std::string("# Kov's Binderwell - app UI preferences\n") + "selfHost=" + flag(selfHost) +
           "inStockOnly=" + flag(inStockOnly) + "alwaysOnTop=" + flag(alwaysOnTop) +
           "collectionMode=" + flag(collectionMode) + "ebayCurrent=" + flag(ebayCurrent) +
           "ebayHolo=" + flag(ebayHolo) + "debugLog=" + flag(debugLog);
}

TEST_F(PrefsTest, FlagsFromPrefsIniAreAppliedAtStartUp)
{
    WriteFileBytes(folder.File(L"prefs.ini"), PrefsText(true, true, true, true, true, true, true));
    OpenWindow();
    EXPECT_TRUE(MenuChecked(IDM_SELF_HOST));
    EXPECT_TRUE(MenuChecked(IDM_IN_STOCK_ONLY));
    EXPECT_TRUE(MenuChecked(IDM_ALWAYS_ON_TOP));
    EXPECT_TRUE(GetWindowLongPtrW(Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(MainWindow().flags.collectionMode);
    EXPECT_TRUE(MenuChecked(IDM_MODE_COLLECTION));
    EXPECT_TRUE(Visible(Controls().want));
    EXPECT_FALSE(Visible(Controls().channel));
    EXPECT_EQ(SendMessageW(Controls().ebayCurrent, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(Controls().ebayHolo, BM_GETCHECK, 0, 0), BST_CHECKED);
    // Reading the flags writes nothing back.
    EXPECT_EQ(ReadFileBytes(folder.File(L"prefs.ini")), PrefsText(true, true, true, true, true, true, true));
}

TEST_F(PrefsTest, DebugLogOffInPrefsIniWritesNothingAtAll)
{
    WriteFileBytes(folder.File(L"prefs.ini"), PrefsText(false, false, false, false, false, false, false));
    OpenWindow();
    EXPECT_FALSE(DebugLogEnabled);
    EXPECT_FALSE(MenuChecked(IDM_DEBUG_LOG));
    EXPECT_FALSE(FileExists(folder.File(L"debug.log")));
}

TEST_F(PrefsTest, EveryToggleIsSavedAtOnce)
{
    OpenWindow();
    const std::wstring prefs = folder.File(L"prefs.ini");
    Command(IDM_SELF_HOST);
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, false, false, false, false, false, true));
    Command(IDM_IN_STOCK_ONLY);
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, false, false, false, false, true));
    Command(IDM_ALWAYS_ON_TOP);
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, true, false, false, false, true));
    Command(IDM_DEBUG_LOG);
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, true, false, false, false, false));

    SendMessageW(Controls().ebayHolo, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_EBAY_HOLO, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Controls().ebayHolo));
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, true, false, false, true, false));
    SendMessageW(Controls().ebayCurrent, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_EBAY_CURRENT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Controls().ebayCurrent));
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, true, false, true, true, false));

    // A successful mode switch is stored too.
    Command(IDM_MODE_COLLECTION);
    EXPECT_EQ(ReadFileBytes(prefs), PrefsText(true, true, true, true, true, true, false));
    EXPECT_FALSE(FileExists(prefs + L".tmp"));
}

TEST_F(PrefsTest, AFailedSaveIsSilentAndTheFlagStaysChanged)
{
    OpenWindow();
    // A folder where prefs.ini should be: it can never be replaced.
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"prefs.ini").c_str(), nullptr));
    Command(IDM_SELF_HOST);
    EXPECT_TRUE(MainWindow().flags.selfHost);
    EXPECT_TRUE(MenuChecked(IDM_SELF_HOST));
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_FALSE(FileExists(folder.File(L"prefs.ini.tmp")));
}

using StartupCatalogueTest = MainWindowTest;

TEST_F(StartupCatalogueTest, AnUpgradeWhoseBackupCannotBeWrittenIsRefusedAndTheFileLeftAlone)
{
    MakeDatabaseAt(DatabasePath(), 3);
    // A file where the backups folder should be: no backup can be written.
    WriteFileBytes(folder.File(L"backups"), "not a folder");
    const std::string before = ReadFileBytes(DatabasePath());

    OpenWindow();
    ASSERT_EQ(Script().boxes.size(), 1u);
    const AskedBox& box = Script().boxes[0];
    EXPECT_EQ(box.owner, Main());
    EXPECT_EQ(box.title, L"Kov's Binderwell");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(box.text.find(L"A required database upgrade couldn\u2019t be completed"), 0u);
    EXPECT_EQ(StatusText(), L"Catalogue not loaded \u2014 a database upgrade needs a backup first");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), before);
    const auto lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Startup: upgrade from schema v3 did not complete (pre-migration backup likely failed)"),
              lines.end());
}

TEST_F(StartupCatalogueTest, AnUpgradeWithItsBackupOpensQuietly)
{
    MakeDatabaseAt(DatabasePath(), 3);
    OpenWindow();
    EXPECT_TRUE(Script().boxes.empty());
    EXPECT_EQ(QueryRows(DatabasePath(), "PRAGMA user_version;"), std::vector<std::string>{"6"});
    EXPECT_FALSE(ListFiles(folder.File(L"backups")).empty());
}

TEST_F(StartupCatalogueTest, BackUpNowReportsInTheStatusBar)
{
    OpenWindow();
    Command(IDM_BACKUP_NOW);
    EXPECT_EQ(StatusText(), L"No database to back up yet");
    MakeDatabaseAt(DatabasePath(), 6);
    Command(IDM_BACKUP_NOW);
    EXPECT_EQ(StatusText().find(L"Backed up to backups\\binderwell-"), 0u);
}

} // namespace
