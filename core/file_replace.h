// Whole files (settings, store page, reports, exports) are read in one go
// and never rewritten in place: the content goes to the final name with
// ".tmp" appended and then takes the final name in one step, so a failed or
// interrupted write leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a file looks like from outside, read without opening it: cheap where
// opens are dear, and enough to tell that a file changed.
struct FileStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0; // FILETIME ticks
};
bool operator==(const FileStamp& a, const FileStamp& b);

// The stamp of a file; false when it is missing or a folder.
bool ReadFileStamp(const std::wstring& path, FileStamp& stamp);

// Every byte of the file; false when it cannot be opened, is larger than
// maxBytes, or ends before its size said (cut short while being read).
bool ReadWholeFile(const std::wstring& path, uint64_t maxBytes, std::string& bytes);

enum class FileWriteOutcome { Written, CannotCreate, WriteFailed };

// Creates or truncates the file (no sharing) and writes every byte, however
// many: one WriteFile call moves at most 4 GiB, so it is called in a loop and
// a call that moves nothing is a failure.
FileWriteOutcome WriteAllBytes(const std::wstring& path, std::string_view bytes);

// Puts a complete temporary file in place of path: the temporary file is
// first flushed to the disk, so that a power cut after the rename cannot
// bring back an empty file, and the rename itself is written through. On
// failure the temporary file is deleted, path is left as it was, and
// GetLastError gives the system's reason (access denied for a read-only
// path).
bool ReplaceWithTempFile(const std::wstring& tempPath, const std::wstring& path);

// ReplaceWithTempFile for a name that must not be taken yet: when path
// exists the rename fails (ERROR_ALREADY_EXISTS) and the file at path is
// left as it was. The temporary file is flushed first and deleted on
// failure in the same way.
bool RenameTempFile(const std::wstring& tempPath, const std::wstring& path);

// Writes bytes to path + ".tmp" with the given writer, whose error text is
// passed on, then replaces path with it; when the replacement fails the error
// is replaceError. The temporary file never outlives a failure.
using WholeFileWriter = bool (*)(const std::wstring& path, std::string_view bytes, std::string& error);
bool WriteFileByReplacement(const std::wstring& path, std::string_view bytes, WholeFileWriter write,
                            const char* replaceError, std::string& error);

// Deletes the files in folder whose names match pattern (wildcards as
// FindFirstFileW takes them): the temporary files a killed run left, which
// nothing will finish. Folders are left alone; a file that cannot be
// deleted, held open by someone at the moment, stays.
void DeleteFilesMatching(const std::wstring& folder, const wchar_t* pattern);

// Deletes a temporary file of ours, also one that a copy gave its source's
// read-only mark, which DeleteFileW alone refuses. A file held open against
// deletion stays as it was, mark and all. False when the file stays.
bool DeleteTempFile(const std::wstring& path);

// Takes the read-only mark off a file (true when it has none): CopyFileW
// carries the mark over from its source, and a copy that is ours to flush,
// rename or delete must not keep it.
bool ClearReadOnlyMark(const std::wstring& path);
