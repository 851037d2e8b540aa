// The program's only network code: blocking HTTPS GET requests on a WinHTTP
// session with fixed settings, streamed into a file (card images) or into
// memory (the card-data repository's documents). Only HTTPS is spoken and
// only status 200 counts. A session serves one thread at a time.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <memory>
#include <string>

struct HttpHandleCloser {
    void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
// A WinHTTP session, connection or request, closed when let go.
using HttpHandle = std::unique_ptr<void, HttpHandleCloser>;
// One session; whoever opens it closes it.
using HttpSession = HttpHandle;

constexpr wchar_t kHttpUserAgent[] = L"KovBinderwell/1.0";
// Bounds on what one download may put on the disk or into memory.
constexpr uint64_t kHttpMaxFileBytes = 20971520;    // 20 MiB
constexpr uint64_t kHttpMaxMemoryBytes = 50331648;  // 48 MiB

// A session with the program's user agent, the default proxy, synchronous
// calls and time-outs of 8 s (resolve, connect), 12 s (send) and 20 s
// (receive). Null when WinHTTP cannot open one.
HttpSession OpenHttpSession();

// True when the whole body of a 200 answer is in the file at path. The file
// is created only after a 200 status and deleted on any later failure, so a
// false result never leaves a partial or empty file of this call's making.
bool HttpGetToFile(HINTERNET session, const std::string& url, const std::wstring& path);

// True when body holds the whole body of a 200 answer; body is empty on
// false. A non-empty apiKey is sent as one "X-Api-Key" header. When status is
// given it receives the HTTP status code, or 0 when none was obtained (a bad
// or non-HTTPS URL, no connection, a failed send or receive).
bool HttpGetToMemory(HINTERNET session, const std::string& url, const std::string& apiKey, std::string& body,
                     uint32_t* status);
