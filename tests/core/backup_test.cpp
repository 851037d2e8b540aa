#include "core/backup.h"

#include "core/db.h"
#include "core/db_check.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/status.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <regex>
#include <thread>
#include <vector>

namespace {

std::vector<std::wstring> statuses;

void CaptureStatus(const std::wstring& text)
{
    statuses.push_back(text);
}

// Stands for a copy that reports success although the file ended short.
bool ShortCopy(const std::wstring& from, const std::wstring& to)
{
    const std::string bytes = ReadFileBytes(from);
    WriteFileBytes(to, bytes.substr(0, bytes.size() - 1));
    return true;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Waits for the start of a new second, so that the next few quick steps all
// fall within one second of the clock that names the backups.
void WaitForNextSecond()
{
    SYSTEMTIME start;
    GetLocalTime(&start);
    for (;;) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (now.wSecond != start.wSecond)
            return;
        Sleep(5);
    }
}

class BackupTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        statuses.clear();
        SetStatusSink(CaptureStatus);
    }

    void TearDown() override
    {
        SetStatusSink(nullptr);
        SetBackupFileCopy(nullptr);
        DataFolderTest::TearDown();
    }

    std::wstring BackupsFolder() const { return folder.File(L"backups"); }

    std::string LastStatus() const { return statuses.empty() ? std::string("(none)") : Narrow(statuses.back()); }

    std::string LogText()
    {
        CloseDebugLog();
        return ReadFileBytes(folder.File(L"debug.log"));
    }

    // A current database holding some stock and a sale.
    void MakeStockedDatabase()
    {
        MakeDatabaseAt(DatabasePath(), 6);
        RunSql(DatabasePath(), "INSERT INTO inventory (card_id, variant, condition, price, qty) "
                               "VALUES ('base1-4', 'Holo', 'Near Mint', 250.0, 2);"
                               "INSERT INTO sales (card_id, condition, qty, price, sold_at, batch_id) "
                               "VALUES ('sv3pt5-151', 'Mint', 1, 4.5, '2024-06-01 10:00:00', 1);");
    }
};

} // namespace

TEST_F(BackupTest, WithoutADatabaseNothingIsCopiedOrCreated)
{
    EXPECT_TRUE(BackupNow());
    EXPECT_EQ(statuses, std::vector<std::wstring>{L"No database to back up yet"});
    EXPECT_FALSE(FileExists(BackupsFolder()));
    EXPECT_EQ(LogText(), "");

    // The program's own backup cannot stand in for a file that is not there,
    // and looking for it must not create an empty database.
    std::wstring path;
    std::string error;
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_EQ(error, "could not write the safety backup");
    EXPECT_NE(LogText().find("] Safety backup CopyFile failed (err=2)\r\n"), std::string::npos);
    EXPECT_EQ(FolderOfPath(path), BackupsFolder());
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(DatabasePath()));
}

TEST_F(BackupTest, BackupNowCopiesTheDatabaseUnderItsLocalTime)
{
    MakeStockedDatabase();
    const std::string database = ReadFileBytes(DatabasePath());
    SYSTEMTIME before;
    GetLocalTime(&before);
    EXPECT_TRUE(BackupNow());
    SYSTEMTIME after;
    GetLocalTime(&after);

    ASSERT_EQ(statuses.size(), 1u);
    std::smatch match;
    const std::string status = LastStatus();
    ASSERT_TRUE(std::regex_match(status, match, std::regex(R"(Backed up to backups\\(binderwell-(\d{8}-\d{6})\.db))")))
        << status;
    const auto stamp = [](const SYSTEMTIME& t) {
        char text[32];
        snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 t.wSecond);
        return std::string(text);
    };
    EXPECT_LE(stamp(before), match[2].str());
    EXPECT_GE(stamp(after), match[2].str());

    const std::string name = match[1].str();
    const std::wstring copy = BackupsFolder() + L"\\" + std::wstring(name.begin(), name.end());
    EXPECT_EQ(ReadFileBytes(copy), database);
    EXPECT_NE(LogText().find("] Backup created: " + Narrow(copy) + "\r\n"), std::string::npos);
    std::string error;
    EXPECT_TRUE(ValidateDatabaseFile(copy, error)) << error;
    // The copy's read lock leaves nothing behind beside the database.
    EXPECT_FALSE(FileExists(DatabasePath() + L"-journal"));
}

