#include "core/backup.h"

#include "core/db.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/status.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

// A copy that reports success although the file ended short.
bool ShortCopy(const std::wstring& from, const std::wstring& to)
{
    const std::string bytes = ReadFileBytes(from);
    WriteFileBytes(to, bytes.substr(0, bytes.size() - 1));
    return true;
}

std::wstring lastStatus;
void KeepStatus(const std::wstring& text)
{
    lastStatus = text;
}

// An earlier backup of the same second takes the name while the copy runs.
bool CopyWhileAnEarlierBackupTakesTheName(const std::wstring& from, const std::wstring& to)
{
    WriteFileBytes(to.substr(0, to.rfind(L".tmp")), "an earlier backup");
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

int copiesMade = 0;
bool CountedCopy(const std::wstring& from, const std::wstring& to)
{
    ++copiesMade;
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

bool IsReadOnly(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// The names a backup made now or within the next seconds would take.
std::vector<std::wstring> BackupNamesOfTheNextSeconds(int seconds)
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME start;
    SystemTimeToFileTime(&local, &start);
    std::vector<std::wstring> names;
    for (int s = 0; s < seconds; ++s) {
        ULARGE_INTEGER at;
        at.LowPart = start.dwLowDateTime;
        at.HighPart = start.dwHighDateTime;
        at.QuadPart += s * 10000000ull;
        const FILETIME time{at.LowPart, at.HighPart};
        SYSTEMTIME t;
        FileTimeToSystemTime(&time, &t);
        wchar_t name[64];
        swprintf(name, 64, L"binderwell-%04d%02d%02d-%02d%02d%02d.db", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 t.wSecond);
        names.push_back(name);
    }
    return names;
}

// Stock plus sold: the same in every consistent state of the tests' files.
Rows UnitsIn(const std::wstring& path)
{
    return QueryRows(path, "SELECT (SELECT total(qty) FROM inventory) + (SELECT total(qty) FROM sales);");
}

class BackupTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        SetStatusSink(KeepStatus);
        lastStatus.clear();
    }

    void TearDown() override
    {
        SetBackupFileCopy(nullptr);
        SetStatusSink(nullptr);
        DataFolderTest::TearDown();
    }

    std::string LogText() const { return ReadFileBytes(folder.File(L"debug.log")); }

    const std::wstring backups = folder.File(L"backups");

    // 3,000 cards of 1,000 units each, spread over many pages.
    void MakeLargeDatabase()
    {
        MakeDatabaseAt(DatabasePath(), 6);
        RunSql(DatabasePath(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                               "INSERT INTO inventory (card_id, variant, condition, price, qty) "
                               "SELECT printf('card-%05d-', i) || hex(randomblob(150)), 'Standard', 'Near Mint', "
                               "i / 8.0, 1000 FROM n;");
    }
};

} // namespace

// A restore is most wanted when the live file is broken; its safety copy
// must still be made, byte for byte.
TEST_F(BackupTest, ADamagedDatabaseIsStillCopiedAsItLies)
{
    MakeDatabaseAt(DatabasePath(), 6);
    std::string brokenSchema = ReadFileBytes(DatabasePath());
    brokenSchema.replace(100, 400, std::string(400, '\xff'));
    for (const std::string& damaged : {brokenSchema, std::string(8192, '\xa5')}) {
        WriteFileBytes(DatabasePath(), damaged);
        std::wstring path;
        std::string error;
        ASSERT_TRUE(SafetyBackup(L"before-restore-" + std::to_wstring(damaged.size()), path, error)) << error;
        EXPECT_EQ(ReadFileBytes(path), damaged);
        EXPECT_EQ(ReadFileBytes(DatabasePath()), damaged);
    }
}

