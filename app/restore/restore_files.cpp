#include "app/restore/restore_files.h"

#include "core/backup.h"
#include "core/file_replace.h"

#include <windows.h>

namespace {

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info)
{
    // Attributes alone, shared every way: the look must not get in the way
    // of a program that holds the file.
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return ok;
}

// A short name, a "..", another drive letter for the same share: the text
// differs, the file does not.
bool SameFile(const std::wstring& a, const std::wstring& b)
{
    if (lstrcmpiW(a.c_str(), b.c_str()) == 0)
        return true;
    BY_HANDLE_FILE_INFORMATION first = {};
    BY_HANDLE_FILE_INFORMATION second = {};
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

void DeleteCompanions(const std::wstring& database)
{
    for (const wchar_t* suffix : {L"-journal", L"-wal", L"-shm"})
        DeleteFileW((database + suffix).c_str());
}

// The code is taken before the clean-up can overwrite it; a copy that broke
// off may have left part of the staging file behind.
bool StageFailed(const std::wstring& staging, ReplaceFailure& failure)
{
    failure.step = ReplaceStep::Stage;
    failure.code = GetLastError();
    DeleteTempFile(staging);
    return false;
}

} // namespace

std::wstring RestoreStagingPath(const std::wstring& database)
{
    return database + L".restore.tmp";
}

std::wstring RollbackStagingPath(const std::wstring& database)
{
    return database + L".rollback.tmp";
}

RestoreSourceHold::RestoreSourceHold(const std::wstring& path)
    // Reading data, so that the share mode counts: a handle that reads only
    // attributes would not keep a delete out.
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

RestoreSourceHold::~RestoreSourceHold()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
}

CandidateFile ClassifyCandidate(const std::wstring& chosen, const std::wstring& database)
{
    if (SameFile(chosen, database))
        return CandidateFile::LiveDatabase;
    if (SameFile(chosen, RestoreStagingPath(database)) || SameFile(chosen, RollbackStagingPath(database)))
        return CandidateFile::StagingFile;
    return CandidateFile::Other;
}

bool ReplaceDatabaseFrom(const std::wstring& source, const std::wstring& staging, const std::wstring& database,
                         ReplaceFailure& failure)
{
    // A leftover of an interrupted run, even a read-only one, gives way.
    DeleteTempFile(staging);
    if (!CopyDatabaseFile(source, staging))
        return StageFailed(staging, failure);
    // Deletes the staging file itself when it fails.
    if (!ReplaceWithTempFile(staging, database)) {
        failure.step = ReplaceStep::Move;
        failure.code = GetLastError();
        return false;
    }
    DeleteCompanions(database);
    return true;
}
