// Benchmark of the exports (not a test): a temporary database of 20,000
// catalogue cards in 170 sets. The stock CSV of 20,000 sale-stock rows with
// locations, and the card-list CSV of 20,000 checked cards, once with every
// checked card in stock and once with half of them holding nothing (each of
// those looked up in the catalogue), each built and written to a file the
// way the menu commands do. Prints the time of each round. Run on demand:
//   build/wine-run.sh build/bench/export_bench.exe
#include "bench/bench_random.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "publish/export_card_list.h"
#include "publish/export_file.h"
#include "publish/export_stock.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Cards = 20000;
constexpr int Sets = 170;
constexpr int Rounds = 5;
constexpr double TargetMs = 300.0;

std::string CardId(int i)
{
    return "set" + std::to_string(i % Sets) + "-" + std::to_string(i / Sets + 1);
}

// Every card in the catalogue; one sale row per card for the cards that
// inStock selects, with a location on every third.
bool Fill(sqlite3* db, const std::function<bool(int)>& inStock, std::string& error)
{
    const char* const conditions[] = {"Mint", "Near Mint", "Played"};
    const char* const variants[] = {"Standard", "Holo", "Reverse Holo"};
    const char* const rarities[] = {"Common", "Uncommon", "Rare", "Rare Holo", "Double Rare"};
    if (!ExecSql(db, "BEGIN; DELETE FROM inventory; DELETE FROM variant_location; DELETE FROM catalogue;", error))
        return false;
    StmtHandle card = PrepareStmt(db,
                                  "INSERT INTO catalogue (card_id,name,set_id,set_name,number,set_total,rarity) "
                                  "VALUES (?,?,?,?,?,?,?);",
                                  error);
    StmtHandle stock =
        PrepareStmt(db, "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,?,?,?,?);", error);
    StmtHandle location = PrepareStmt(
        db, "INSERT INTO variant_location (ledger,card_id,variant,location) VALUES ('sale',?,?,?);", error);
    if (!card || !stock || !location)
        return false;
    Random random{42};
    for (int i = 0; i < Cards; ++i) {
        const std::string id = CardId(i);
        const int set = i % Sets;
        const std::string values[] = {id,
                                      "Pok\xC3\xA9mon \"" + std::to_string(random.Below(5000)) + "\", ex",
                                      "set" + std::to_string(set),
                                      "Scarlet & Violet \xE2\x80\x94 Set " + std::to_string(set),
                                      std::to_string(i / Sets + 1),
                                      "200",
                                      rarities[random.Below(5)]};
        sqlite3_reset(card.get());
        for (int c = 0; c < 7; ++c)
            BindText(card.get(), c + 1, values[c]);
        if (!StepDone(card.get(), error))
            return false;
        if (!inStock(i))
            continue;
        const char* variant = variants[random.Below(3)];
        sqlite3_reset(stock.get());
        BindText(stock.get(), 1, id);
        BindText(stock.get(), 2, variant);
        BindText(stock.get(), 3, conditions[random.Below(3)]);
        sqlite3_bind_int(stock.get(), 4, 1 + random.Below(9));
        sqlite3_bind_double(stock.get(), 5, 0.25 * random.Below(800));
        if (!StepDone(stock.get(), error))
            return false;
        if (i % 3 == 0) {
            sqlite3_reset(location.get());
            BindText(location.get(), 1, id);
            BindText(location.get(), 2, variant);
            BindText(location.get(), 3, "Binder " + std::to_string(random.Below(40)) + ", page " +
                                            std::to_string(random.Below(20)));
            if (!StepDone(location.get(), error))
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

// Runs build-and-write Rounds times; prints each round and the median.
// False when a round fails or the median misses the target.
bool Measure(const char* what, const std::wstring& path, const std::function<std::string(std::string&)>& build)
{
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        const std::string text = build(error);
        const bool written = !text.empty() && WriteExportFile(path, text) == ExportFileOutcome::Written;
        const auto end = std::chrono::steady_clock::now();
        if (!written) {
            fprintf(stderr, "%s failed: %s\n", what, error.c_str());
            return false;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    printf("%s: best %.1f ms, median %.1f ms, %lld bytes (target under %.0f ms: %s)\n", what, times.front(), median,
           FileSize(path), TargetMs, median < TargetMs ? "met" : "MISSED");
    return median < TargetMs;
}

} // namespace

int wmain()
{
    wchar_t temp[MAX_PATH + 1];
    std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
    folder += L"binderwell-export-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring dbPath = folder + L"\\bench.db";
    const std::wstring csvPath = folder + L"\\export.csv";

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !CreateCatalogueTable(db.get(), error)) {
        fprintf(stderr, "setting up failed: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::string> allCards;
    for (int i = 0; i < Cards; ++i)
        allCards.push_back(CardId(i));
    // Checked in catalogue order, as the grid hands them over.
    std::sort(allCards.begin(), allCards.end());

    bool met = true;
    if (!Fill(db.get(), [](int) { return true; }, error)) {
        fprintf(stderr, "setting up failed: %s\n", error.c_str());
        return 1;
    }
    met &= Measure("stock CSV, 20,000 sale rows", csvPath,
                   [&](std::string& err) { return BuildStockCsvBackup(db.get(), err, Ledger::Sale); });
    met &= Measure("card-list CSV, 20,000 checked cards all in stock", csvPath, [&](std::string& err) {
        return BuildStockExport(db.get(), allCards, ExportFormat::Csv, err, Ledger::Sale);
    });
    if (!Fill(db.get(), [](int i) { return i % 2 == 0; }, error)) {
        fprintf(stderr, "setting up failed: %s\n", error.c_str());
        return 1;
    }
    met &= Measure("card-list CSV, 20,000 checked cards, 10,000 without stock", csvPath, [&](std::string& err) {
        return BuildStockExport(db.get(), allCards, ExportFormat::Csv, err, Ledger::Sale);
    });

    db.reset();
    for (const wchar_t* name : {L"\\export.csv", L"\\bench.db"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    return met ? 0 : 1;
}
