// Database files built by hand for the tests, as older builds or damage
// left them, and plain reads of what a file holds.
#pragma once

#include <string>
#include <vector>

// A file at the given schema version (0 to 6), made the way that version's
// build made it; version 0 has the inventory of the oldest builds.
void MakeDatabaseAt(const std::wstring& path, int version);

// Runs SQL on the file (created when missing) and closes it again.
void RunSql(const std::wstring& path, const char* sql);

// Every row of a query, its columns joined with '|', NULL as "NULL".
std::vector<std::string> QueryRows(const std::wstring& path, const char* sql);

// The names and sizes of every file under a folder, for telling whether
// anything was written there.
std::vector<std::wstring> ListFiles(const std::wstring& folder);
