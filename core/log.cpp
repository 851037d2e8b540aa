#include "core/log.h"

#include "core/text.h"

#include <windows.h>

#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string_view>

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
std::string FormatArgs(const char* format, va_list args)
{
    std::string text;
    va_list copy;
    va_copy(copy, args);
    const int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        if (vsnprintf(text.data(), text.size(), format, args) == length)
            text.resize(static_cast<size_t>(length));
        else
            text.clear();
    }
    return text;
}

// One conversion of a LogW format, as read from it.
struct Conversion {
    std::string flags;
    int width = -1;     // none
    int precision = -1; // none
    std::string length;
    wchar_t type = 0;
};

// Widths and precisions past this are taken for a broken format.
constexpr int kLargestField = 1 << 20;

bool ReadField(const wchar_t*& p, int& value)
{
    value = 0;
    while (*p >= L'0' && *p <= L'9') {
        value = value * 10 + (*p++ - L'0');
        if (value > kLargestField)
            return false;
    }
    return true;
}

// Reads flags, width, precision and length after the '%', taking '*'
// fields from the arguments; false for what LogW does not understand.
bool ReadConversion(const wchar_t*& p, va_list& args, Conversion& c)
{
    while (*p && std::wcschr(L"-+ #0", *p))
        c.flags += static_cast<char>(*p++);
    if (*p == L'*') {
        ++p;
        c.width = va_arg(args, int);
        if (c.width < 0) {
            c.flags += '-';
            c.width = c.width == INT_MIN ? kLargestField + 1 : -c.width;
        }
    } else if (*p >= L'0' && *p <= L'9' && !ReadField(p, c.width)) {
        return false;
    }
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            ++p;
            c.precision = va_arg(args, int); // a negative one counts as none
            if (c.precision < 0)
                c.precision = -1;
        } else if (!ReadField(p, c.precision)) {
            return false;
        }
    }
    if (c.width > kLargestField || c.precision > kLargestField)
        return false;
    for (const char* length : {"hh", "h", "ll", "l", "I64", "z", "j", "t"}) {
        const size_t size = std::strlen(length);
        size_t i = 0;
        while (i < size && p[i] == static_cast<wchar_t>(length[i]))
            ++i;
        if (i == size) {
            c.length = length;
            p += size;
            break;
        }
    }
    c.type = *p;
    if (c.type)
        ++p;
    return true;
}

// Numbers and pointers go through the C runtime's own formatter, with the
// conversion exactly as written; their text is plain ASCII. The format is
// built here, from a conversion whose argument was taken with its own type,
// so the compiler has no literal to check it against.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename Value>
void AppendNumber(std::wstring& out, const Conversion& c, Value value)
{
    std::string spec = "%" + c.flags;
    if (c.width >= 0)
        spec += std::to_string(c.width);
    if (c.precision >= 0)
        spec += "." + std::to_string(c.precision);
    spec += c.length;
    spec += static_cast<char>(c.type);
    const int length = snprintf(nullptr, 0, spec.c_str(), value);
    if (length <= 0)
        return;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    snprintf(text.data(), text.size(), spec.c_str(), value);
    text.resize(static_cast<size_t>(length));
    out.append(text.begin(), text.end());
}
#pragma GCC diagnostic pop

void AppendPadded(std::wstring& out, const Conversion& c, std::wstring_view text)
{
    const size_t width = c.width > 0 ? static_cast<size_t>(c.width) : 0;
    const size_t pad = width > text.size() ? width - text.size() : 0;
    const bool left = c.flags.find('-') != std::string::npos;
    if (!left)
        out.append(pad, L' ');
    out += text;
    if (left)
        out.append(pad, L' ');
}

template <typename Signed, typename Unsigned>
bool AppendInteger(std::wstring& out, const Conversion& c, va_list& args)
{
    if (c.type == L'd' || c.type == L'i')
        AppendNumber(out, c, va_arg(args, Signed));
    else
        AppendNumber(out, c, va_arg(args, Unsigned));
    return true;
}

// Formats one conversion from the arguments; false, with nothing read, for
// a type LogW does not know, whose argument it could not take safely.
bool AppendConversion(std::wstring& out, const Conversion& c, va_list& args)
{
    const std::string& length = c.length;
    if (c.type == L's' && (length == "h" || length == "l")) {
        if (length == "h") {
            const char* text = va_arg(args, const char*);
            if (!text)
                text = "(null)";
            const size_t bytes = c.precision >= 0 ? strnlen(text, static_cast<size_t>(c.precision)) : strlen(text);
            AppendPadded(out, c, Utf8ToWide(std::string_view(text, bytes)));
        } else {
            const wchar_t* text = va_arg(args, const wchar_t*);
            if (!text)
                text = L"(null)";
            const size_t units =
                c.precision >= 0 ? wcsnlen(text, static_cast<size_t>(c.precision)) : wcslen(text);
            AppendPadded(out, c, std::wstring_view(text, units));
        }
        return true;
    }
    if (c.type && std::wcschr(L"diouxX", c.type)) {
        if (length.empty() || length == "h" || length == "hh")
            return AppendInteger<int, unsigned>(out, c, args);
        if (length == "l")
            return AppendInteger<long, unsigned long>(out, c, args);
        if (length == "ll" || length == "I64")
            return AppendInteger<long long, unsigned long long>(out, c, args);
        if (length == "z")
            return AppendInteger<ptrdiff_t, size_t>(out, c, args);
        if (length == "j")
            return AppendInteger<intmax_t, uintmax_t>(out, c, args);
        return AppendInteger<ptrdiff_t, size_t>(out, c, args);
    }
    if (c.type && std::wcschr(L"eEfFgGaA", c.type) && (length.empty() || length == "l")) {
        AppendNumber(out, c, va_arg(args, double));
        return true;
    }
    if (c.type == L'p' && length.empty()) {
        AppendNumber(out, c, va_arg(args, void*));
        return true;
    }
    return false;
}

// LogW's formatter. The C runtime would read a "%hs" argument in the
// system's code page, but every byte string of this program is UTF-8.
// It knows:
//   %%                          a percent sign;
//   %hs (UTF-8) and %ls (wide)  with '-', a width (padding to that many
//                               UTF-16 units) and a precision, which limits
//                               the bytes or units read, as in C; a null
//                               string reads "(null)";
//   d i o u x X with hh h l ll I64 z j t, e E f F g G a A with no length
//   or l, and p: every flag, width and precision, as the C runtime formats
//   them.
// A width or precision may be '*'. Anything else (a bare %s, %c, %n, a long
// double) has an argument whose type cannot be known for certain, so from
// there on the format is written as it stands and no argument is read.
std::wstring FormatLogW(const wchar_t* format, va_list args)
{
    std::wstring out;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        const wchar_t* start = p++;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Conversion c;
        if (!ReadConversion(p, args, c) || !AppendConversion(out, c, args)) {
            out += start;
            break;
        }
    }
    return out;
}

} // namespace

void Log(const char* format, ...)
{
    if (!DebugLogEnabled)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatArgs(format, args);
    va_end(args);
    WriteLogLine(text);
}

void LogW(const wchar_t* format, ...)
{
    if (!DebugLogEnabled)
        return;
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatLogW(format, args);
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