TEST_F(BackupTest, ASecondBackupInTheSameSecondFailsAndKeepsTheFirst)
{
    MakeStockedDatabase();
    // A backup that crosses into the next second gets a name of its own; try
    // again until both fall within one second.
    for (int attempt = 0; attempt < 5; ++attempt) {
        statuses.clear();
        WaitForNextSecond();
        const std::string first = ReadFileBytes(DatabasePath());
        ASSERT_TRUE(BackupNow());
        RunSql(DatabasePath(), "UPDATE inventory SET qty = qty + 1;");
        const bool second = BackupNow();
        ASSERT_EQ(statuses.size(), 2u);
        if (second)
            continue;
        EXPECT_EQ(Narrow(statuses[1]), "Backup failed");
        const std::string name = Narrow(statuses[0]).substr(std::string("Backed up to backups\\").size());
        EXPECT_EQ(ReadFileBytes(BackupsFolder() + L"\\" + std::wstring(name.begin(), name.end())), first);
        EXPECT_NE(LogText().find("] Backup CopyFile failed (err=80)\r\n"), std::string::npos);
        return;
    }
    FAIL() << "no two backups fell within one second";
}

// A restore is most wanted when the live file is broken; its safety copy
// must still be made, byte for byte, or the restore could never run.
TEST_F(BackupTest, ADamagedDatabaseIsStillCopiedAsItLies)
{
    // A sound header over a schema page of garbage, and no database at all.
    MakeStockedDatabase();
    std::string brokenSchema = ReadFileBytes(DatabasePath());
    brokenSchema.replace(100, 400, std::string(400, '\xff'));
    const std::string damaged[] = {brokenSchema, std::string(8192, '\xa5')};
    for (size_t i = 0; i < sizeof damaged / sizeof damaged[0]; ++i) {
        SCOPED_TRACE(i);
        WriteFileBytes(DatabasePath(), damaged[i]);
        std::wstring path;
        std::string error;
        ASSERT_TRUE(SafetyBackup(L"before-restore-" + std::to_wstring(i), path, error)) << error;
        EXPECT_EQ(ReadFileBytes(path), damaged[i]);
        EXPECT_EQ(ReadFileBytes(DatabasePath()), damaged[i]);
    }
    EXPECT_TRUE(BackupNow()) << LastStatus();
    EXPECT_EQ(LastStatus().rfind("Backed up to backups\\binderwell-", 0), 0u) << LastStatus();
}

TEST_F(BackupTest, TaggedBackupsNeverCollideWithPlainOnes)
{
    MakeStockedDatabase();
    const std::string database = ReadFileBytes(DatabasePath());
    WaitForNextSecond();
    ASSERT_TRUE(BackupNow()) << LastStatus();
    std::wstring preMigration;
    std::wstring beforeRestore;
    std::string error;
    ASSERT_TRUE(SafetyBackup(L"pre-migration", preMigration, error)) << error;
    ASSERT_TRUE(SafetyBackup(L"before-restore", beforeRestore, error)) << error;

    const std::string stamp = Narrow(statuses.at(0)).substr(std::string("Backed up to backups\\binderwell-").size(), 15);
    EXPECT_EQ(Narrow(preMigration), Narrow(BackupsFolder()) + "\\binderwell-pre-migration-" + stamp + ".db");
    EXPECT_EQ(Narrow(beforeRestore), Narrow(BackupsFolder()) + "\\binderwell-before-restore-" + stamp + ".db");
    EXPECT_EQ(ReadFileBytes(preMigration), database);
    EXPECT_EQ(ReadFileBytes(beforeRestore), database);
    EXPECT_EQ(ListFiles(BackupsFolder()).size(), 3u);

    // The same tag again within the second finds its name taken; the path
    // still names the backup that was meant, and the first stays as it was.
    std::wstring again;
    EXPECT_FALSE(SafetyBackup(L"pre-migration", again, error));
    EXPECT_EQ(error, "could not write the safety backup");
    EXPECT_EQ(again, preMigration);
    EXPECT_EQ(ReadFileBytes(preMigration), database);
    EXPECT_NE(LogText().find("] Safety backup CopyFile failed (err=80)\r\n"), std::string::npos);
}

