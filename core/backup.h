// Copies of the database file under new, time-stamped names in the backups
// folder beside it. A backup is never deleted, pruned or overwritten, and
// every copy is one consistent database that a restore accepts. Each copy
// is written under its final name with ".tmp" appended, which no "*.db"
// matches, and takes the final name only once it is whole, so a file named
// like a backup is always a complete one. A failed copy deletes its
// temporary file; one that a killed run left is deleted by the next backup.
#pragma once

#include <string>

// The user's backup, binderwell-YYYYMMDD-HHMMSS.db. Reports its outcome
// through the status sink in every case. True when the copy was made or
// there is no database to copy yet.
bool BackupNow();

// The program's own backup before a change that cannot be undone,
// binderwell-<tag>-YYYYMMDD-HHMMSS.db, with "-2", "-3" and so on before
// ".db" when an earlier backup of the same second has the name. True only
// when a complete copy exists, at backupPath; on failure nothing is left
// under that name or beside it.
bool SafetyBackup(const std::wstring& tag, std::wstring& backupPath, std::string& error);

// SafetyBackup with the tag "pre-migration"; the program installs it as the
// pre-migration backup hook at start-up. An upgrade that fails is tried
// again at every open, so each state of the file (the schema version it
// was found at, its size and last-write time) is copied once per run: while
// the file and the copy made of it are unchanged, that copy stands.
bool PreMigrationBackup(int version, std::string& error);

// The file copy every backup and the restore's staging make, to a name that
// is not taken (a file already there fails the copy); true on success, with
// the system's error code left for GetLastError on failure. It goes through
// the copy installed below. The copy never keeps the read-only mark of a
// read-only database: the program flushes, renames or deletes it next, and
// the mark would refuse all three to a user who is not an administrator.
bool CopyDatabaseFile(const std::wstring& from, const std::wstring& to);

// Tests replace the copy to stand for one that reports success yet ends
// short, or that breaks off part-way; null restores the real one.
using BackupFileCopyFn = bool (*)(const std::wstring& from, const std::wstring& to);
void SetBackupFileCopy(BackupFileCopyFn copy);
