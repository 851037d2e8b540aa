// Read-only looks at a database file that never change it: whether a file
// the user picked can stand in for binderwell.db, and whether the next open
// of binderwell.db is going to upgrade it.
#pragma once

#include <string>

// True when the file is a sound database of this program that this build
// can open. On false, error says why, in words fit to show the user after
// "That file can't be used as a backup:". The file is left exactly as it
// was: its header is read before SQLite opens it, so that a file SQLite
// would have to change just to read (WAL mode) is refused untouched.
bool ValidateDatabaseFile(const std::wstring& path, std::string& error);

// Whether the first OpenReadyDb of DatabasePath() is going to upgrade the
// file. version is its user_version, or -1 when the file cannot be opened
// or its version cannot be read (a first start, before any database exists).
bool DbNeedsUpgrade(int& version);
