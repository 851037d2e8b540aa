// File → Restore from backup in the real main window, with the file
// chooser and the message boxes scripted.
#include "tests/app/main/main_window_fixture.h"

#include "app/grid/grid_checks.h"
#include "app/grid/grid_model.h"
#include "app/restore/restore_files.h"
#include "app/shell/ids.h"
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
std::wstring chooserFolder;
bool keepUnsavedChanges = true;
int panelClears = 0;
void (*realClearPanel)() = nullptr;

BOOL ScriptedOpen(OPENFILENAMEW* request)
{
    ++chooserCalls;
    chooserFolder = request->lpstrInitialDir ? request->lpstrInitialDir : L"";
    if (chosenFile.empty() || chosenFile.size() >= request->nMaxFile)
        return FALSE;
    std::copy(chosenFile.c_str(), chosenFile.c_str() + chosenFile.size() + 1, request->lpstrFile);
    return TRUE;
}

int ScriptedBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type)
{
    Script().boxes.push_back({owner, text, title, type});
    return (type & MB_TYPEMASK) == MB_YESNO ? confirmAnswer : IDOK;
}

bool ScriptedConfirm()
{
    return keepUnsavedChanges;
}

void CountingClearPanel()
{
    ++panelClears;
    realClearPanel();
}

void AddCatalogue(const std::wstring& path, const char* values)
{
    for (const char* sql : CatalogueCreateSql)
        RunSql(path, sql);
    RunSql(path, (std::string("INSERT INTO catalogue (card_id, name, set_name, number, set_total, rarity) VALUES ") +
                  values + ";")
                     .c_str());
}

// A current database with a catalogue of its own and some sale stock.
void MakeCatalogueDatabase(const std::wstring& path, const char* values, const char* stockCard)
{
    MakeDatabaseAt(path, 6);
    AddCatalogue(path, values);
    RunSql(path, (std::string("INSERT INTO inventory (card_id, condition, price, qty) VALUES ('") + stockCard +
                  "', 'Mint', 2.5, 3);")
                     .c_str());
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

bool IsLogged(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class RestoreTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Ui().messageBox = ScriptedBox;
        Ui().getOpenFileName = ScriptedOpen;
        Panel().confirmUnsavedChanges = ScriptedConfirm;
        realClearPanel = Panel().clearPanel;
        Panel().clearPanel = CountingClearPanel;
        chosenFile.clear();
        confirmAnswer = IDYES;
        chooserCalls = 0;
        chooserFolder.clear();
        keepUnsavedChanges = true;
        panelClears = 0;
    }

    void Restore(const std::wstring& path)
    {
        chosenFile = path;
        Script().boxes.clear();
        Command(IDM_RESTORE_BACKUP);
    }

    // The files of the program folder, without the log that every step
    // writes to.
    std::vector<std::wstring> DataFiles() const
    {
        std::vector<std::wstring> files = ListFiles(folder.Path());
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [](const std::wstring& f) { return f.rfind(L"debug.log", 0) == 0; }),
                    files.end());
        return files;
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

const char* kLiveCards = "('base1-4', 'Charizard', 'Base', '4', '102', 'Rare Holo'),"
                         "('base1-58', 'Pikachu', 'Base', '58', '102', 'Common')";
const char* kBackupCards = "('jungle-60', 'Pikachu', 'Jungle', '60', '64', 'Common')";

} // namespace