TEST_F(BackupTest, AShortCopyIsReportedAndBlocksTheUpgrade)
{
    MakeDatabaseAt(DatabasePath(), 2);
    const std::string database = ReadFileBytes(DatabasePath());
    SetBackupFileCopy(ShortCopy);

    std::wstring path;
    std::string error;
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_EQ(error, "the safety backup is incomplete");
    // Left in place for the user to look at, never deleted.
    EXPECT_EQ(ReadFileBytes(path).size(), database.size() - 1);

    SetPreMigrationBackupHook(PreMigrationBackup);
    DbHandle db;
    error.clear();
    EXPECT_FALSE(OpenReadyDb(DatabasePath(), db, error));
    EXPECT_EQ(error, "the safety backup is incomplete");
    EXPECT_EQ(ReadFileBytes(DatabasePath()), database);
    const std::string log = LogText();
    EXPECT_NE(log.find("] Pre-migration backup failed; upgrade from schema v2 BLOCKED: the safety backup is "
                       "incomplete\r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("Pre-migration backup written"), std::string::npos);
}

TEST_F(BackupTest, AnUpgradeRunsOnlyAfterItsBackupIsWritten)
{
    MakeDatabaseAt(DatabasePath(), 2);
    RunSql(DatabasePath(), "INSERT INTO sales (card_id, condition, qty, price, sold_at) "
                           "VALUES ('base1-4', 'Mint', 1, 250, '2024-06-01 10:00:00');");
    const std::string database = ReadFileBytes(DatabasePath());
    SetPreMigrationBackupHook(PreMigrationBackup);

    DbHandle db;
    std::string error;
    ASSERT_TRUE(OpenReadyDb(DatabasePath(), db, error)) << error;
    db.reset();

    const std::vector<std::wstring> files = ListFiles(BackupsFolder());
    ASSERT_EQ(files.size(), 1u);
    const std::wstring name = files[0].substr(0, files[0].find(L' '));
    EXPECT_TRUE(std::regex_match(Narrow(name), std::regex(R"(binderwell-pre-migration-\d{8}-\d{6}\.db)")));
    const std::wstring backup = BackupsFolder() + L"\\" + name;
    EXPECT_EQ(ReadFileBytes(backup), database);
    EXPECT_TRUE(ValidateDatabaseFile(backup, error)) << error;
    const std::string log = LogText();
    const size_t written = log.find("] Pre-migration backup written: " + Narrow(backup) + "\r\n");
    ASSERT_NE(written, std::string::npos);
    EXPECT_LT(written, log.find("Database migrated to schema v3"));
}

// Every transaction moves one unit from stock to a sale, so stock plus sold
// is the same in every consistent state of the file.
class ConcurrentBackupTest : public BackupTest {
protected:
    static constexpr int kCards = 3000;
    static constexpr int kUnitsEach = 1000;

    void MakeLargeDatabase()
    {
        MakeDatabaseAt(DatabasePath(), 6);
        RunSql(DatabasePath(),
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO inventory (card_id, variant, condition, price, qty) "
               "SELECT printf('card-%05d-', i) || hex(randomblob(150)), 'Standard', 'Near Mint', i / 8.0, 1000 "
               "FROM n;");
    }

    static std::string UnitsIn(const std::wstring& path)
    {
        const std::vector<std::string> rows = QueryRows(
            path, "SELECT (SELECT total(qty) FROM inventory) + (SELECT total(qty) FROM sales);");
        return rows.empty() ? std::string() : rows[0];
    }

    static std::string IntegrityOf(const std::wstring& path)
    {
        const std::vector<std::string> rows = QueryRows(path, "PRAGMA integrity_check;");
        return rows.empty() ? std::string() : rows[0];
    }
};

TEST_F(ConcurrentBackupTest, ABackupTakenWhileSalesCommitIsAlwaysConsistent)
{
    MakeLargeDatabase();
    const std::string expectedUnits = UnitsIn(DatabasePath());
    ASSERT_EQ(expectedUnits, std::to_string(kCards * kUnitsEach) + ".0");

    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    std::thread seller([&] {
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(DatabasePath(), db, error))
            return;
        for (int round = 0; !stop; ++round) {
            // Spread over the whole file, so a copy torn mid-commit would
            // show on many pages.
            const std::string sql =
                "BEGIN;"
                "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, batch_id) "
                "SELECT card_id, variant, condition, 1, price, '2024-06-01 10:00:00', " +
                std::to_string(round) + " FROM inventory WHERE inv_id % 10 = " + std::to_string(round % 10) +
                ";"
                "UPDATE inventory SET qty = qty - 1 WHERE inv_id % 10 = " + std::to_string(round % 10) +
                ";"
                "COMMIT;";
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
        std::wstring path;
        std::string error;
        ASSERT_TRUE(SafetyBackup(L"t" + std::to_wstring(i), path, error)) << error;
        SCOPED_TRACE(Narrow(path));
        EXPECT_EQ(IntegrityOf(path), "ok");
        EXPECT_EQ(UnitsIn(path), expectedUnits);
    }
    const int commitsDuring = commits - commitsBefore;
    stop = true;
    seller.join();
    EXPECT_GT(commitsDuring, 0);
    EXPECT_EQ(UnitsIn(DatabasePath()), expectedUnits);
}

TEST_F(ConcurrentBackupTest, AHotJournalIsRolledBackBeforeTheCopy)
{
    MakeLargeDatabase();
    const std::string expectedUnits = UnitsIn(DatabasePath());

    // A writer whose changes spill into the file mid-transaction; a copy of
    // the file and its journal taken now is what a crash would leave.
    const std::wstring crashed = folder.File(L"crashed");
    ASSERT_TRUE(CreateDirectoryW(crashed.c_str(), nullptr));
    {
        DbHandle writer;
        std::string error;
        ASSERT_TRUE(OpenDb(DatabasePath(), writer, error)) << error;
        ASSERT_TRUE(ExecSql(writer.get(),
                            "PRAGMA cache_size = 10;BEGIN;UPDATE inventory SET qty = qty - 7;"
                            "INSERT INTO sales (card_id, condition, qty, sold_at) VALUES ('x', 'Mint', 3, '');",
                            error))
            << error;
        ASSERT_TRUE(CopyFileW(DatabasePath().c_str(), (crashed + L"\\binderwell.db").c_str(), TRUE));
        ASSERT_TRUE(
            CopyFileW((DatabasePath() + L"-journal").c_str(), (crashed + L"\\binderwell.db-journal").c_str(), TRUE));
        ExecSql(writer.get(), "ROLLBACK;", error);
    }
    // Without its journal the crashed file holds half a transaction.
    const std::wstring torn = folder.File(L"torn.db");
    ASSERT_TRUE(CopyFileW((crashed + L"\\binderwell.db").c_str(), torn.c_str(), TRUE));
    ASSERT_NE(UnitsIn(torn), expectedUnits);

    SetDatabasePath(crashed + L"\\binderwell.db");
    std::wstring path;
    std::string error;
    ASSERT_TRUE(SafetyBackup(L"before-restore", path, error)) << error;
    EXPECT_EQ(IntegrityOf(path), "ok");
    EXPECT_EQ(UnitsIn(path), expectedUnits);
}

TEST_F(BackupTest, ADatabaseLockedPastTheTimeoutIsNotCopied)
{
    MakeStockedDatabase();
    DbHandle writer;
    std::string error;
    ASSERT_TRUE(OpenDb(DatabasePath(), writer, error)) << error;
    ASSERT_TRUE(ExecSql(writer.get(), "BEGIN EXCLUSIVE;UPDATE inventory SET qty = 0;", error)) << error;

    EXPECT_FALSE(BackupNow());
    EXPECT_EQ(LastStatus(), "Backup failed");
    std::wstring path;
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_EQ(error, "could not write the safety backup: database is locked");
    EXPECT_EQ(ListFiles(BackupsFolder()).size(), 0u);
    const std::string log = LogText();
    EXPECT_NE(log.find("] Backup could not hold the database still: database is locked\r\n"), std::string::npos);
    EXPECT_NE(log.find("] Safety backup could not hold the database still: database is locked\r\n"),
              std::string::npos);
    ExecSql(writer.get(), "ROLLBACK;", error);
}