TEST_F(BackupTest, AShortOrImpossibleCopyFailsAndBlocksTheUpgrade)
{
    std::wstring path;
    std::string error;
    // No database: nothing may stand in for it, and none may be created.
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(DatabasePath()));

    MakeDatabaseAt(DatabasePath(), 2);
    const std::string database = ReadFileBytes(DatabasePath());
    {
        // Locked by another writer past the timeout.
        DbHandle writer;
        ASSERT_TRUE(OpenDb(DatabasePath(), writer, error)) << error;
        ASSERT_TRUE(ExecSql(writer.get(), "BEGIN EXCLUSIVE;DELETE FROM inventory;", error)) << error;
        EXPECT_FALSE(BackupNow());
        EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
        EXPECT_EQ(ListFiles(folder.File(L"backups")).size(), 0u);
        ExecSql(writer.get(), "ROLLBACK;", error);
    }

    // A copy that ends short, or breaks off part-way on a full disk, leaves
    // no file in the backups folder, under a backup's name or any other.
    SetPreMigrationBackupHook(PreMigrationBackup);
    for (const bool diskFull : {false, true}) {
        SCOPED_TRACE(diskFull);
        SetBackupFileCopy(diskFull ? CopyHalfThenDiskFull : ShortCopy);
        const std::string expected = diskFull ? "could not write the safety backup" : "the safety backup is incomplete";
        EXPECT_FALSE(BackupNow());
        EXPECT_EQ(lastStatus, L"Backup failed");
        EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
        EXPECT_EQ(error, expected);
        DbHandle db;
        EXPECT_FALSE(OpenReadyDb(DatabasePath(), db, error));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(ListFiles(backups), std::vector<std::wstring>{});
        EXPECT_EQ(ReadFileBytes(DatabasePath()), database);
    }
    // The code of the copy that broke off, not of the clean-up after it.
    EXPECT_NE(LogText().find("Backup CopyFile failed (err=112)"), std::string::npos);
    EXPECT_NE(LogText().find("Safety backup CopyFile failed (err=112)"), std::string::npos);
}

// Two backups within one second: the second finds the name taken and fails
// without copying, and the earlier copy is neither replaced nor deleted;
// one that takes the name while the copy runs fails the same way.
TEST_F(BackupTest, ANameTakenInTheSameSecondFailsAndKeepsTheEarlierBackup)
{
    MakeDatabaseAt(DatabasePath(), 6);
    SetBackupFileCopy(CopyWhileAnEarlierBackupTakesTheName);
    EXPECT_FALSE(BackupNow());
    EXPECT_EQ(lastStatus, L"Backup failed");
    std::vector<std::wstring> files = ListFiles(backups);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadFileBytes(backups + L"\\" + files[0].substr(0, files[0].find(L' '))), "an earlier backup");
    EXPECT_NE(LogText().find("Backup MoveFileEx failed (err=183)"), std::string::npos);

    // Every name the clock may give during the call is taken.
    for (const std::wstring& name : BackupNamesOfTheNextSeconds(3))
        WriteFileBytes(backups + L"\\" + name, "an earlier backup");
    files = ListFiles(backups);
    SetBackupFileCopy(CountedCopy);
    copiesMade = 0;
    EXPECT_FALSE(BackupNow());
    EXPECT_EQ(lastStatus, L"Backup failed");
    EXPECT_EQ(copiesMade, 0);
    EXPECT_EQ(ListFiles(backups), files);
    EXPECT_NE(LogText().find("Backup CopyFile failed (err=80)"), std::string::npos);
}

