// File → Restore from backup in the real main window, with the file
// chooser and the message boxes scripted.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_model.h"
#include "app/restore/restore_files.h"
#include "app/shell/ids.h"
#include "core/backup.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/text.h"
#include "tests/core/test_databases.h"
#include "ui/ui_calls.h"

#include <algorithm>
#include <functional>

namespace {

// What the chooser returns (empty: the user cancels) and how the
// confirmation is answered.
std::wstring chosenFile;
int confirmAnswer = IDYES;
int chooserCalls = 0;
bool keepUnsavedChanges = true;

BOOL ScriptedOpen(OPENFILENAMEW* request)
{
    ++chooserCalls;
    if (chosenFile.empty() || chosenFile.size() >= request->nMaxFile)
        return FALSE;
    std::copy(chosenFile.c_str(), chosenFile.c_str() + chosenFile.size() + 1, request->lpstrFile);
    return TRUE;
}

// The pre-migration copy, and the rollback's when failRollback is set,
// break off part-way on a full disk; every other copy is real.
bool failRollback = false;
bool DiskFillsUpDuringTheUpgradeCopy(const std::wstring& from, const std::wstring& to)
{
    if (to.find(L"pre-migration") != std::wstring::npos ||
        (failRollback && to == RollbackStagingPath(DatabasePath())))
        return CopyHalfThenDiskFull(from, to);
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

int ScriptedBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    Script().boxes.push_back({owner, text, title, type});
    return (type & MB_TYPEMASK) == MB_YESNO ? confirmAnswer : IDOK;
}

void AddCatalogue(const std::wstring& path, const char* values)
{
    for (const char* sql : CatalogueCreateSql)
        RunSql(path, sql);
    RunSql(path, ("INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES " +
                  std::string(values) + ";").c_str());
}

// A current database with a catalogue of its own and some sale stock.
void MakeCatalogueDatabase(const std::wstring& path, const char* values, const char* stockCard)
{
    MakeDatabaseAt(path, 6);
    AddCatalogue(path, values);
    RunSql(path, ("INSERT INTO inventory (card_id, condition, price, qty) VALUES ('" + std::string(stockCard) +
                  "', 'Mint', 2.5, 3);").c_str());
}

// Loads no catalogue: its table lacks the columns the grid reads. Nothing
// the check looks at is wrong with it.
void MakeUnloadableDatabase(const std::wstring& path)
{
    MakeDatabaseAt(path, 6);
    RunSql(path, "CREATE TABLE catalogue (card_id TEXT);INSERT INTO catalogue VALUES ('base1-4');");
}

std::vector<std::wstring> CardIds()
{
    std::vector<std::wstring> ids;
    for (const CatalogueRow& row : Grid().rows)
        ids.push_back(row.card_id);
    return ids;
}

class RestoreTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Ui().messageBox = ScriptedBox;
        Ui().getOpenFileName = ScriptedOpen;
        Panel().confirmUnsavedChanges = [] { return keepUnsavedChanges; };
        chosenFile.clear();
        confirmAnswer = IDYES;
        chooserCalls = 0;
        keepUnsavedChanges = true;
        failRollback = false;
    }

    void TearDown() override
    {
        SetBackupFileCopy(nullptr);
        MainWindowTest::TearDown();
    }

    void Restore(const std::wstring& path)
    {
        chosenFile = path;
        Script().boxes.clear();
        Command(IDM_RESTORE_BACKUP);
    }

    // The program folder's files, without the log every step writes.
    std::vector<std::wstring> DataFiles() const
    {
        std::vector<std::wstring> files = ListFiles(folder.Path());
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [](const std::wstring& f) { return f.rfind(L"debug.log", 0) == 0; }),
                    files.end());
        return files;
    }

    void ExpectErrorBox() const
    {
        ASSERT_EQ(Script().boxes.size(), 2u);
        EXPECT_EQ(Script().boxes[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    }

    std::vector<std::wstring> Backups(const wchar_t* prefix) const
    {
        std::vector<std::wstring> found;
        for (const std::wstring& file : ListFiles(folder.File(L"backups"))) {
            if (file.rfind(prefix, 0) == 0)
                found.push_back(folder.File(L"backups\\" + file.substr(0, file.find(L' '))));
        }
        return found;
    }

    // Where the user's own backups lie, apart from the program folder.
    TestFolder picked;
};

const char* kLiveCards = "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo')";
const char* kBackupCards = "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common')";

} // namespace