// Every way a restore can stop before it starts leaves the database, the
// program folder and the chosen file exactly as they were: no safety copy,
// no staging file, no -wal or -shm beside a checked file.
TEST_F(RestoreTest, EveryRefusalLeavesEveryFileAsItWas)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring valid = picked.File(L"valid.db");
    MakeCatalogueDatabase(valid, kBackupCards, "jungle-60");
    OpenWindow();
    panelClears = 0;
    const std::vector<std::wstring> ids = CardIds();

    // Refused before anything is asked.
    keepUnsavedChanges = false;
    Restore(valid);
    EXPECT_EQ(chooserCalls, 0);
    keepUnsavedChanges = true;
    Restore(L"");
    EXPECT_EQ(chooserFolder, folder.File(L"backups"));
    const std::wstring leftover = RestoreStagingPath(DatabasePath());
    WriteFileBytes(leftover, ReadFileBytes(valid));
    WriteFileBytes(RollbackStagingPath(DatabasePath()), ReadFileBytes(valid));
    // The live database in another letter case, and the staging files
    // the restore would delete before copying from them.
    const std::wstring quiet[] = {folder.File(L"BINDERWELL.DB"), leftover,
                                  folder.File(L"binderwell.DB.rollback.tmp")};
    std::vector<std::wstring> statuses;
    for (const std::wstring& path : quiet) {
        SCOPED_TRACE(path);
        SetStatusText(L"before");
        const std::vector<std::wstring> before = DataFiles();
        Restore(path);
        EXPECT_TRUE(Script().boxes.empty());
        EXPECT_NE(StatusText(), L"before");
        statuses.push_back(StatusText());
        EXPECT_EQ(DataFiles(), before);
    }
    EXPECT_EQ(statuses[0], L"That's the current database");
    EXPECT_EQ(ReadFileBytes(leftover), ReadFileBytes(valid));
    DeleteFileW(leftover.c_str());
    DeleteFileW(RollbackStagingPath(DatabasePath()).c_str());

    // No to the confirmation: nothing more happens, not even a status.
    SetStatusText(L"before");
    confirmAnswer = IDNO;
    Restore(valid);
    EXPECT_EQ(Script().boxes.size(), 1u);
    EXPECT_EQ(StatusText(), L"before");
    confirmAnswer = IDYES;

    using Maker = std::function<void(const std::wstring&)>;
    const struct {
        const char* name;
        Maker make;
    } refused[] = {
        {"text file", [](const std::wstring& p) { WriteFileBytes(p, "card_id,qty\r\nbase1-4,3\r\n"); }},
        {"newer version",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "PRAGMA user_version = 7;");
         }},
        {"damaged page",
         [](const std::wstring& p) {
             MakeDatabaseAt(p, 6);
             RunSql(p, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                       "INSERT INTO inventory (card_id, condition, price, qty) "
                       "SELECT 'card-' || i || '-' || hex(randomblob(40)), 'Mint', i / 4.0, i FROM n;");
             std::string bytes = ReadFileBytes(p);
             bytes.replace(60 * 4096 + 8, 300, std::string(300, '\xff'));
             WriteFileBytes(p, bytes);
         }},
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
        ASSERT_EQ(Script().boxes.size(), 2u);
        EXPECT_EQ(Script().boxes[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(StatusText(), L"Restore cancelled \u2014 not a usable backup");
        EXPECT_EQ(ListFiles(picked.Path()), pickedBefore);
        EXPECT_EQ(DataFiles(), before);
    }
    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_FALSE(FileExists(folder.File(L"backups")));

    // A safety copy that cannot be written (a file where the backups
    // folder belongs) stops the restore before the database is touched.
    WriteFileBytes(folder.File(L"backups"), "not a folder");
    Restore(valid);
    EXPECT_EQ(StatusText(), L"Restore cancelled \u2014 safety backup failed");
    ASSERT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(Script().boxes[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    DeleteFileW(folder.File(L"backups").c_str());

    // The database cannot be replaced: it stays, and no staging file is
    // left beside it.
    SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_READONLY);
    Restore(valid);
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 could not replace the database");
    EXPECT_TRUE(IsLogged(LogLines(), "Restore MoveFileEx failed (err=5)"));
    EXPECT_FALSE(FileExists(RestoreStagingPath(DatabasePath())));
    SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_EQ(CardIds(), ids);
    EXPECT_EQ(panelClears, 0);
}

// A backup over a database with companions and a leftover staging file:
// the backup's content becomes the database, the old one stays in the
// safety copy, and nothing of the old database's journal is left to be
// applied to the new one.
TEST_F(RestoreTest, ARestoreReplacesTheDatabaseAndKeepsTheSafetyCopy)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    // A journal SQLite leaves alone (not hot), and a stray shared-memory file.
    WriteFileBytes(DatabasePath() + L"-journal", std::string(512, '\0'));
    WriteFileBytes(DatabasePath() + L"-shm", "stray");
    const std::wstring staging = RestoreStagingPath(DatabasePath());
    WriteFileBytes(staging, "left over from an interrupted restore");
    const std::wstring backup = picked.File(L"binderwell-20240101-120000.db");
    MakeCatalogueDatabase(backup, kBackupCards, "jungle-60");
    const std::string backupBytes = ReadFileBytes(backup);
    OpenWindow();
    Command(IDM_CHECK_ALL);
    panelClears = 0;

    Restore(backup);
    EXPECT_EQ(StatusText(), L"Restored from backup");
    EXPECT_EQ(CardIds(), std::vector<std::wstring>{L"jungle-60"});
    EXPECT_FALSE(IsRowChecked(Grid(), 0));
    EXPECT_GE(panelClears, 1);
    EXPECT_TRUE(IsLogged(LogLines(), "Restored database from: " + WideToUtf8(backup)));

    EXPECT_EQ(ReadFileBytes(DatabasePath()), backupBytes);
    for (const wchar_t* companion : {L"-journal", L"-wal", L"-shm"})
        EXPECT_FALSE(FileExists(DatabasePath() + companion)) << companion;
    EXPECT_FALSE(FileExists(staging));
    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    ASSERT_EQ(safety.size(), 1u);
    EXPECT_EQ(ReadFileBytes(safety[0]), live);
    EXPECT_EQ(ReadFileBytes(backup), backupBytes);
}

// Before the first start there is nothing to keep: no safety copy, and the
// backup, here without a catalogue, becomes the database.
TEST_F(RestoreTest, AFreshInstallationTakesTheBackupWithoutASafetyCopy)
{
    const std::wstring backup = picked.File(L"stock.db");
    MakeDatabaseAt(backup, 6);
    RunSql(backup, "INSERT INTO inventory (card_id, condition, price, qty) VALUES ('base1-4', 'Mint', 2.5, 3);");
    const std::string backupBytes = ReadFileBytes(backup);
    OpenWindow();

    Restore(backup);
    EXPECT_EQ(StatusText(),
              L"Restored \u2014 catalogue is empty; use File \u2192 Update catalogue online to load cards");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), backupBytes);
    EXPECT_FALSE(FileExists(folder.File(L"backups")));
}

