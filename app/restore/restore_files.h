// The file steps of a restore, free of any window: which chosen files the
// restore must refuse, and putting a copy of a file in place of the
// database through a staging copy and one atomic move. Used for the restore
// itself and for putting the previous database back.
#pragma once

#include <string>

// Beside the database: the staging copy of the chosen backup, and of the
// safety copy during a rollback.
std::wstring RestoreStagingPath(const std::wstring& database);
std::wstring RollbackStagingPath(const std::wstring& database);

enum class CandidateFile {
    Other,
    LiveDatabase,
    // The restore deletes its staging files before it copies into them, so
    // one of them chosen as the backup would be lost.
    StagingFile,
};
// Which file the chosen path names: the same text in any letter case, or,
// when both exist, the same file reached by another path.
CandidateFile ClassifyCandidate(const std::wstring& chosen, const std::wstring& database);

// Keeps the chosen file from being deleted or renamed for as long as the
// restore runs, while anyone may still read or write it. The backups made on
// the way (the safety copy, a pre-migration copy of the restored file)
// sweep the leftover temporary files of killed backups out of the backups
// folder, and a whole database left there under such a name may be the very
// file the user restores from. A file that cannot be held is not; the
// restore goes on without.
class RestoreSourceHold {
public:
    explicit RestoreSourceHold(const std::wstring& path);
    ~RestoreSourceHold();
    RestoreSourceHold(const RestoreSourceHold&) = delete;
    RestoreSourceHold& operator=(const RestoreSourceHold&) = delete;

private:
    void* file_; // a file handle, or INVALID_HANDLE_VALUE
};

enum class ReplaceStep { Stage, Move };
struct ReplaceFailure {
    ReplaceStep step = ReplaceStep::Stage;
    unsigned long code = 0; // the system's error code
};

// Copies source to staging (a leftover there is replaced) with the backups'
// CopyDatabaseFile, moves the copy over database in one step, then deletes
// the old database's -journal, -wal and -shm, which would otherwise be
// applied to the new file. The new database is never read-only, whatever
// source was. On failure, a copy that broke off part-way too, the staging
// file is gone, database is as it was, and failure names the step.
bool ReplaceDatabaseFrom(const std::wstring& source, const std::wstring& staging, const std::wstring& database,
                         ReplaceFailure& failure);