// Every way a restore can stop before it starts leaves the database, the
// program folder and the chosen file as they were: no safety copy, no
// staging file, no -wal or -shm beside a checked file.
TEST_F(RestoreTest, EveryRefusalLeavesEveryFileAsItWas)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring valid = picked.File(L"valid.db");
    MakeCatalogueDatabase(valid, kBackupCards, "jungle-60");
    OpenWindow();
    const std::vector<std::wstring> ids = CardIds();

    keepUnsavedChanges = false;
    Restore(valid);
    EXPECT_EQ(chooserCalls, 0);
    keepUnsavedChanges = true;
    // The live database in another case and the staging files are refused
    // without a question.
    const std::wstring leftover = RestoreStagingPath(DatabasePath());
    WriteFileBytes(leftover, ReadFileBytes(valid));
    WriteFileBytes(RollbackStagingPath(DatabasePath()), ReadFileBytes(valid));
    for (const std::wstring& path :
         {folder.File(L"BINDERWELL.DB"), leftover, folder.File(L"binderwell.DB.rollback.tmp")}) {
        SCOPED_TRACE(path);
        const std::vector<std::wstring> before = DataFiles();
        Restore(path);
        EXPECT_TRUE(Script().boxes.empty());
        EXPECT_EQ(DataFiles(), before);
    }
    EXPECT_EQ(ReadFileBytes(leftover), ReadFileBytes(valid));
    DeleteFileW(leftover.c_str());
    DeleteFileW(RollbackStagingPath(DatabasePath()).c_str());
    confirmAnswer = IDNO;
    Restore(valid);
    EXPECT_EQ(Script().boxes.size(), 1u);
    confirmAnswer = IDYES;

    const struct {
        const char* name;
        std::function<void(const std::wstring&)> make;
    } refused[] = {
        {"missing column",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "ALTER TABLE sales RENAME COLUMN channel TO source;");
         }},
        {"one byte short",
         [&](const std::wstring& p) {
             const std::string bytes = ReadFileBytes(valid);
             WriteFileBytes(p, bytes.substr(0, bytes.size() - 1));
         }},
        {"WAL mode",
         [](const std::wstring& p) {
             MakeCatalogueDatabase(p, kBackupCards, "jungle-60");
             RunSql(p, "PRAGMA journal_mode = WAL;");
         }},
    };
    for (const auto& candidate : refused) {
        SCOPED_TRACE(candidate.name);
        const std::wstring path = picked.File(Utf8ToWide(candidate.name) + L".db");
        candidate.make(path);
        const std::vector<std::wstring> pickedBefore = ListFiles(picked.Path());
        const std::vector<std::wstring> before = DataFiles();
        Restore(path);
        ExpectErrorBox();
        EXPECT_EQ(ListFiles(picked.Path()), pickedBefore);
        EXPECT_EQ(DataFiles(), before);
    }
    EXPECT_FALSE(FileExists(folder.File(L"backups")));

    // No safety copy (a file where the backups folder belongs): the
    // database is not touched.
    WriteFileBytes(folder.File(L"backups"), "not a folder");
    Restore(valid);
    ExpectErrorBox();
    DeleteFileW(folder.File(L"backups").c_str());

    // The database cannot be replaced: it stays, with no staging file.
    SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_READONLY);
    Restore(valid);
    EXPECT_EQ(Backups(L"binderwell-before-restore-").size(), 1u); // it got as far as the move
    EXPECT_FALSE(FileExists(RestoreStagingPath(DatabasePath())));
    SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_EQ(CardIds(), ids);
}

