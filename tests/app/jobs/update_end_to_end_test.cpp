// The real program end to end: its menu command "Update catalogue online…"
// fills the catalogue from a generated repository of 170 sets under the
// progress window; Cancel stops it and keeps every committed set; the next
// run completes it; the one after adds nothing and downloads only the set
// list; the grid and the status line say so each time.
//
// The program asks for the repository by its fixed host name only. To lead
// that name to the tests' server on 127.0.0.1 without touching the
// machine's host table, the program gets a local CONNECT proxy as WinHTTP's
// default proxy, and the server's certificate names the repository's host.
// Wine's WinHTTP takes its default proxy from the registry value that
// "netsh winhttp set proxy" writes (HKLM ... Internet Settings\Connections,
// WinHttpSettings) when it is set, else from the process's http_proxy
// variable. The variable is used here: it reaches the one process started,
// where the registry value would reroute every program in the Wine prefix
// that the tests share.
#include "app/jobs/job_runner.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "core/catalogue_update.h"
#include "core/db.h"
#include "core/text.h"
#include "tests/app/jobs/test_repository.h"
#include "tests/support/https_test_server.h"
#include "tests/support/process_window.h"
#include "tests/support/test_folder.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSets = 170;
constexpr int kCardsPerSet = 12;

std::wstring Quoted(const std::string& text)
{
    return L"\"" + Utf8ToWide(text) + L"\"";
}

// The proxy, a program of the build machine that Wine starts detached.
class ConnectProxy {
public:
    explicit ConnectProxy(std::wstring folder) : folder_(std::move(folder)) {}
    ~ConnectProxy()
    {
        if (port_)
            WriteFileBytes(folder_ + L"\\stop", "");
    }

    bool Start(int serverPort)
    {
        std::wstring command = Quoted("/usr/bin/python3") + L" " + Quoted(BINDERWELL_CONNECT_PROXY) + L" " +
                               Quoted(WineUnixPath(folder_)) + L" " + Quoted(kCardDataHost) + L" " +
                               std::to_wstring(serverPort);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        for (int waited = 0; waited < 30000; waited += 50) {
            if (FileExists(folder_ + L"\\proxy-port")) {
                port_ = std::atoi(ReadFileBytes(folder_ + L"\\proxy-port").c_str());
                return port_ > 0;
            }
            Sleep(50);
        }
        return false;
    }

    int Port() const { return port_; }
    std::string Connects() const { return ReadFileBytes(folder_ + L"\\connects.log"); }

private:
    std::wstring folder_;
    int port_ = 0;
};

