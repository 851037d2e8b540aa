// Benchmark of the grid query (not a test): builds a database of a large
// collector's size in a temporary file and times LoadCatalogueRows for both
// ledgers next to a bare ordered read of the catalogue on the same
// connection. Run on demand:  build/wine-run.sh build/bench/catalogue_bench.exe
#include "bench/bench_random.h"
#include "core/catalogue.h"
#include "core/schema.h"
#include "core/stock.h"
#include "core/text.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Cards = 20000;
constexpr int Sets = 170;
constexpr int SaleRows = 5000;
constexpr int CollectionRows = 3000;
constexpr int LocationsPerLedger = 1000;
constexpr int FlaggedCards = 1000;
constexpr int Rounds = 7;

const char* const BareSql =
    "SELECT card_id, name, set_name, number, set_total, rarity FROM catalogue ORDER BY set_name, name, card_id";


const char* const Syllables[] = {"Pi", "ka", "chu", "Bul", "ba", "saur", "Char", "man", "der", "Squir", "tle",
                                 "Ee", "vee", "Gy", "ara", "dos", "Mew", "two", "Dra", "go", "nite", "Sna",
                                 "x", "lax", "Ze", "krom", "Lu", "gia", "Ho", "oh"};

std::string CardName(Random& r)
{
    std::string name;
    const int parts = 2 + r.Below(2);
    for (int i = 0; i < parts; ++i)
        name += Syllables[r.Below(sizeof Syllables / sizeof Syllables[0])];
    if (r.Below(5) == 0)
        name += " ex";
    return name;
}

bool Fail(const char* what, const std::string& error)
{
    std::printf("%s: %s\n", what, error.c_str());
    return false;
}

// Runs sql once per generated row, binding what fill binds, until want rows
// were really added (INSERT OR IGNORE skips the repeats).
bool FillTable(sqlite3* db, const char* sql, int want, const std::function<void(sqlite3_stmt*)>& fill)
{
    std::string error;
    StmtHandle stmt = PrepareStmt(db, sql, error);
    if (!stmt)
        return Fail("prepare", error);
    for (int added = 0; added < want;) {
        sqlite3_reset(stmt.get());
        sqlite3_clear_bindings(stmt.get());
        fill(stmt.get());
        if (!StepDone(stmt.get(), error))
            return Fail("insert", error);
        added += sqlite3_changes(db);
    }
    return true;
}