// Before the first start there is nothing to keep: no safety copy, and the
// backup, here without a catalogue, becomes the database.
TEST_F(RestoreTest, AFreshInstallationTakesTheBackupWithoutASafetyCopy)
{
    const std::wstring backup = picked.File(L"stock.db");
    MakeDatabaseAt(backup, 6);
    OpenWindow();
    Restore(backup);
    EXPECT_EQ(ReadFileBytes(DatabasePath()), ReadFileBytes(backup));
    EXPECT_FALSE(FileExists(folder.File(L"backups")));
}

// A file that passes the check but cannot be loaded is swapped back out to
// the exact previous bytes.
TEST_F(RestoreTest, AnUnloadableFileIsRolledBackToTheExactPreviousBytes)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring backup = picked.File(L"odd.db");
    MakeUnloadableDatabase(backup);
    OpenWindow();
    const std::vector<std::wstring> ids = CardIds();

    Restore(backup);
    ExpectErrorBox();
    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_EQ(CardIds(), ids);
    EXPECT_FALSE(FileExists(RestoreStagingPath(DatabasePath())));
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));
    std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    ASSERT_EQ(safety.size(), 1u);
    EXPECT_EQ(ReadFileBytes(safety[0]), live);

}

// When the previous database cannot come back, the message names the
// safety copy, which holds it.
TEST_F(RestoreTest, WhenNothingCanBePutBackTheSafetyCopyIsNamed)
{
    const std::wstring first = picked.File(L"first.db");
    const std::wstring second = picked.File(L"second.db");
    MakeUnloadableDatabase(first);
    MakeUnloadableDatabase(second);
    RunSql(second, "INSERT INTO catalogue VALUES ('jungle-60');");
    OpenWindow();

    Restore(first); // no database before: the restored file stays
    ExpectErrorBox();
    EXPECT_EQ(ReadFileBytes(DatabasePath()), ReadFileBytes(first));
    const std::string previous = ReadFileBytes(DatabasePath());
    Restore(second);
    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    ASSERT_EQ(safety.size(), 1u);
    ExpectErrorBox();
    EXPECT_NE(Script().boxes[1].text.find(safety[0]), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(safety[0]), previous);
    EXPECT_EQ(ReadFileBytes(DatabasePath()), previous);
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));
}

// An older backup over a database with companions and a leftover staging
// file: its content, upgraded after a pre-migration copy of the restored
// file itself, becomes the database; the old one stays in the safety copy,
// and none of its journal is left to apply to the new one.
TEST_F(RestoreTest, ARestoreReplacesTheDatabaseAndKeepsTheSafetyCopy)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    WriteFileBytes(DatabasePath() + L"-journal", std::string(512, '\0'));
    WriteFileBytes(DatabasePath() + L"-shm", "stray");
    WriteFileBytes(RestoreStagingPath(DatabasePath()), "left over from an interrupted restore");
    const std::wstring backup = picked.File(L"binderwell-20240101-120000.db");
    MakeDatabaseAt(backup, 3);
    AddCatalogue(backup, kBackupCards);
    RunSql(backup, "INSERT INTO inventory (card_id, condition, price, qty) VALUES ('jungle-60', 'Played', 1.5, 2);"
                   "INSERT INTO sales (card_id, condition, qty, price, sold_at) "
                   "VALUES ('jungle-60', 'Mint', 1, 3.0, '2023-05-01 10:00:00');");
    const std::string backupBytes = ReadFileBytes(backup);
    OpenWindow();
    Command(IDM_CHECK_ALL);

    Restore(backup);
    EXPECT_EQ(CardIds(), std::vector<std::wstring>{L"jungle-60"});
    EXPECT_FALSE(IsRowChecked(Grid(), 0));
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, variant, condition, qty FROM inventory;"),
              std::vector<std::string>{"jungle-60|Standard|Played|2"});
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT sale_id = batch_id FROM sales;"), std::vector<std::string>{"1"});
    for (const wchar_t* companion : {L"-journal", L"-wal", L"-shm"})
        EXPECT_FALSE(FileExists(DatabasePath() + companion)) << companion;
    EXPECT_FALSE(FileExists(RestoreStagingPath(DatabasePath())));
    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    const std::vector<std::wstring> preMigration = Backups(L"binderwell-pre-migration-");
    ASSERT_EQ(safety.size(), 1u);
    ASSERT_EQ(preMigration.size(), 1u);
    EXPECT_EQ(ReadFileBytes(safety[0]), live);
    EXPECT_EQ(ReadFileBytes(preMigration[0]), backupBytes);
    EXPECT_EQ(ReadFileBytes(backup), backupBytes);
}

