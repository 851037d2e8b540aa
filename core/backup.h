// Copies of the database file under new, time-stamped names in the backups
// folder beside it. A backup is never deleted, pruned or overwritten, and
// every copy is one consistent database that a restore accepts.
#pragma once

#include <string>

// The user's backup, binderwell-YYYYMMDD-HHMMSS.db. Reports its outcome
// through the status sink in every case. True when the copy was made or
// there is no database to copy yet.
bool BackupNow();

// The program's own backup before a change that cannot be undone,
// binderwell-<tag>-YYYYMMDD-HHMMSS.db. True only when a complete copy
// exists. backupPath is set once the name is formed, also when the copy then
// fails (a short copy is left in place for the user to look at).
bool SafetyBackup(const std::wstring& tag, std::wstring& backupPath, std::string& error);

// SafetyBackup with the tag "pre-migration"; the program installs it as the
// pre-migration backup hook at start-up.
bool PreMigrationBackup(std::string& error);

// The file copy both backups make; true on success, with the system's error
// code left for GetLastError on failure. Tests replace it to stand for a
// copy that reports success yet ends short; null restores the real one.
using BackupFileCopyFn = bool (*)(const std::wstring& from, const std::wstring& to);
void SetBackupFileCopy(BackupFileCopyFn copy);
