// Benchmark of the store page (not a test): 5,000 in-stock cards with one to
// three conditions each, without self-hosted images, written by
// WriteStorePage into a temporary folder. Prints the time of each round and
// the sizes of the files. Run on demand:
//   build/wine-run.sh build/bench/store_page_bench.exe
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/settings.h"
#include "publish/store_page.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Cards = 5000;
constexpr int Rounds = 5;
constexpr double TargetMs = 300.0;

bool Fill(sqlite3* db, std::string& error)
{
    const char* const conditions[] = {"Mint", "Near Mint", "Played"};
    const char* const variants[] = {"Standard", "Holo", "Reverse Holo"};
    if (!CreateCatalogueTable(db, error) || !ExecSql(db, "BEGIN;", error))
        return false;
    StmtHandle card = PrepareStmt(db,
                                  "INSERT INTO catalogue (card_id,name,set_id,set_name,number,rarity,img_small,"
                                  "img_large) VALUES (?,?,?,?,?,?,?,?);",
                                  error);
    StmtHandle stock =
        PrepareStmt(db, "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,?,?,?,?);", error);
    if (!card || !stock)
        return false;
    for (int i = 0; i < Cards; ++i) {
        const std::string id = "sv" + std::to_string(i / 200) + "-" + std::to_string(i % 200 + 1);
        const std::string set = "Scarlet & Violet \xE2\x80\x94 Set " + std::to_string(i / 200);
        const std::string values[] = {id,
                                      "Pok\xC3\xA9mon card \"" + std::to_string(i) + "\" ex",
                                      "sv" + std::to_string(i / 200),
                                      set,
                                      std::to_string(i % 200 + 1),
                                      i % 7 ? "Common" : "Double Rare",
                                      "https://images.example/" + id + ".png",
                                      "https://images.example/" + id + "_hires.png"};
        sqlite3_reset(card.get());
        for (int c = 0; c < 8; ++c)
            BindText(card.get(), c + 1, values[c]);
        if (!StepDone(card.get(), error))
            return false;
        for (int k = 0; k <= i % 3; ++k) {
            sqlite3_reset(stock.get());
            BindText(stock.get(), 1, id);
            BindText(stock.get(), 2, variants[(i + k) % 3]);
            BindText(stock.get(), 3, conditions[k]);
            sqlite3_bind_int(stock.get(), 4, 1 + (i + k) % 5);
            sqlite3_bind_double(stock.get(), 5, 0.25 * ((i * 7 + k) % 800));
            if (!StepDone(stock.get(), error))
                return false;
        }
    }
    return ExecSql(db, "COMMIT;", error);
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int wmain()
{
    wchar_t temp[MAX_PATH + 1];
    std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
    folder += L"binderwell-store-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring dbPath = folder + L"\\bench.db";

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !Fill(db.get(), error)) {
        fprintf(stderr, "setting up failed: %s\n", error.c_str());
        return 1;
    }
    StoreSettings settings;
    InitDefaultStoreSettings(settings);

    std::vector<double> times;
    int32_t count = 0;
    for (int round = 0; round < Rounds; ++round) {
        std::string message;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = WriteStorePage(db.get(), folder, false, settings, count, message, nullptr, nullptr, nullptr);
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            fprintf(stderr, "WriteStorePage failed: %s\n", message.c_str());
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        printf("round %d: %.1f ms\n", round + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    printf("WriteStorePage, %d cards, no images: best %.1f ms, median %.1f ms (target under %.0f ms)\n", count,
           times.front(), times[times.size() / 2], TargetMs);
    printf("index.html %lld bytes, cards.json %lld bytes\n", FileSize(folder + L"\\index.html"),
           FileSize(folder + L"\\cards.json"));

    db.reset();
    for (const wchar_t* name : {L"\\index.html", L"\\cards.json", L"\\bench.db"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    return times[times.size() / 2] < TargetMs ? 0 : 1;
}
