#include "core/backup.h"

#include "core/db.h"
#include "core/file_replace.h"
#include "core/log.h"
#include "core/status.h"
#include "core/text.h"

#include <windows.h>

#include <cwchar>
#include <mutex>

namespace {

bool CopyWithoutOverwrite(const std::wstring& from, const std::wstring& to)
{
    // A backup is never overwritten: a name already taken fails the copy.
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

BackupFileCopyFn copyFile = CopyWithoutOverwrite;

// A read transaction on the database for the length of a copy. Under the
// rollback journal no writer can commit while it is held (the catalogue
// update commits on a connection of its own), and taking it makes SQLite
// roll back a hot journal that a crashed writer left, so the file on disk
// stays one consistent database until the hold ends.
class DatabaseHold {
public:
    // False, with SQLite's message, when the file is a database that could
    // not be held still: a writer kept it past the busy timeout, or its hot
    // journal could not be rolled back. A file SQLite cannot open or read as
    // a database is not held: no writer can change it either, and a copy of
    // it as it lies is still the best safety copy of a damaged file.
    bool Take(const std::wstring& path, std::string& error)
    {
        // Read-write, so a hot journal can be rolled back; without
        // SQLITE_OPEN_CREATE, so a missing file is never created.
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(WideToUtf8(path).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        DbHandle opened(raw);
        if (rc != SQLITE_OK)
            return GoOnUnheld(rc, raw ? sqlite3_errmsg(raw) : "could not open database", error);
        sqlite3_busy_timeout(raw, 3000);
        // A deferred BEGIN takes no lock; the first read takes the shared
        // lock, and the transaction keeps it.
        if (!read_.Begin(raw, error))
            return false;
        std::string readError;
        if (!ExecSql(raw, "SELECT count(*) FROM sqlite_master;", readError)) {
            const int readRc = sqlite3_errcode(raw);
            read_.Rollback();
            return GoOnUnheld(readRc, readError, error);
        }
        db_ = std::move(opened);
        return true;
    }

private:
    static bool GoOnUnheld(int rc, const std::string& message, std::string& error)
    {
        const int primary = rc & 0xff;
        if (primary == SQLITE_CANTOPEN || primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            return true;
        error = message;
        return false;
    }

    // Declared after the connection, so the transaction ends before the
    // connection closes.
    DbHandle db_;
    Transaction read_;
};

// The backups folder beside the database file, created on first use.
std::wstring MakeBackupsFolder()
{
    const std::wstring dataFolder = DataFolder();
    const std::wstring folder = dataFolder.empty() ? std::wstring(L"backups") : dataFolder + L"\\backups";
    // Failure is left to the copy, which then reports it; mostly the folder
    // exists already.
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// The local time, year first, every other part zero-padded: YYYYMMDD-HHMMSS.
std::wstring BackupTimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, sizeof text / sizeof text[0], L"%04d%02d%02d-%02d%02d%02d", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond);
    return text;
}

// The first of stem.db, stem-2.db, stem-3.db ... that is not taken, so a
// second backup within the same second gets a name of its own.
std::wstring UnusedBackupPath(const std::wstring& stem)
{
    std::wstring path = stem + L".db";
    for (int n = 2; n < 100 && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        path = stem + L"-" + std::to_wstring(n) + L".db";
    return path;
}

// One backup at a time, so that the clean-up of a killed run's temporary
// files never takes the one of a copy under way on another thread.
std::mutex copyLock;

enum class CopyOutcome { Whole, CopyFailed, Short, NameFailed };

// Copies the database, which the caller holds still, to path in the folder
// by way of a temporary file beside it. A name already taken copies
// nothing. A copy that breaks off, ends short or finds path taken leaves no
// file behind, and its log line, which who begins, gives the system's code
// of the step that failed.
CopyOutcome CopyWhole(const std::wstring& database, const std::wstring& folder, const std::wstring& path,
                      const char* who)
{
    std::lock_guard<std::mutex> lock(copyLock);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Log("%s CopyFile failed (err=%lu)", who, static_cast<unsigned long>(ERROR_FILE_EXISTS));
        return CopyOutcome::CopyFailed;
    }
    DeleteFilesMatching(folder, L"binderwell-*.db.tmp");
    const std::wstring temp = path + L".tmp";
    if (!CopyDatabaseFile(database, temp)) {
        const unsigned long code = GetLastError();
        DeleteTempFile(temp);
        Log("%s CopyFile failed (err=%lu)", who, code);
        return CopyOutcome::CopyFailed;
    }
    // Compared while the hold still keeps writers out, so a commit that grows
    // the file just after the copy is not taken for a short copy.
    FileStamp original;
    FileStamp copy;
    if (!ReadFileStamp(database, original) || !ReadFileStamp(temp, copy) || original.size != copy.size) {
        DeleteTempFile(temp);
        Log("%s copy is incomplete (%llu of %llu bytes)", who, static_cast<unsigned long long>(copy.size),
            static_cast<unsigned long long>(original.size));
        return CopyOutcome::Short;
    }
    // Never over an earlier backup that took the name meanwhile: that one
    // stays.
    if (!RenameTempFile(temp, path)) {
        Log("%s MoveFileEx failed (err=%lu)", who, GetLastError());
        return CopyOutcome::NameFailed;
    }
    return CopyOutcome::Whole;
}

// A database file as an open found it.
struct FileState {
    std::wstring path;
    int version = 0;
    FileStamp stamp;

    bool operator==(const FileState& other) const
    {
        return path == other.path && version == other.version && stamp == other.stamp;
    }
};

// The last pre-migration copy of this run and the state of the file it was
// made from; guarded by the lock, which also keeps two opens on different
// threads from copying the same state at once.
std::mutex preMigrationLock;
FileState copiedState;
std::wstring copiedTo;

} // namespace

bool CopyDatabaseFile(const std::wstring& from, const std::wstring& to)
{
    return copyFile(from, to) && ClearReadOnlyMark(to);
}

void SetBackupFileCopy(BackupFileCopyFn copy)
{
    copyFile = copy ? copy : CopyWithoutOverwrite;
}

bool BackupNow()
{
    const std::wstring& database = DatabasePath();
    if (GetFileAttributesW(database.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ReportStatus(L"No database to back up yet");
        return true;
    }
    const std::wstring name = L"binderwell-" + BackupTimeStamp() + L".db";
    const std::wstring folder = MakeBackupsFolder();
    const std::wstring path = folder + L"\\" + name;

    DatabaseHold hold;
    std::string error;
    if (!hold.Take(database, error)) {
        ReportStatus(L"Backup failed");
        Log("Backup could not hold the database still: %s", error.c_str());
        return false;
    }
    if (CopyWhole(database, folder, path, "Backup") != CopyOutcome::Whole) {
        ReportStatus(L"Backup failed");
        return false;
    }
    ReportStatus(L"Backed up to backups\\" + name);
    LogW(L"Backup created: %ls", path.c_str());
    return true;
}

bool SafetyBackup(const std::wstring& tag, std::wstring& backupPath, std::string& error)
{
    const std::wstring& database = DatabasePath();
    const std::wstring folder = MakeBackupsFolder();
    backupPath = UnusedBackupPath(folder + L"\\binderwell-" + tag + L"-" + BackupTimeStamp());

    DatabaseHold hold;
    std::string holdError;
    if (!hold.Take(database, holdError)) {
        Log("Safety backup could not hold the database still: %s", holdError.c_str());
        error = "could not write the safety backup: " + holdError;
        return false;
    }
    const CopyOutcome outcome = CopyWhole(database, folder, backupPath, "Safety backup");
    if (outcome == CopyOutcome::Whole)
        return true;
    error = outcome == CopyOutcome::Short ? "the safety backup is incomplete" : "could not write the safety backup";
    return false;
}

bool PreMigrationBackup(int version, std::string& error)
{
    std::lock_guard<std::mutex> lock(preMigrationLock);
    FileState state;
    state.path = DatabasePath();
    state.version = version;
    const bool stateKnown = ReadFileStamp(state.path, state.stamp);
    FileStamp copy;
    if (stateKnown && state == copiedState && ReadFileStamp(copiedTo, copy) && copy.size == state.stamp.size) {
        LogW(L"Pre-migration backup of this file state already made: %ls", copiedTo.c_str());
        return true;
    }

    std::wstring path;
    if (!SafetyBackup(L"pre-migration", path, error))
        return false;
    LogW(L"Pre-migration backup written: %ls", path.c_str());
    if (stateKnown) {
        copiedState = state;
        copiedTo = path;
    }
    return true;
}
