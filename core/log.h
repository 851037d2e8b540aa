// The debug log: debug.log in the program folder, one time-stamped line per
// event, flushed at once, rotated to debug.log.old at 50 MiB. Safe on any
// thread. Never reports a failure: a line that cannot be written is lost.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Off until start-up reads the user's preference; read without a lock.
extern std::atomic<bool> DebugLogEnabled;

// Sets where debug.log and debug.log.old live. Until it is called, or after
// it is called with an empty folder, every line is dropped.
void SetLogFolder(const std::wstring& folder);

// printf-style. External text (SQLite messages, ids, paths, server text) is
// always an argument, never the format.
void Log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// Wide printf-style: "%ls" takes a wide string and "%hs" a UTF-8 byte
// string; log.cpp lists the conversions it understands.
void LogW(const wchar_t* format, ...);
// An empty line, then "===== [time] name =====". A null name counts as empty.
void LogSection(const char* name);

// Closes the file; the next line opens it again.
void CloseDebugLog();

// The size at which debug.log is rotated; 52,428,800 bytes unless a test
// sets a smaller one.
constexpr int64_t kLogRotateBytes = 52428800;
void SetLogRotateBytes(int64_t bytes);
