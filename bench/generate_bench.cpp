// Benchmark of the Generate command in the real main window (not a test): a
// program folder of its own with 5,000 catalogued cards in the sale stock,
// each one's picture already stored in the output folder's images\, so that
// the self-hosted run reuses every picture and downloads none. Prints the
// time from the menu command until it has set its status (the job's
// progress window included), next to the same command without self-hosted
// pictures. Target: the self-hosted run under 500 ms. Needs a display.
// Run on demand:  build/wine-run.sh build/bench/generate_bench.exe
#include "app/main/main_window.h"
#include "app/main/startup.h"
#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "bench/bench_database.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "publish/store_page.h"
#include "tests/support/test_images.h"
#include "ui/ui_calls.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Cards = 5000;
constexpr int Rounds = 7;
constexpr double TargetMs = 500.0;

using Clock = std::chrono::steady_clock;

std::wstring outputFolder;

std::wstring ChosenFolder(HWND, const wchar_t*)
{
    return outputFolder;
}

void OpenNothing(const wchar_t*) {}

int AnswerOk(HWND, const wchar_t*, const wchar_t*, UINT)
{
    return IDOK;
}

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

// The cards, their stock and their stored pictures. The links lead nowhere:
// a download tried by mistake fails at once and shows in the page.
bool BuildCards()
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error) || !CreateCatalogueTable(db.get(), error) ||
        !ExecSql(db.get(), "BEGIN;", error))
        return BenchFail("open", error);
    StmtHandle card = PrepareStmt(db.get(),
                                  "INSERT INTO catalogue (card_id, name, set_name, number, rarity, img_small) "
                                  "VALUES (?, ?, ?, ?, 'Common', ?);",
                                  error);
    StmtHandle stock = PrepareStmt(
        db.get(), "INSERT INTO inventory (card_id, variant, condition, qty, price) VALUES (?, 'Standard', ?, ?, ?);",
        error);
    if (!card || !stock)
        return BenchFail("prepare", error);
    const std::string picture = SolidPng(48, 64, 0x2060a0);
    const std::wstring images = outputFolder + L"\\images";
    CreateDirectoryW(images.c_str(), nullptr);
    for (int i = 0; i < Cards; ++i) {
        const std::string id = "gen" + std::to_string(i / 100) + "-" + std::to_string(i % 100 + 1);
        sqlite3_reset(card.get());
        BindText(card.get(), 1, id);
        BindText(card.get(), 2, "Bench card " + std::to_string(i));
        BindText(card.get(), 3, "Set " + std::to_string(i / 100));
        BindText(card.get(), 4, std::to_string(i % 100 + 1));
        BindText(card.get(), 5, "https://127.0.0.1:9/" + id + ".png");
        sqlite3_reset(stock.get());
        BindText(stock.get(), 1, id);
        BindText(stock.get(), 2, i % 3 == 0 ? "Mint" : "Near Mint");
        sqlite3_bind_int(stock.get(), 3, 1 + i % 4);
        sqlite3_bind_double(stock.get(), 4, 0.25 * (i % 40));
        if (!StepDone(card.get(), error) || !StepDone(stock.get(), error))
            return BenchFail("insert", error);
        if (!WriteBytes(images + L"\\" + Utf8ToWide(StoreImageStem(id)) + L".png", picture))
            return BenchFail("picture", "cannot write a stored picture");
    }
    card.reset();
    stock.reset();
    return ExecSql(db.get(), "COMMIT;", error) || BenchFail("commit", error);
}

// The page writer alone, self-hosted, on this thread without a window: how
// much of the command's time is the work itself.
bool TimeWriterAlone(std::vector<double>& times)
{
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(DatabasePath(), db, error))
        return BenchFail("open", error);
    StoreSettings settings;
    InitStoreSettings(settings);
    for (int r = 0; r < Rounds; ++r) {
        int32_t count = 0;
        const Clock::time_point start = Clock::now();
        if (!WriteStorePage(db.get(), outputFolder, true, settings, count, error, nullptr, nullptr, nullptr) ||
            count != Cards)
            return BenchFail("page", error);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Rounds of the command; false unless each ends with the whole page.
bool TimeGenerate(HWND main, std::vector<double>& times)
{
    const std::wstring expected = L"Generated store page for " + std::to_wstring(Cards) + L" in-stock card(s)";
    for (int r = 0; r < Rounds; ++r) {
        SetStatusText(L"");
        const Clock::time_point start = Clock::now();
        SendMessageW(main, WM_COMMAND, IDM_GENERATE_STORE, 0);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        Pump();
        if (StatusText() != expected) {
            std::printf("round %d ended with \"%ls\"\n", r + 1, StatusText().c_str());
            return false;
        }
    }
    return true;
}

// Every stored picture was reused: none of the page's cards links remotely.
bool EveryPictureReused()
{
    HANDLE file = CreateFileW((outputFolder + L"\\cards.json").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text.find("\"image\":\"https:") == std::string::npos;
}

void RemoveFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

int Run(HWND main)
{
    std::vector<double> quick, selfHosted, writer;
    if (!TimeGenerate(main, quick) || !TimeWriterAlone(writer))
        return 1;
    SendMessageW(main, WM_COMMAND, IDM_SELF_HOST_IMAGES, 0);
    if (!MainWindow().flags.selfHost || !TimeGenerate(main, selfHosted))
        return 1;
    if (!EveryPictureReused()) {
        std::printf("a stored picture was not reused\n");
        return 1;
    }
    std::printf("Generate, %d in-stock cards, real main window, %d rounds each\n", Cards, Rounds);
    std::printf("  without self-hosted pictures (this thread):       median %7.1f ms\n", Median(quick));
    const double median = Median(selfHosted);
    std::printf("  self-hosted, every picture stored already (job):  median %7.1f ms  (target under %.0f ms: %s)\n",
                median, TargetMs, median < TargetMs ? "met" : "NOT met");
    std::printf("  of which the page writer alone (no window):       median %7.1f ms\n", Median(writer));
    return 0;
}

} // namespace

int wmain()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    const std::wstring folder =
        std::wstring(temp) + L"binderwell-generate-bench-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        std::printf("no program folder\n");
        return 1;
    }
    outputFolder = folder + L"\\site";
    CreateDirectoryW(outputFolder.c_str(), nullptr);
    InstallDataServices(folder);
    Ui().browseForFolder = ChosenFolder;
    Ui().shellOpen = OpenNothing;
    Ui().messageBox = AnswerOk;
    int exitCode = 1;
    if (BuildCards()) {
        StartServices();
        HWND main = CreateMainWindow(GetModuleHandleW(nullptr));
        if (!main) {
            std::printf("the main window could not be created\n");
        } else {
            ShowWindow(main, SW_SHOW);
            UpdateWindow(main);
            Pump();
            exitCode = Run(main);
            DestroyWindow(main);
            Pump();
        }
        StopServices(false);
    }
    RemoveFolder(folder);
    return exitCode;
}
