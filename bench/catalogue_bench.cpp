// Benchmark of the grid query (not a test): builds a database of a large
// collector's size in a temporary file and times LoadCatalogueRows for both
// ledgers next to a bare ordered read of the catalogue on the same
// connection. Run on demand:  build/wine-run.sh build/bench/catalogue_bench.exe
#include "bench/bench_database.h"
#include "core/catalogue.h"
#include "core/schema.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace BenchDatabase;

namespace {

constexpr int Rounds = 7;

const char* const BareSql =
    "SELECT card_id, name, set_name, number, set_total, rarity FROM catalogue ORDER BY set_name, name, card_id";

// The bare ordered read, into rows as the grid query fills them, so the two
// differ only in what the query itself does.
bool BareRead(sqlite3* db, std::vector<CatalogueRow>& rows, bool convert)
{
    rows.clear();
    std::string error;
    StmtHandle stmt = PrepareStmt(db, BareSql, error);
    if (!stmt)
        return BenchFail("bare read", error);
    const bool ok = ForEachRow(stmt.get(), error, [&](sqlite3_stmt* row) {
        if (!convert) {
            for (int c = 0; c < 6; ++c)
                sqlite3_column_text(row, c);
            return;
        }
        CatalogueRow r;
        r.card_id = ColumnTextW(row, 0);
        r.name = ColumnTextW(row, 1);
        r.set_name = ColumnTextW(row, 2);
        r.number = ColumnTextW(row, 3);
        r.set_total = ColumnTextW(row, 4);
        r.rarity = ColumnTextW(row, 5);
        rows.push_back(std::move(r));
    });
    return ok || BenchFail("bare read", error);
}

// The best of several rounds, in milliseconds; negative when a round failed.
double BestMs(const std::function<bool()>& run)
{
    double best = 1e30;
    for (int i = 0; i < Rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run())
            return -1.0;
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int wmain()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) {
        std::printf("no temporary folder\n");
        return 1;
    }
    const std::wstring path =
        std::wstring(temp) + L"binderwell-catalogue-bench-" + std::to_wstring(GetCurrentProcessId()) + L".db";

    int exitCode = 1;
    {
        DbHandle db;
        std::string error;
        if (!OpenReadyDb(path, db, error)) {
            std::printf("open: %s\n", error.c_str());
        } else if (BuildBenchDatabase(db.get())) {
            std::printf("%d catalogue cards in %d sets, %d sale-stock rows, %d collection rows, %d locations, "
                        "%d flagged cards; best of %d rounds\n",
                        Cards, Sets, SaleRows, CollectionRows, 2 * LocationsPerLedger, FlaggedCards, Rounds);
            std::vector<CatalogueRow> rows;
            const double stepOnly = BestMs([&] { return BareRead(db.get(), rows, false); });
            const double bare = BestMs([&] { return BareRead(db.get(), rows, true); });
            const auto load = [&](Ledger ledger) {
                return BestMs(
                    [&] { return LoadCatalogueRows(db.get(), rows, error, ledger) || BenchFail("load", error); });
            };
            const double sale = load(Ledger::Sale);
            const size_t saleRows = rows.size();
            const double coll = load(Ledger::Collection);
            if (stepOnly >= 0 && bare >= 0 && sale >= 0 && coll >= 0) {
                std::printf("bare read, columns stepped only:     %8.2f ms\n", stepOnly);
                std::printf("bare read into rows (the baseline):  %8.2f ms\n", bare);
                const char* const line =
                    "LoadCatalogueRows, %-15s %8.2f ms  %5.2fx baseline  %5.2fx stepped (%zu rows)\n";
                std::printf(line, "sale stock:", sale, sale / bare, sale / stepOnly, saleRows);
                std::printf(line, "collection:", coll, coll / bare, coll / stepOnly, rows.size());
                const double worst = std::max(sale, coll) / bare;
                std::printf("target at most 4x the baseline: %s\n", worst <= 4.0 ? "met" : "NOT met");
                exitCode = 0;
            }
        }
    }
    DeleteFileW(path.c_str());
    return exitCode;
}