// A file that passes the check but cannot be loaded is swapped back out:
// the database ends with the very bytes it had, the grid with its cards.
TEST_F(RestoreTest, AFileThatCannotBeLoadedIsRolledBackToTheExactPreviousBytes)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring backup = picked.File(L"odd.db");
    MakeUnloadableDatabase(backup);
    OpenWindow();
    const std::vector<std::wstring> ids = CardIds();

    Restore(backup);
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 previous database kept");
    ASSERT_EQ(Script().boxes.size(), 2u);
    EXPECT_EQ(Script().boxes[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(ReadFileBytes(DatabasePath()), live);
    EXPECT_EQ(CardIds(), ids);
    EXPECT_FALSE(FileExists(RestoreStagingPath(DatabasePath())));
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));
    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    ASSERT_EQ(safety.size(), 1u);
    EXPECT_EQ(ReadFileBytes(safety[0]), live);
    EXPECT_TRUE(IsLogged(LogLines(), "Restore reload failed; rolled back from " + WideToUtf8(safety[0])));
}

// When the previous database cannot come back, the user learns whether
// anything was lost and where the safety copy lies.
TEST_F(RestoreTest, WhenNothingCanBePutBackTheUserIsToldWhereTheirDataIs)
{
    const std::wstring first = picked.File(L"first.db");
    const std::wstring second = picked.File(L"second.db");
    MakeUnloadableDatabase(first);
    MakeUnloadableDatabase(second);
    RunSql(second, "INSERT INTO catalogue VALUES ('jungle-60');");
    OpenWindow();

    // No database before: the restored file stays, and nothing was lost.
    Restore(first);
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 recover the safety backup manually");
    ASSERT_EQ(Script().boxes.size(), 2u);
    EXPECT_NE(Script().boxes[1].text.find(L"nothing was lost"), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(DatabasePath()), ReadFileBytes(first));
    EXPECT_TRUE(IsLogged(LogLines(), "Restore rollback FAILED; safety copy at (none)"));

    // That database cannot be loaded either, so its safety copy goes back
    // but fails to load: the message names the copy, which holds it.
    const std::string previous = ReadFileBytes(DatabasePath());
    Restore(second);
    EXPECT_EQ(StatusText(), L"Restore failed \u2014 recover the safety backup manually");
    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    ASSERT_EQ(safety.size(), 1u);
    ASSERT_EQ(Script().boxes.size(), 2u);
    EXPECT_NE(Script().boxes[1].text.find(safety[0]), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(safety[0]), previous);
    EXPECT_EQ(ReadFileBytes(DatabasePath()), previous);
    EXPECT_FALSE(FileExists(RollbackStagingPath(DatabasePath())));
}

// An older backup is upgraded by the reload, after a pre-migration copy of
// the restored file itself; the current database's copy is kept apart.
TEST_F(RestoreTest, AnOlderBackupIsUpgradedAfterItsOwnPreMigrationBackup)
{
    MakeCatalogueDatabase(DatabasePath(), kLiveCards, "base1-4");
    const std::string live = ReadFileBytes(DatabasePath());
    const std::wstring backup = picked.File(L"old.db");
    MakeDatabaseAt(backup, 3);
    AddCatalogue(backup, kBackupCards);
    RunSql(backup, "INSERT INTO inventory (card_id, condition, price, qty) VALUES ('jungle-60', 'Played', 1.5, 2);"
                   "INSERT INTO sales (card_id, condition, qty, price, sold_at) "
                   "VALUES ('jungle-60', 'Mint', 1, 3.0, '2023-05-01 10:00:00');");
    const std::string backupBytes = ReadFileBytes(backup);
    OpenWindow();

    Restore(backup);
    EXPECT_EQ(StatusText(), L"Restored from backup");
    EXPECT_EQ(CardIds(), std::vector<std::wstring>{L"jungle-60"});
    EXPECT_EQ(QueryRows(DatabasePath(), "PRAGMA user_version;"), std::vector<std::string>{"6"});
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT card_id, variant, condition, qty FROM inventory;"),
              std::vector<std::string>{"jungle-60|Standard|Played|2"});
    EXPECT_EQ(QueryRows(DatabasePath(), "SELECT sale_id = batch_id FROM sales;"), std::vector<std::string>{"1"});

    const std::vector<std::wstring> safety = Backups(L"binderwell-before-restore-");
    const std::vector<std::wstring> preMigration = Backups(L"binderwell-pre-migration-");
    ASSERT_EQ(safety.size(), 1u);
    ASSERT_EQ(preMigration.size(), 1u);
    EXPECT_EQ(ReadFileBytes(safety[0]), live);
    EXPECT_EQ(ReadFileBytes(preMigration[0]), backupBytes);
}
