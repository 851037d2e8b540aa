// A failed prefs.ini save; the start-up upgrade and its backup.
#include "tests/app/main/main_window_fixture.h"

#include "app/shell/ids.h"
#include "core/db.h"
#include "tests/core/test_databases.h"

namespace {

using PrefsTest = MainWindowTest;

TEST_F(PrefsTest, AFailedSaveIsSilentAndTheFlagStaysChanged)
{
    OpenWindow();
    // A folder where prefs.ini should be: it can never be replaced.
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"prefs.ini").c_str(), nullptr));
    Command(IDM_SELF_HOST_IMAGES);
    EXPECT_TRUE(MainWindow().flags.selfHost);
    EXPECT_TRUE(MenuChecked(IDM_SELF_HOST_IMAGES));
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

} // namespace
