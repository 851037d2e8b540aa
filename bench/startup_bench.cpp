// Benchmark of the program's start-up (not a test): starts binderwell.exe
// from a folder of its own, with an empty database and with one of 20,000
// catalogue cards, and prints the time to a painted main window (shown,
// and its message loop answering), its working set then, and the time
// until it has exited after a close (under Wine without a window manager
// that includes a two-second wait for the display to let go of the
// window). Target: under 1 s and under 80 MB. Run on demand, on a display:
//   build/wine-run.sh build/bench/startup_bench.exe
#include "core/db.h"
#include "core/schema.h"
#include "core/text.h"

#include "tests/support/process_window.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int Rounds = 3;
constexpr int CatalogueCards = 20000;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::wstring BuiltProgram()
{
    std::wstring path = L"Z:" + Utf8ToWide(BINDERWELL_EXE);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::wstring MakeProgramFolder(int round, const char* scenario)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder(temp, length);
    folder += L"bw-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + Utf8ToWide(scenario) + L"-" +
              std::to_wstring(round);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool MakeDatabase(const std::wstring& path, int cards)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(path, db, error)) {
        std::fprintf(stderr, "database: %s\n", error.c_str());
        return false;
    }
    if (cards == 0)
        return true;
    if (!ExecSql(db.get(),
                 "CREATE TABLE IF NOT EXISTS catalogue (  card_id   TEXT,  name      TEXT,  set_id    TEXT,  set_name  "
                 "TEXT,  series    TEXT,  number    TEXT,  set_total TEXT,  rarity    TEXT,  supertype TEXT,  img_small "
                 "TEXT,  img_large TEXT);"
                 "CREATE UNIQUE INDEX IF NOT EXISTS idx_catalogue_id ON catalogue(card_id);"
                 "CREATE INDEX IF NOT EXISTS idx_catalogue_set  ON catalogue(set_id);"
                 "CREATE INDEX IF NOT EXISTS idx_catalogue_name ON catalogue(name);BEGIN;",
                 error))
        return false;
    StmtHandle insert = PrepareStmt(db.get(),
                                    "INSERT INTO catalogue (card_id,name,set_id,set_name,series,number,set_total,"
                                    "rarity,supertype,img_small,img_large) VALUES (?,?,?,?,?,?,?,?,?,?,?);",
                                    error);
    if (!insert)
        return false;
    for (int i = 0; i < CatalogueCards; ++i) {
        const int set = i / 200;
        const std::string setId = "set" + std::to_string(set);
        const std::string fields[11] = {setId + "-" + std::to_string(i % 200 + 1),
                                        "Card name " + std::to_string(i),
                                        setId,
                                        "Set number " + std::to_string(set),
                                        "Series " + std::to_string(set / 10),
                                        std::to_string(i % 200 + 1),
                                        "200",
                                        i % 7 == 0 ? "Rare Holo" : "Common",
                                        "Pok\xC3\xA9mon",
                                        "https://images.example/" + setId + "/" + std::to_string(i) + ".png",
                                        "https://images.example/" + setId + "/" + std::to_string(i) + "_hires.png"};
        for (int f = 0; f < 11; ++f)
            BindText(insert.get(), f + 1, fields[f]);
        if (!StepDone(insert.get(), error))
            return false;
        sqlite3_reset(insert.get());
    }
    return ExecSql(db.get(), "COMMIT;", error);
}


void RunOnce(const char* scenario, int cards, int round)
{
    const std::wstring folder = MakeProgramFolder(round, scenario);
    const std::wstring program = folder + L"\\binderwell.exe";
    if (!CopyFileW(BuiltProgram().c_str(), program.c_str(), FALSE) ||
        !MakeDatabase(folder + L"\\binderwell.db", cards)) {
        std::fprintf(stderr, "cannot prepare %s\n", scenario);
        return;
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + program + L"\"";
    const Clock::time_point start = Clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start the program\n");
        return;
    }
    // Painted and running: the window is on screen and its message loop
    // has answered, which it does only after the first paint.
    HWND window = nullptr;
    while (!window && WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
        const HWND found = FindMainWindowOfProcess(process.dwProcessId);
        if (found && IsWindowVisible(found))
            window = found;
    }
    if (!window) {
        std::printf("%-22s round %d: no window; is another Binderwell running?\n", scenario, round);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 30000, &ignored);
    const double painted = MsSince(start);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));

    const Clock::time_point closing = Clock::now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    // A program left running would hold the single-instance mutex and turn
    // every later round into a second instance.
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    const double exited = MsSince(closing);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::printf("%-22s round %d: painted after %7.1f ms, working set %6.1f MB, exit %7.1f ms after close (code %lu)\n",
                scenario, round, painted, memory.WorkingSetSize / (1024.0 * 1024.0), exited, exitCode);
    for (const wchar_t* name : {L"\\binderwell.exe", L"\\binderwell.db", L"\\binderwell.db-journal", L"\\debug.log"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace

int wmain()
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("start-up of binderwell.exe, %d rounds each (target: painted under 1000 ms, under 80 MB)\n", Rounds);
    for (int round = 1; round <= Rounds; ++round)
        RunOnce("empty database", 0, round);
    for (int round = 1; round <= Rounds; ++round)
        RunOnce("20,000 catalogue cards", CatalogueCards, round);
    return 0;
}