// A database the user marked read-only is copied by every backup, also by
// a user who is not an administrator (the tests run again as one), and its
// backups can be restored, moved or deleted without a prompt. A copy that
// breaks off after the mark came along, and a killed copy's leftover that
// carries it, leave nothing behind.
TEST_F(BackupTest, AReadOnlyDatabaseIsBackedUpByEveryBackupAndLeavesNoTemporaryFile)
{
    MakeDatabaseAt(DatabasePath(), 6);
    const std::string database = ReadFileBytes(DatabasePath());
    ASSERT_TRUE(CreateDirectoryW(backups.c_str(), nullptr));
    const std::wstring leftover = backups + L"\\binderwell-20240101-120001.db.tmp";
    WriteFileBytes(leftover, database.substr(0, 1024));
    ASSERT_TRUE(SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_READONLY));

    SetBackupFileCopy(CopyWithTheMarkThenDiskFull);
    std::wstring path;
    std::string error;
    EXPECT_FALSE(BackupNow());
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_FALSE(PreMigrationBackup(5, error));
    EXPECT_EQ(ListFiles(backups), std::vector<std::wstring>{});

    SetBackupFileCopy(nullptr);
    EXPECT_TRUE(BackupNow());
    EXPECT_EQ(lastStatus.rfind(L"Backed up to backups\\binderwell-", 0), 0u) << lastStatus;
    ASSERT_TRUE(SafetyBackup(L"before-restore", path, error)) << error;
    ASSERT_TRUE(PreMigrationBackup(5, error)) << error;
    const std::vector<std::wstring> files = ListFiles(backups);
    ASSERT_EQ(files.size(), 3u);
    for (const std::wstring& file : files) {
        const std::wstring name = backups + L"\\" + file.substr(0, file.find(L' '));
        EXPECT_EQ(name.substr(name.size() - 3), L".db");
        EXPECT_TRUE(ReadFileBytes(name) == database) << name;
        EXPECT_FALSE(IsReadOnly(name)) << name;
    }
    EXPECT_TRUE(IsReadOnly(DatabasePath()));
    EXPECT_EQ(ReadFileBytes(DatabasePath()), database);
}

// What a run killed during a copy left is gone after the next backup of any
// kind; earlier backups and files that are not ours stay, and every file
// named like a backup is a whole copy.
TEST_F(BackupTest, TheTemporaryFileOfAKilledCopyGoesWithTheNextBackup)
{
    MakeDatabaseAt(DatabasePath(), 6);
    const std::string database = ReadFileBytes(DatabasePath());
    ASSERT_TRUE(CreateDirectoryW(backups.c_str(), nullptr));
    WriteFileBytes(backups + L"\\binderwell-20240101-120000.db", database);
    WriteFileBytes(backups + L"\\notes.db.tmp", "the user's");
    for (const bool safety : {false, true}) {
        for (const wchar_t* name :
             {L"binderwell-20240101-120001.db.tmp", L"binderwell-pre-migration-20240101-120001.db.tmp"})
            WriteFileBytes(backups + L"\\" + name, database.substr(0, 1024));
        std::wstring path;
        std::string error;
        ASSERT_TRUE(safety ? SafetyBackup(L"before-restore", path, error) : BackupNow()) << error;
        for (const std::wstring& file : ListFiles(backups)) {
            const std::wstring name = file.substr(0, file.find(L' '));
            if (name != L"notes.db.tmp") {
                EXPECT_EQ(name.substr(name.size() - 3), L".db");
                EXPECT_TRUE(ReadFileBytes(backups + L"\\" + name) == database) << name;
            }
        }
    }
    EXPECT_EQ(ListFiles(backups).size(), 4u);
    EXPECT_EQ(ReadFileBytes(backups + L"\\notes.db.tmp"), "the user's");
}

// Every command opens its own connection, so an upgrade that keeps failing
// is tried, and backed up for, again and again.
TEST_F(BackupTest, AnUpgradeThatKeepsFailingCopiesEachFileStateOnce)
{
    MakeDatabaseAt(DatabasePath(), 4);
    // A stray table named like one the next step creates fails that step.
    RunSql(DatabasePath(), "CREATE TABLE variant_location (x);");
    SetPreMigrationBackupHook(PreMigrationBackup);
    const auto openRefused = [&] {
        DbHandle db;
        std::string error;
        return !OpenReadyDb(DatabasePath(), db, error);
    };
    const std::wstring backups = folder.File(L"backups");
    const auto copies = [&] {
        std::vector<std::string> bytes;
        for (const std::wstring& file : ListFiles(backups))
            bytes.push_back(ReadFileBytes(backups + L"\\" + file.substr(0, file.find(L' '))));
        return bytes;
    };

    const std::string first = ReadFileBytes(DatabasePath());
    for (int open = 0; open < 3; ++open)
        EXPECT_TRUE(openRefused());
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_TRUE(copies()[0] == first);

    // A changed file is copied again, within the same second too.
    RunSql(DatabasePath(), "INSERT INTO inventory (card_id, condition) VALUES ('a', 'Mint');");
    const std::string second = ReadFileBytes(DatabasePath());
    EXPECT_TRUE(openRefused());
    EXPECT_TRUE(openRefused());
    const std::vector<std::string> both = copies();
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(std::count(both.begin(), both.end(), second) == 1);

    // A copy the user removed no longer stands for the file.
    for (const std::wstring& file : ListFiles(backups))
        DeleteFileW((backups + L"\\" + file.substr(0, file.find(L' '))).c_str());
    EXPECT_TRUE(openRefused());
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_TRUE(copies()[0] == second);
}

