#include "core/log.h"

#include "core/text.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

std::atomic<bool> DebugLogEnabled{false};

namespace {

// Guards everything below; always the innermost lock of the program.
std::mutex LogMutex;
FILE* logStream = nullptr;
std::wstring logPath;
std::wstring oldPath;
int64_t rotateBytes = kLogRotateBytes;
// After a rotation that could not move the file aside, the next try waits
// until the file has grown this far, so a file held open by another program
// does not cost a rename attempt on every line.
int64_t nextRotateTry = 0;

// Opens debug.log for appending, positioned at its end so that the size
// test sees the file's real length even before the first write.
FILE* OpenLogStream()
{
    FILE* stream = _wfopen(logPath.c_str(), L"ab");
    if (stream)
        _fseeki64(stream, 0, SEEK_END);
    return stream;
}

std::string LogTimestamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond, t.wMilliseconds);
    return stamp;
}

void RotateLogIfLarge()
{
    if (!logStream)
        return;
    const int64_t position = _ftelli64(logStream);
    if (position < rotateBytes || position < nextRotateTry)
        return;
    fclose(logStream);
    logStream = nullptr;
    DeleteFileW(oldPath.c_str());
    const bool moved = MoveFileW(logPath.c_str(), oldPath.c_str()) != 0;
    logStream = OpenLogStream();
    if (!logStream)
        return;
    if (!moved) {
        // The same large file goes on; saying it was rotated would be false.
        nextRotateTry = position + rotateBytes / 10 + 1;
        return;
    }
    nextRotateTry = 0;
    const std::string note = "[" + LogTimestamp() + "] === log rotated (previous saved as debug.log.old) ===\r\n";
    fwrite(note.data(), 1, note.size(), logStream);
    fflush(logStream);
}

void WriteLogText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(LogMutex);
    if (!logStream) {
        if (logPath.empty())
            return;
        logStream = OpenLogStream();
        if (!logStream)
            return;
    }
    RotateLogIfLarge();
    if (!logStream)
        return;
    // The stream buffers what it is given, so a short write often shows only
    // when the flush fails; either way the next line starts on a fresh open.
    if (fwrite(text.data(), 1, text.size(), logStream) != text.size() || fflush(logStream) != 0) {
        fclose(logStream);
        logStream = nullptr;
    }
}

void WriteLogLine(const std::string& text)
{
    WriteLogText("[" + LogTimestamp() + "] " + text + "\r\n");
}

} // namespace

void SetLogFolder(const std::wstring& folder)
{
    std::lock_guard<std::mutex> lock(LogMutex);
    // No folder means no log, never a debug.log in the drive's root.
    logPath = folder.empty() ? std::wstring() : folder + L"\\debug.log";
    oldPath = folder.empty() ? std::wstring() : folder + L"\\debug.log.old";
}

void SetLogRotateBytes(int64_t bytes)
{
    std::lock_guard<std::mutex> lock(LogMutex);
    rotateBytes = bytes;
    nextRotateTry = 0;
}

namespace {

// Formats into a string of exactly the measured length, so a line has no
// length limit; a failed format gives an empty text.
template <typename Char>
std::basic_string<Char> FormatArgs(const Char* format, va_list args, int (*measure)(const Char*, va_list),
                                   int (*print)(Char*, size_t, const Char*, va_list))
{
    std::basic_string<Char> text;
    va_list copy;
    va_copy(copy, args);
    const int length = measure(format, copy);
    va_end(copy);
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        if (print(text.data(), text.size(), format, args) == length)
            text.resize(static_cast<size_t>(length));
        else
            text.clear();
    }
    return text;
}

} // namespace

void Log(const char* format, ...)
{
    if (!DebugLogEnabled)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatArgs<char>(
        format, args, [](const char* f, va_list a) { return vsnprintf(nullptr, 0, f, a); },
        [](char* out, size_t size, const char* f, va_list a) { return vsnprintf(out, size, f, a); });
    va_end(args);
    WriteLogLine(text);
}

void LogW(const wchar_t* format, ...)
{
    if (!DebugLogEnabled)
        return;
    // The C runtime's own wide formatter: "%ls" is a wide and "%hs" a byte
    // string in it, whichever printf family the compiler would pick.
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatArgs<wchar_t>(
        format, args, [](const wchar_t* f, va_list a) { return _vscwprintf(f, a); },
        [](wchar_t* out, size_t size, const wchar_t* f, va_list a) { return _vsnwprintf(out, size, f, a); });
    va_end(args);
    WriteLogLine(WideToUtf8(text));
}

void LogSection(const char* name)
{
    if (!DebugLogEnabled)
        return;
    WriteLogText("\r\n===== [" + LogTimestamp() + "] " + (name ? name : "") + " =====\r\n");
}

void CloseDebugLog()
{
    std::lock_guard<std::mutex> lock(LogMutex);
    if (logStream) {
        fclose(logStream);
        logStream = nullptr;
    }
}
