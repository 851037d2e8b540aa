#include "core/http.h"

#include "core/text.h"

#include <vector>

namespace {

// The handles of one request; members go in reverse order, so the request
// is closed before its connection.
struct RequestHandles {
    HttpHandle connection;
    HttpHandle request;
};

struct FileCloser {
    HANDLE file;
    ~FileCloser()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

// Sends a secure GET for url and waits for the answer's headers. status
// receives the answer's code, or stays 0 when no answer was read. False when
// no request could be made or no 200 answer came.
bool SendGet(HINTERNET session, const std::string& url, DWORD partLimit, const std::wstring& headers,
             RequestHandles& handles, uint32_t& status)
{
    status = 0;
    if (!session)
        return false;
    const std::wstring wideUrl = Utf8ToWide(url);
    if (wideUrl.empty())
        return false;
    std::vector<wchar_t> host(256), path(partLimit), extra(partLimit);
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = partLimit;
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = partLimit;
    if (!WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts))
        return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    const std::wstring requestPath = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                     std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    handles.connection.reset(WinHttpConnect(session, host.data(), parts.nPort, 0));
    if (!handles.connection)
        return false;
    handles.request.reset(WinHttpOpenRequest(handles.connection.get(), L"GET", requestPath.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             WINHTTP_FLAG_SECURE));
    if (!handles.request)
        return false;
    const wchar_t* headerText = headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str();
    const DWORD headerLength = headers.empty() ? 0 : static_cast<DWORD>(-1);
    if (!WinHttpSendRequest(handles.request.get(), headerText, headerLength, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(handles.request.get(), nullptr))
        return false;

    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!WinHttpQueryHeaders(handles.request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX))
        code = 0;
    status = code;
    return code == 200;
}

// A body that ends before the length its answer announced was cut off (a
// dropped connection), whatever the end of data looked like to WinHTTP.
bool BodyIsComplete(HINTERNET request, uint64_t received)
{
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return true;  // no length announced (chunked): the end of data is the end
    wchar_t* end = nullptr;
    const unsigned long long announced = wcstoull(text, &end, 10);
    return end != text && *end == L'\0' && announced == received;
}

// Streams the body into the open file; false on any read or write failure,
// or when the body would pass the file limit.
bool StreamBodyToFile(HINTERNET request, HANDLE file)
{
    uint64_t written = 0;
    std::vector<char> chunk;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return false;
        if (available == 0)
            return BodyIsComplete(request, written);
        if (written + available > kHttpMaxFileBytes)
            return false;
        chunk.assign(available, 0);
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), available, &read) || read == 0)
            return false;
        DWORD put = 0;
        if (!WriteFile(file, chunk.data(), read, &put, nullptr) || put != read)
            return false;
        written += read;
    }
}

bool ReadBodyToMemory(HINTERNET request, std::string& body)
{
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return false;
        if (available == 0)
            return BodyIsComplete(request, body.size());
        if (body.size() + available > kHttpMaxMemoryBytes)
            return false;
        const size_t start = body.size();
        body.resize(start + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, &body[start], available, &read) || read == 0)
            return false;
        body.resize(start + read);
    }
}

} // namespace

HttpSession OpenHttpSession()
{
    HttpSession session(WinHttpOpen(kHttpUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (session)
        WinHttpSetTimeouts(session.get(), 8000, 8000, 12000, 20000);
    return session;
}

bool HttpGetToFile(HINTERNET session, const std::string& url, const std::wstring& path)
{
    RequestHandles handles;
    uint32_t status = 0;
    if (!SendGet(session, url, 1024, std::wstring(), handles, status))
        return false;
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FileCloser closer{file};
    if (StreamBodyToFile(handles.request.get(), file))
        return true;
    CloseHandle(file);
    closer.file = INVALID_HANDLE_VALUE;
    DeleteFileW(path.c_str());
    return false;
}

bool HttpGetToMemory(HINTERNET session, const std::string& url, const std::string& apiKey, std::string& body,
                     uint32_t* status)
{
    body.clear();
    if (status)
        *status = 0;
    std::wstring headers;
    if (!apiKey.empty())
        headers = L"X-Api-Key: " + Utf8ToWide(apiKey) + L"\r\n";
    RequestHandles handles;
    uint32_t code = 0;
    const bool answered = SendGet(session, url, 2048, headers, handles, code);
    if (status)
        *status = code;
    if (!answered)
        return false;
    if (ReadBodyToMemory(handles.request.get(), body))
        return true;
    body.clear();
    body.shrink_to_fit();
    return false;
}
