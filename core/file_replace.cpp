#include "core/file_replace.h"

#include <windows.h>

#include <algorithm>

namespace {

struct FileCloser {
    HANDLE file;
    ~FileCloser() { CloseHandle(file); }
};

struct FindCloser {
    HANDLE find;
    ~FindCloser() { FindClose(find); }
};

// Forces what the file system still holds in memory for the file onto the
// disk. A rename made durable before the content is would, after a power
// cut, leave the final name on an empty or partial file.
bool FlushToDisk(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FileCloser closer{file};
    return FlushFileBuffers(file) != 0;
}

// Windows refuses to rename over a file marked read-only; some file systems
// (network shares, emulation layers) would not, and the user's mark must
// hold on every one of them.
bool IsReadOnlyFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Callers log the code of the step that failed, not of the clean-up.
bool DiscardTempFile(const std::wstring& tempPath)
{
    const DWORD code = GetLastError();
    DeleteTempFile(tempPath);
    SetLastError(code);
    return false;
}

bool FlushAndRename(const std::wstring& tempPath, const std::wstring& path, DWORD moveFlags)
{
    if (FlushToDisk(tempPath) && MoveFileExW(tempPath.c_str(), path.c_str(), moveFlags | MOVEFILE_WRITE_THROUGH))
        return true;
    return DiscardTempFile(tempPath);
}

} // namespace

bool operator==(const FileStamp& a, const FileStamp& b)
{
    return a.size == b.size && a.writeTime == b.writeTime;
}

bool ReadFileStamp(const std::wstring& path, FileStamp& stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    stamp.writeTime = (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool ReadWholeFile(const std::wstring& path, uint64_t maxBytes, std::string& bytes)
{
    bytes.clear();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FileCloser closer{file};
    LARGE_INTEGER size;
    // A DWORD read moves the largest file a caller allows in one call.
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > maxBytes ||
        size.QuadPart > MAXDWORD)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        bytes.clear();
        return false;
    }
    return true;
}

FileWriteOutcome WriteAllBytes(const std::wstring& path, std::string_view bytes)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FileWriteOutcome::CannotCreate;
    FileCloser closer{file};
    // Well below 4 GiB, so no count can wrap in a DWORD.
    constexpr size_t kLargestWrite = size_t{1} << 30;
    while (!bytes.empty()) {
        const DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), wanted, &written, nullptr) || written == 0 || written > wanted)
            return FileWriteOutcome::WriteFailed;
        bytes.remove_prefix(written);
    }
    return FileWriteOutcome::Written;
}

bool ReplaceWithTempFile(const std::wstring& tempPath, const std::wstring& path)
{
    if (IsReadOnlyFile(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return DiscardTempFile(tempPath);
    }
    return FlushAndRename(tempPath, path, MOVEFILE_REPLACE_EXISTING);
}

bool RenameTempFile(const std::wstring& tempPath, const std::wstring& path)
{
    return FlushAndRename(tempPath, path, 0);
}

bool WriteFileByReplacement(const std::wstring& path, std::string_view bytes, WholeFileWriter write,
                            const char* replaceError, std::string& error)
{
    const std::wstring tempPath = path + L".tmp";
    if (!write(tempPath, bytes, error)) {
        DeleteTempFile(tempPath);
        return false;
    }
    if (!ReplaceWithTempFile(tempPath, path)) {
        error = replaceError;
        return false;
    }
    return true;
}

void DeleteFilesMatching(const std::wstring& folder, const wchar_t* pattern)
{
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    FindCloser closer{find};
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteTempFile(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(find, &found));
}

bool DeleteTempFile(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return true;
    // Only the mark is in the way when the answer is access denied; a file
    // held open fails with a sharing violation, and its mark is left alone.
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !ClearReadOnlyMark(path))
        return false;
    if (DeleteFileW(path.c_str()))
        return true;
    SetFileAttributesW(path.c_str(), attributes);
    return false;
}

bool ClearReadOnlyMark(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return true;
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}
