#include "core/backup.h"

#include "core/db.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/status.h"
#include "tests/core/test_databases.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<std::wstring> statuses;

void CaptureStatus(const std::wstring& text) { statuses.push_back(text); }

// A copy that reports success although the file ended short.
bool ShortCopy(const std::wstring& from, const std::wstring& to)
{
    const std::string bytes = ReadFileBytes(from);
    WriteFileBytes(to, bytes.substr(0, bytes.size() - 1));
    return true;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// 3,000 cards of 1,000 units each, spread over many pages.
void MakeLargeDatabase()
{
    MakeDatabaseAt(DatabasePath(), 6);
    RunSql(DatabasePath(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                           "INSERT INTO inventory (card_id, variant, condition, price, qty) "
                           "SELECT printf('card-%05d-', i) || hex(randomblob(150)), 'Standard', 'Near Mint', "
                           "i / 8.0, 1000 FROM n;");
}

std::string FirstRow(const std::wstring& path, const char* sql)
{
    const std::vector<std::string> rows = QueryRows(path, sql);
    return rows.empty() ? std::string() : rows[0];
}

std::string UnitsIn(const std::wstring& path)
{
    return FirstRow(path, "SELECT (SELECT total(qty) FROM inventory) + (SELECT total(qty) FROM sales);");
}

std::string IntegrityOf(const std::wstring& path) { return FirstRow(path, "PRAGMA integrity_check;"); }

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

    void MakeStockedDatabase()
    {
        MakeDatabaseAt(DatabasePath(), 6);
        RunSql(DatabasePath(), "INSERT INTO inventory (card_id, condition, qty) VALUES ('base1-4', 'Mint', 2);");
    }
};

} // namespace

// A restore is most wanted when the live file is broken; its safety copy
// must still be made, byte for byte.
TEST_F(BackupTest, ADamagedDatabaseIsStillCopiedAsItLies)
{
    MakeStockedDatabase();
    std::string brokenSchema = ReadFileBytes(DatabasePath());
    brokenSchema.replace(100, 400, std::string(400, '\xff'));
    const std::string damaged[] = {brokenSchema, std::string(8192, '\xa5')};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        WriteFileBytes(DatabasePath(), damaged[i]);
        std::wstring path;
        std::string error;
        ASSERT_TRUE(SafetyBackup(L"before-restore-" + std::to_wstring(i), path, error)) << error;
        EXPECT_EQ(ReadFileBytes(path), damaged[i]);
        EXPECT_EQ(ReadFileBytes(DatabasePath()), damaged[i]);
    }
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
}

TEST_F(BackupTest, ACopyThatCannotBeMadeIsReportedAndWritesNothing)
{
    // No database: nothing may stand in for it, and none may be created.
    std::wstring path;
    std::string error;
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_EQ(error, "could not write the safety backup");
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(DatabasePath()));

    // Locked by another writer past the timeout.
    MakeStockedDatabase();
    DbHandle writer;
    ASSERT_TRUE(OpenDb(DatabasePath(), writer, error)) << error;
    ASSERT_TRUE(ExecSql(writer.get(), "BEGIN EXCLUSIVE;UPDATE inventory SET qty = 0;", error)) << error;
    EXPECT_FALSE(BackupNow());
    EXPECT_EQ(LastStatus(), "Backup failed");
    EXPECT_FALSE(SafetyBackup(L"before-restore", path, error));
    EXPECT_EQ(error, "could not write the safety backup: database is locked");
    EXPECT_EQ(ListFiles(BackupsFolder()).size(), 0u);
    ExecSql(writer.get(), "ROLLBACK;", error);
}

// Every transaction moves one unit from stock to a sale, so stock plus sold
// is the same in every consistent state of the file.
TEST_F(BackupTest, ABackupTakenWhileSalesCommitIsAlwaysConsistent)
{
    MakeLargeDatabase();
    const std::string expectedUnits = UnitsIn(DatabasePath());
    ASSERT_EQ(expectedUnits, "3000000.0");

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
            const std::string sql = "BEGIN;INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, "
                                    "batch_id) SELECT card_id, variant, condition, 1, price, '2024-06-01 10:00:00', " +
                                    std::to_string(round) + " FROM inventory" + which +
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

TEST_F(BackupTest, AHotJournalIsRolledBackBeforeTheCopy)
{
    MakeLargeDatabase();
    const std::string expectedUnits = UnitsIn(DatabasePath());

    // The file and journal of a writer spilling mid-transaction: what a crash leaves.
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