// The program started from its own folder with one more variable in its
// environment; ended when the test is, whatever happened.
class Program {
public:
    Program(const std::wstring& exe, const std::wstring& variable)
    {
        std::wstring environment;
        wchar_t* inherited = GetEnvironmentStringsW();
        for (const wchar_t* entry = inherited; *entry; entry += wcslen(entry) + 1)
            environment.append(entry).push_back(L'\0');
        FreeEnvironmentStringsW(inherited);
        environment.append(variable).push_back(L'\0');
        environment.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                  CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info_);
    }
    ~Program()
    {
        if (!started_)
            return;
        TerminateProcess(info_.hProcess, 99); // no effect once it has ended
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    DWORD ExitCode(DWORD waitMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, waitMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

// The text of another process's window, or of its status bar's one part.
std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

bool WaitFor(const std::function<bool()>& done, DWORD waitMs)
{
    for (const ULONGLONG end = GetTickCount64() + waitMs; GetTickCount64() < end; Sleep(5)) {
        if (done())
            return true;
    }
    return done();
}

int64_t CatalogueRows(const std::wstring& database)
{
    DbHandle db;
    std::string error;
    if (!OpenDb(database, db, error))
        return -1;
    StmtHandle count = PrepareStmt(db.get(), "SELECT COUNT(*) FROM catalogue;", error);
    return count && sqlite3_step(count.get()) == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : -1;
}

std::wstring CardsText(const wchar_t* lead, int64_t cards, const wchar_t* tail)
{
    return lead + std::to_wstring(cards) + L" new card" + (cards == 1 ? L"" : L"s") + tail;
}

TEST(UpdateEndToEnd, TheRealProgramFillsTheCatalogueThroughItsMenuCommand)
{
    TestFolder folder;
    const std::wstring exe = folder.File(L"binderwell.exe");
    std::wstring built = L"Z:" + Utf8ToWide(BINDERWELL_EXE);
    for (wchar_t& c : built)
        if (c == L'/')
            c = L'\\';
    ASSERT_TRUE(CopyFileW(built.c_str(), exe.c_str(), FALSE)) << "no built program";

    CreateDirectoryW(folder.File(L"repository").c_str(), nullptr);
    HttpsTestServer server(folder.File(L"repository"));
    ServeRepository(server, kSets, kCardsPerSet);
    ASSERT_TRUE(server.Start());
    ConnectProxy proxy(folder.Path());
    ASSERT_TRUE(proxy.Start(std::atoi(server.Host().substr(server.Host().find(':') + 1).c_str())));

    Program program(exe, L"http_proxy=http://127.0.0.1:" + std::to_wstring(proxy.Port()));
    ASSERT_TRUE(program.Started());
    // The window is there before its controls are; it is shown once they are.
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            main = FindProcessWindow(program.Id(), kMainWindowClass);
            return main && IsWindowVisible(main);
        },
        30000));
    HWND grid = GetDlgItem(main, IDC_GRID);
    HWND status = GetDlgItem(main, IDC_STATUS);
    ASSERT_TRUE(grid && status);
    const auto gridRows = [grid] { return static_cast<int64_t>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0)); };
    const auto progressWindow = [&program] { return FindProcessWindow(program.Id(), kProgressWindowClass); };
    const std::wstring database = folder.File(L"binderwell.db");

    // First run: cancelled once a score of sets is in.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_UPDATE_CATALOGUE, 0), 0);
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (progress = progressWindow()) != nullptr; }, 30000));
    EXPECT_EQ(TextOf(progress), L"Update catalogue");
    HWND label = GetWindow(progress, GW_CHILD);
    ASSERT_TRUE(WaitFor(
        [&] {
            int done = 0;
            return swscanf(TextOf(label).c_str(), L"Downloading\u2026  %d of 170 sets", &done) == 1 && done >= 20;
        },
        60000))
        << "the progress label reads " << WideToUtf8(TextOf(label));
    EXPECT_FALSE(IsWindowEnabled(main));
    const ULONGLONG clicked = GetTickCount64();
    PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(progress, IDC_PROGRESS_CANCEL)));
    // The owner comes back once the job has ended and its worker is joined.
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }, 20000));
    const ULONGLONG stoppedAfter = GetTickCount64() - clicked;
    std::printf("Cancel: the job stopped and gave the window back after %llu ms\n", stoppedAfter);
    EXPECT_LT(stoppedAfter, 5000u) << "a bound that catches a hang, not a speed target";
    ASSERT_TRUE(WaitFor([&] { return !progressWindow(); }, 10000));
    const int64_t kept = CatalogueRows(database);
    EXPECT_GE(kept, 20 * kCardsPerSet);
    EXPECT_LT(kept, kSets * kCardsPerSet);
    EXPECT_EQ(kept % kCardsPerSet, 0) << "a set was kept in part";
    EXPECT_EQ(TextOf(status), CardsText(L"Update cancelled \u2014 ", kept, L" kept"));
    EXPECT_EQ(gridRows(), kept);

    // Second run: the rest.
    const size_t requestsBefore = server.Requests().size();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_UPDATE_CATALOGUE, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return progressWindow() != nullptr; }, 30000));
    ASSERT_TRUE(WaitFor([&] { return !progressWindow() && IsWindowEnabled(main); }, 180000));
    const int64_t all = CatalogueRows(database);
    EXPECT_EQ(all, kSets * kCardsPerSet);
    EXPECT_EQ(TextOf(status), CardsText(L"Added ", all - kept, L""));
    EXPECT_EQ(gridRows(), all);
    EXPECT_EQ(server.Requests().size() - requestsBefore, 1 + static_cast<size_t>(kSets - kept / kCardsPerSet));

    // Third run: nothing to add, and only the set list is fetched.
    const size_t requestsDone = server.Requests().size();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_UPDATE_CATALOGUE, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return TextOf(status) == L"Added 0 new cards"; }, 60000))
        << "the status line reads " << WideToUtf8(TextOf(status));
    ASSERT_TRUE(WaitFor([&] { return !progressWindow() && IsWindowEnabled(main); }, 30000));
    const std::vector<std::string> requests = RequestedPaths(server);
    ASSERT_EQ(requests.size(), requestsDone + 1);
    EXPECT_EQ(requests.back(), kSetListPath);
    EXPECT_EQ(gridRows(), all);

    // Every request went through the proxy, to the repository's host alone.
    const std::string connects = proxy.Connects();
    EXPECT_NE(connects.find(std::string("CONNECT ") + kCardDataHost + ":443 "), std::string::npos);
    for (size_t at = connects.find("CONNECT "); at != std::string::npos; at = connects.find("CONNECT ", at + 1))
        EXPECT_EQ(connects.compare(at, 8 + strlen(kCardDataHost) + 4,
                                   std::string("CONNECT ") + kCardDataHost + ":443"),
                  0);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.ExitCode(30000), 0u);
}

} // namespace
