// The restore's file steps on real files, without a window.
#include "app/restore/restore_files.h"

#include "core/backup.h"
#include "tests/support/test_folder.h"

#include <windows.h>

namespace {

bool IsReadOnly(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

class RestoreFilesTest : public ::testing::Test {
protected:
    void TearDown() override { SetBackupFileCopy(nullptr); }

    TestFolder folder;
    const std::wstring database = folder.File(L"binderwell.db");
    const std::wstring staging = RestoreStagingPath(database);
    const std::wstring companions[3] = {database + L"-journal", database + L"-wal", database + L"-shm"};

    void MakeCompanions()
    {
        for (const std::wstring& companion : companions)
            WriteFileBytes(companion, "companion of the old database");
    }
};

} // namespace

// The live database and the two staging files are refused however the
// path spells them; any other file is a candidate.
TEST_F(RestoreFilesTest, TheDatabaseAndTheStagingFilesAreKnownUnderAnySpelling)
{
    WriteFileBytes(database, "live");
    WriteFileBytes(staging, "left over");
    WriteFileBytes(RollbackStagingPath(database), "left over");
    WriteFileBytes(folder.File(L"binderwell-20240101-120000.db"), "a backup");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"backups").c_str(), nullptr));
    const std::wstring detour = folder.Path() + L"\\backups\\..\\";

    EXPECT_EQ(ClassifyCandidate(folder.File(L"BINDERWELL.DB"), database), CandidateFile::LiveDatabase);
    EXPECT_EQ(ClassifyCandidate(folder.File(L"Binderwell.db.Restore.TMP"), database), CandidateFile::StagingFile);
    EXPECT_EQ(ClassifyCandidate(detour + L"binderwell.db.rollback.tmp", database), CandidateFile::StagingFile);

    // Before the first start there is no database to be the same file as.
    DeleteFileW(database.c_str());
    EXPECT_EQ(ClassifyCandidate(folder.File(L"binderwell-20240101-120000.db"), database), CandidateFile::Other);
    EXPECT_EQ(ClassifyCandidate(folder.File(L"Binderwell.DB"), database), CandidateFile::LiveDatabase);
}

// A read-only backup and a read-only leftover staging file still give a
// database the program can write, and the old database's companions go.
TEST_F(RestoreFilesTest, ReplacingGivesAWritableCopyAndClearsTheCompanions)
{
    const std::wstring source = folder.File(L"backup.db");
    WriteFileBytes(database, "old database");
    WriteFileBytes(source, "the backup's bytes");
    WriteFileBytes(staging, "left over from an interrupted restore");
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_READONLY);
    MakeCompanions();

    ReplaceFailure failure;
    ASSERT_TRUE(ReplaceDatabaseFrom(source, staging, database, failure)) << failure.code;
    EXPECT_EQ(ReadFileBytes(database), "the backup's bytes");
    EXPECT_FALSE(IsReadOnly(database));
    EXPECT_FALSE(FileExists(staging));
    for (const std::wstring& companion : companions)
        EXPECT_FALSE(FileExists(companion));
    EXPECT_TRUE(IsReadOnly(source));
}

// A failed copy or move leaves the database and its companions alone (a
// hot journal deleted under the old file would corrupt it), no staging
// file behind, and the step that failed.
TEST_F(RestoreFilesTest, AFailedCopyOrMoveLeavesTheDatabaseAndItsCompanions)
{
    WriteFileBytes(database, "old database");
    MakeCompanions();
    ReplaceFailure failure;

    EXPECT_FALSE(ReplaceDatabaseFrom(folder.File(L"gone.db"), staging, database, failure));
    EXPECT_EQ(failure.step, ReplaceStep::Stage);

    const std::wstring source = folder.File(L"backup.db");
    WriteFileBytes(source, "the backup's bytes");
    // The rollback's copy breaking off on a full disk leaves no part of it.
    const std::wstring rollback = RollbackStagingPath(database);
    SetBackupFileCopy(CopyHalfThenDiskFull);
    EXPECT_FALSE(ReplaceDatabaseFrom(source, rollback, database, failure));
    SetBackupFileCopy(nullptr);
    EXPECT_EQ(failure.step, ReplaceStep::Stage);
    EXPECT_EQ(failure.code, static_cast<unsigned long>(ERROR_DISK_FULL));
    EXPECT_FALSE(FileExists(rollback));

    // So does one that broke off after a read-only safety copy's mark came
    // along.
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    SetBackupFileCopy(CopyWithTheMarkThenDiskFull);
    EXPECT_FALSE(ReplaceDatabaseFrom(source, rollback, database, failure));
    SetBackupFileCopy(nullptr);
    EXPECT_FALSE(FileExists(rollback));

    SetFileAttributesW(database.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(ReplaceDatabaseFrom(source, staging, database, failure));
    EXPECT_EQ(failure.step, ReplaceStep::Move);

    EXPECT_EQ(ReadFileBytes(database), "old database");
    EXPECT_FALSE(FileExists(staging));
    for (const std::wstring& companion : companions)
        EXPECT_EQ(ReadFileBytes(companion), "companion of the old database");
}