// Every transaction moves one unit from stock to a sale.
TEST_F(BackupTest, ABackupTakenWhileSalesCommitIsAlwaysConsistent)
{
    MakeLargeDatabase();
    const Rows expectedUnits = UnitsIn(DatabasePath());

    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    std::thread seller([&] {
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(DatabasePath(), db, error))
            return;
        for (int round = 0; !stop; ++round) {
            // Spread over the whole file, so a torn copy shows on many pages.
            const std::string which = " WHERE inv_id % 10 = " + std::to_string(round % 10) + ";";
            const std::string sql = "BEGIN;INSERT INTO sales (card_id, condition, qty, sold_at) SELECT card_id, "
                                    "condition, 1, '' FROM inventory" + which +
                                    "UPDATE inventory SET qty = qty - 1" + which + "COMMIT;";
            if (ExecSql(db.get(), sql.c_str(), error))
                ++commits;
            else
                ExecSql(db.get(), "ROLLBACK;", error);
        }
    });

    while (commits < 3)
        Sleep(1);
    const int commitsBefore = commits;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        std::wstring path;
        std::string error;
        ASSERT_TRUE(SafetyBackup(L"t" + std::to_wstring(i), path, error)) << error;
        EXPECT_EQ(QueryRows(path, "PRAGMA integrity_check;"), Rows{"ok"});
        EXPECT_EQ(UnitsIn(path), expectedUnits);
    }
    EXPECT_GT(commits.load(), commitsBefore);
    stop = true;
    seller.join();
    EXPECT_EQ(UnitsIn(DatabasePath()), expectedUnits);
}

TEST_F(BackupTest, AHotJournalIsRolledBackBeforeTheCopy)
{
    MakeLargeDatabase();
    const Rows expectedUnits = UnitsIn(DatabasePath());

    // The file and journal of a writer spilling mid-transaction: what a crash leaves.
    const std::wstring crashedDb = folder.File(L"crashed.db");
    {
        DbHandle writer;
        std::string error;
        ASSERT_TRUE(OpenDb(DatabasePath(), writer, error)) << error;
        ASSERT_TRUE(ExecSql(writer.get(),
                            "PRAGMA cache_size = 10;BEGIN;UPDATE inventory SET qty = qty - 7;"
                            "INSERT INTO sales (card_id, condition, qty, sold_at) VALUES ('x', 'Mint', 3, '');",
                            error))
            << error;
        ASSERT_TRUE(CopyFileW(DatabasePath().c_str(), crashedDb.c_str(), TRUE));
        ASSERT_TRUE(CopyFileW((DatabasePath() + L"-journal").c_str(), (crashedDb + L"-journal").c_str(), TRUE));
        ExecSql(writer.get(), "ROLLBACK;", error);
    }
    // Without its journal the crashed file holds half a transaction.
    const std::wstring torn = folder.File(L"torn.db");
    ASSERT_TRUE(CopyFileW(crashedDb.c_str(), torn.c_str(), TRUE));
    ASSERT_NE(UnitsIn(torn), expectedUnits);

    SetDatabasePath(crashedDb);
    std::wstring path;
    std::string error;
    ASSERT_TRUE(SafetyBackup(L"before-restore", path, error)) << error;
    EXPECT_EQ(QueryRows(path, "PRAGMA integrity_check;"), Rows{"ok"});
    EXPECT_EQ(UnitsIn(path), expectedUnits);
}