// The worst case of a full disk: the older backup's pre-migration copy
// breaks off, so the upgrade and the restore fail, and the previous
// database must come back whole with no part of either copy left. When
// the rollback's copy breaks off too, the log says why and the safety copy
// is whole.
TEST_F(RestoreTest, ACopyThatBreaksOffOnAFullDiskLeavesNoPartAndRollsBack)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring backup = picked.File(L"binderwell-20240101-120000.db");
    MakeDatabaseAt(backup, 3);
    AddCatalogue(backup, kBackupCards);
    OpenWindow();
    const std::vector<std::wstring> ids = CardIds();
    SetBackupFileCopy(DiskFillsUpDuringTheUpgradeCopy);

    Restore(backup);
    ExpectErrorBox();
    EXPECT_NE(Script().boxes[1].text.find(L"previous database was put back"), std::wstring::npos);
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 previous database kept");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_EQ(CardIds(), ids);
    EXPECT_EQ(Backups(L"binderwell-pre-migration-"), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));

    failRollback = true;
    Restore(backup);
    ExpectErrorBox();
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 recover the safety backup manually");
    const std::vector<std::string> log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Restore rollback CopyFile failed (err=112)"), log.end());
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));
    EXPECT_EQ(Backups(L"binderwell-pre-migration-"), std::vector<std::wstring>{});
    for (const std::wstring& safety : Backups(L"binderwell-before-restore-"))
        EXPECT_EQ(ReadFileBytes(safety), live);
    // Never upgraded without its backup.
    EXPECT_EQ(ReadFileBytes(DatabasePath()), ReadFileBytes(backup));
}


// A whole database left under a killed backup's temporary name, chosen
// through "All files", is restored and is the same file afterwards: the
// backups made on the way (the safety copy, and the pre-migration copy of
// the older restored file) sweep every other leftover, never the file the
// restore reads.
TEST_F(RestoreTest, ALeftoverTemporaryCopyChosenAsTheBackupIsRestoredAndKept)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"backups").c_str(), nullptr));
    const std::wstring chosen = folder.File(L"backups\\binderwell-20240101-120000.db.tmp");
    const std::wstring other = folder.File(L"backups\\binderwell-20240101-120001.db.tmp");
    MakeDatabaseAt(chosen, 3);
    AddCatalogue(chosen, kBackupCards);
    RunSql(chosen, "INSERT INTO inventory (card_id, condition, price, qty) VALUES ('jungle-60', 'Played', 1.5, 2);");
    const std::string chosenBytes = ReadFileBytes(chosen);
    WriteFileBytes(other, chosenBytes.substr(0, 1024));
    OpenWindow();

    Restore(chosen);
    EXPECT_EQ(StatusText(), L"Restored from backup");
    EXPECT_EQ(CardIds(), std::vector<std::wstring>{L"jungle-60"});
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, condition, qty FROM inventory;"),
              std::vector<std::string>{"jungle-60|Played|2"});
    EXPECT_EQ(Backups(L"binderwell-pre-migration-").size(), 1u);
    EXPECT_EQ(ReadFileBytes(chosen), chosenBytes);
    EXPECT_FALSE(FileExists(other));
}
