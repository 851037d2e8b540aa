// The program folder: the folder of the running executable, home of every
// data file (database, settings, log, backups, image cache).
#pragma once

#include <string>
#include <string_view>

// The program folder without a trailing separator. Empty when the
// executable's path cannot be read or holds no folder; callers treat that as
// a failure rather than fall back to some other folder.
std::wstring GetExeDirectory();

// The text before the last '\' or '/' of a path; empty when it has neither.
std::wstring FolderOfPath(std::wstring_view path);
