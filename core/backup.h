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
// binderwell-<tag>-YYYYMMDD-HHMMSS.db, with "-2", "-3" and so on before
// ".db" when an earlier backup of the same second has the name. True only
// when a complete copy exists. backupPath is set once the name is formed,
// also when the copy then fails (a short copy is left in place for the user
// to look at).
bool SafetyBackup(const std::wstring& tag, std::wstring& backupPath, std::string& error);

// SafetyBackup with the tag "pre-migration"; the program installs it as the
// pre-migration backup hook at start-up. An upgrade that fails is tried
// again at every open, so each state of the file (the schema version it
// was found at, its size and last-write time) is copied once per run: while
// the file and the copy made of it are unchanged, that copy stands.
bool PreMigrationBackup(int version, std::string& error);

// The file copy both backups make; true on success, with the system's error
// code left for GetLastError on failure. Tests replace it to stand for a
// copy that reports success yet ends short; null restores the real one.
using BackupFileCopyFn = bool (*)(const std::wstring& from, const std::wstring& to);
void SetBackupFileCopy(BackupFileCopyFn copy);