bool BuildDatabase(sqlite3* db)
{
    std::string error;
    Transaction transaction;
    if (!transaction.Begin(db, error) || !CreateCatalogueTable(db, error))
        return Fail("create", error);

    Random r{42};
    std::vector<CatalogueSetEntry> sets;
    for (int s = 0; s < Sets; ++s) {
        const std::string id = "set" + std::to_string(s);
        sets.push_back({id, "Set " + CardName(r) + " " + std::to_string(s), "Series " + std::to_string(s / 12),
                        std::to_string(Cards / Sets)});
    }
    StmtHandle insert = PrepareStmt(db, CatalogueInsertSql, error);
    if (!insert)
        return Fail("prepare insert", error);
    for (int c = 0; c < Cards; ++c) {
        const CatalogueSetEntry& set = sets[static_cast<size_t>(c % Sets)];
        const std::string number = std::to_string(c / Sets + 1);
        JsonValue card;
        const std::string link = "https://images.example/" + set.id + "/" + number;
        const std::string json = "{\"id\":\"" + set.id + "-" + number + "\",\"name\":\"" + CardName(r) +
                                 "\",\"number\":\"" + number +
                                 "\",\"rarity\":\"Rare Holo\",\"supertype\":\"Pok\\u00e9mon\",\"images\":{" +
                                 "\"small\":\"" + link + ".png\",\"large\":\"" + link + "_hires.png\"}}";
        if (!ParseJson(json, card, error))
            return Fail("card json", error);
        sqlite3_reset(insert.get());
        sqlite3_clear_bindings(insert.get());
        if (!InsertCatalogueCard(insert.get(), card, set) || !StepDone(insert.get(), error))
            return Fail("insert card", error);
    }

    const auto cardId = [&](int c) { return "set" + std::to_string(c % Sets) + "-" + std::to_string(c / Sets + 1); };
    const auto variant = [&]() { return WideToUtf8(Variant::All[r.Below(4)]); };
    const auto condition = [&]() { return WideToUtf8(Condition::All[r.Below(3)]); };
    const bool filled =
        FillTable(db, "INSERT OR IGNORE INTO inventory (card_id, variant, condition, qty, price) VALUES (?,?,?,?,?);",
                  SaleRows,
                  [&](sqlite3_stmt* s) {
                      BindText(s, 1, cardId(r.Below(Cards)));
                      BindText(s, 2, variant());
                      BindText(s, 3, condition());
                      sqlite3_bind_int(s, 4, 1 + r.Below(4));
                      sqlite3_bind_double(s, 5, 0.5 + r.Below(5000) / 100.0);
                  }) &&
        FillTable(db, "INSERT OR IGNORE INTO collection (card_id, variant, condition, qty) VALUES (?,?,?,?);",
                  CollectionRows,
                  [&](sqlite3_stmt* s) {
                      BindText(s, 1, cardId(r.Below(Cards)));
                      BindText(s, 2, variant());
                      BindText(s, 3, condition());
                      sqlite3_bind_int(s, 4, 1 + r.Below(4));
                  }) &&
        FillTable(db, "INSERT OR IGNORE INTO variant_location (ledger, card_id, variant, location) VALUES (?,?,?,?);",
                  LocationsPerLedger,
                  [&](sqlite3_stmt* s) {
                      BindText(s, 1, LedgerKey(Ledger::Sale));
                      BindText(s, 2, cardId(r.Below(Cards)));
                      BindText(s, 3, variant());
                      BindText(s, 4, "Box " + std::to_string(r.Below(40)));
                  }) &&
        FillTable(db, "INSERT OR IGNORE INTO variant_location (ledger, card_id, variant, location) VALUES (?,?,?,?);",
                  LocationsPerLedger,
                  [&](sqlite3_stmt* s) {
                      BindText(s, 1, LedgerKey(Ledger::Collection));
                      BindText(s, 2, cardId(r.Below(Cards)));
                      BindText(s, 3, variant());
                      BindText(s, 4, "Binder " + std::to_string(r.Below(25)) + " p" + std::to_string(r.Below(60)));
                  }) &&
        FillTable(db, "INSERT OR IGNORE INTO card_flags (card_id, want, tradable) VALUES (?,?,?);", FlaggedCards,
                  [&](sqlite3_stmt* s) {
                      BindText(s, 1, cardId(r.Below(Cards)));
                      const int flags = 1 + r.Below(3);
                      sqlite3_bind_int(s, 2, flags & 1);
                      sqlite3_bind_int(s, 3, (flags >> 1) & 1);
                  });
    if (!filled)
        return false;
    insert.reset();
    if (!transaction.Commit(error))
        return Fail("commit", error);
    return true;
}

// The bare ordered read, into rows as the grid query fills them, so the two
// differ only in what the query itself does.
bool BareRead(sqlite3* db, std::vector<CatalogueRow>& rows, bool convert)
{
    rows.clear();
    std::string error;
    StmtHandle stmt = PrepareStmt(db, BareSql, error);
    if (!stmt)
        return Fail("bare read", error);
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
    return ok || Fail("bare read", error);
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
        } else if (BuildDatabase(db.get())) {
            std::printf("%d catalogue cards in %d sets, %d sale-stock rows, %d collection rows, %d locations, "
                        "%d flagged cards; best of %d rounds\n",
                        Cards, Sets, SaleRows, CollectionRows, 2 * LocationsPerLedger, FlaggedCards, Rounds);
            std::vector<CatalogueRow> rows;
            const double stepOnly = BestMs([&] { return BareRead(db.get(), rows, false); });
            const double bare = BestMs([&] { return BareRead(db.get(), rows, true); });
            const auto load = [&](Ledger ledger) {
                return BestMs([&] { return LoadCatalogueRows(db.get(), rows, error, ledger) || Fail("load", error); });
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
