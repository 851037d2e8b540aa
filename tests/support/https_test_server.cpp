#include "tests/support/https_test_server.h"

#include "core/json.h"
#include "core/output.h"
#include "core/text.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

std::wstring Quoted(const char* text)
{
    return L"\"" + Utf8ToWide(text) + L"\"";
}

std::string AnswerJson(const ScriptedAnswer& answer)
{
    std::ostringstream json;
    json << "{\"status\":" << answer.status;
    if (!answer.file.empty())
        json << ",\"file\":\"" << JsonEsc(answer.file) << "\"";
    else if (answer.size >= 0)
        json << ",\"size\":" << answer.size;
    else
        json << ",\"body\":\"" << JsonEsc(answer.body) << "\"";
    if (!answer.mode.empty())
        json << ",\"mode\":\"" << JsonEsc(answer.mode) << "\"";
    json << "}";
    return json.str();
}

bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::string WineUnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return std::string();
    char* unixPath = toUnix(path.c_str());
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

ScriptedAnswer Reply(int status, std::string body, std::string mode)
{
    ScriptedAnswer answer;
    answer.status = status;
    answer.body = std::move(body);
    answer.mode = std::move(mode);
    return answer;
}

ScriptedAnswer ReplyOfSize(long long size, std::string mode)
{
    ScriptedAnswer answer;
    answer.size = size;
    answer.mode = std::move(mode);
    return answer;
}

ScriptedAnswer ReplyFromFile(std::string file)
{
    ScriptedAnswer answer;
    answer.file = std::move(file);
    return answer;
}

int RecordedRequest::HeaderCount(const std::string& name) const
{
    return static_cast<int>(std::count_if(headers.begin(), headers.end(),
                                          [&](const auto& header) { return SameName(header.first, name); }));
}

std::string RecordedRequest::Header(const std::string& name) const
{
    std::string value;
    for (const auto& header : headers) {
        if (SameName(header.first, name))
            value = header.second;
    }
    return value;
}

void HttpsTestServer::Route(const std::string& path, std::vector<ScriptedAnswer> answers)
{
    routes_.emplace_back(path, std::move(answers));
}

void HttpsTestServer::AddFile(const std::string& name, const std::string& bytes)
{
    WriteFileBytes(folder_ + L"\\" + Utf8ToWide(name), bytes);
}

bool HttpsTestServer::Start()
{
    std::string routes = "{";
    for (const auto& route : routes_) {
        if (routes.size() > 1)
            routes += ",";
        routes += "\"" + JsonEsc(route.first) + "\":[";
        for (size_t i = 0; i < route.second.size(); ++i)
            routes += (i ? "," : "") + AnswerJson(route.second[i]);
        routes += "]";
    }
    routes += "}";
    WriteFileBytes(folder_ + L"\\routes.json", routes);

    const std::string folder = WineUnixPath(folder_);
    if (folder.empty()) {
        ADD_FAILURE() << "the test server needs Wine's unix path of the test folder";
        return false;
    }
    std::wstring command = Quoted("/usr/bin/python3") + L" " + Quoted(BINDERWELL_HTTPS_SERVER_SCRIPT) + L" " +
                           Quoted(folder.c_str()) + L" " + Quoted(BINDERWELL_TEST_CA_DIR) + L" " +
                           Quoted(BINDERWELL_WINE_RUN) + L" " + Quoted(BINDERWELL_TRUST_TEST_CA);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Wine runs a unix program detached and fills none of process: its
    // "handles" are stray values, and closing one closed a handle of this
    // process (the registry key behind the certificate store). The server
    // says it is ready through its port file instead.
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start the test server (" << GetLastError() << ")";
        return false;
    }
    started_ = true;

    // The first start in a build makes the CA and trusts it in the prefix.
    const std::wstring portFile = folder_ + L"\\port";
    for (int waited = 0; waited < 60000; waited += 50) {
        if (FileExists(portFile)) {
            port_ = std::atoi(ReadFileBytes(portFile).c_str());
            return port_ > 0;
        }
        Sleep(50);
    }
    ADD_FAILURE() << "the test server did not start";
    return false;
}

HttpsTestServer::~HttpsTestServer()
{
    if (!started_)
        return;
    WriteFileBytes(folder_ + L"\\stop", "");
    for (int waited = 0; waited < 3000 && !FileExists(folder_ + L"\\stopped"); waited += 50)
        Sleep(50);
}

std::string HttpsTestServer::Host() const
{
    return "localhost:" + std::to_string(port_);
}

std::string HttpsTestServer::Url(const std::string& path) const
{
    return "https://" + Host() + path;
}

std::vector<RecordedRequest> HttpsTestServer::Requests() const
{
    std::vector<RecordedRequest> requests;
    std::istringstream lines(ReadFileBytes(folder_ + L"\\requests.jsonl"));
    std::string line;
    while (std::getline(lines, line)) {
        JsonValue entry;
        std::string error;
        if (!ParseJson(line, entry, error)) {
            ADD_FAILURE() << "bad request record: " << error;
            continue;
        }
        RecordedRequest request;
        request.path = JsonGetString(entry, "path");
        if (const JsonValue* headers = JsonFindMember(entry, "headers")) {
            for (const JsonValue& pair : headers->items) {
                if (pair.items.size() == 2)
                    request.headers.emplace_back(pair.items[0].string, pair.items[1].string);
            }
        }
        requests.push_back(std::move(request));
    }
    return requests;
}
