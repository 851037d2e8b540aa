#include "tests/support/https_test_server.h"

#include "core/output.h"
#include "core/text.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

namespace {

std::wstring Quoted(const char* text)
{
    return L"\"" + Utf8ToWide(text) + L"\"";
}

std::string AnswerJson(const ScriptedAnswer& answer)
{
    std::string json = "{\"status\":" + std::to_string(answer.status);
    if (!answer.file.empty())
        json += ",\"file\":\"" + JsonEsc(answer.file) + "\"";
    else if (answer.size >= 0)
        json += ",\"size\":" + std::to_string(answer.size);
    else
        json += ",\"body\":\"" + JsonEsc(answer.body) + "\"";
    return json + ",\"mode\":\"" + JsonEsc(answer.mode) + "\",\"delay\":" + std::to_string(answer.delay) +
           ",\"pause\":" + std::to_string(answer.pause) + "}";
}

} // namespace

std::string WineUnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

ScriptedAnswer Reply(int status, std::string body) { return {status, std::move(body), "", -1, ""}; }
ScriptedAnswer ReplyOfSize(long long size, std::string mode) { return {200, "", "", size, std::move(mode)}; }
ScriptedAnswer ReplyFromFile(std::string file) { return {200, "", std::move(file), -1, ""}; }
ScriptedAnswer NoAnswer() { return {0, "", "", -1, "hangup"}; }

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
    std::string routes;
    for (const auto& route : routes_) {
        routes += (routes.empty() ? "{\"" : ",\"") + JsonEsc(route.first) + "\":[";
        for (size_t i = 0; i < route.second.size(); ++i)
            routes += (i ? "," : "") + AnswerJson(route.second[i]);
        routes += "]";
    }
    WriteFileBytes(folder_ + L"\\routes.json", routes.empty() ? "{}" : routes + "}");

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
    // "handles" are stray values that must not be closed. The server says
    // it is ready through its port file instead.
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

std::vector<RecordedRequest> HttpsTestServer::Requests() const
{
    std::vector<RecordedRequest> requests;
    std::istringstream lines(ReadFileBytes(folder_ + L"\\requests.log"));
    for (std::string line; std::getline(lines, line);)
        requests.push_back({line});
    return requests;
}
