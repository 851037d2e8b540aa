// Benchmark of the reports (not a test): a temporary database of 20,000
// catalogue cards in 170 sets, 5,000 of them held in one ledger or both, and
// 100,000 sales over the three years up to today. Times WriteSalesReport, and
// WriteSetCompletionReport for the largest of the 170 sets and for the whole
// catalogue made one set, and prints the figures. Run
// on demand:
//   build/wine-run.sh build/bench/reports_bench.exe [folder]
// With a folder, the sales report of 100,000 sales is left there for the
// browser half of the benchmark, tests/publish/browser/sales_report.bench.mjs.
#include "bench/bench_random.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/schema.h"
#include "core/settings.h"
#include "publish/report_cards.h"
#include "publish/report_sales.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int Cards = 20000;
constexpr int Sets = 170;
constexpr int HeldCards = 5000;
constexpr int Sales = 100000;
constexpr int SaleDays = 3 * 365;
constexpr int Rounds = 5;
constexpr double SalesTargetMs = 1000.0;
constexpr double SetTargetMs = 300.0;

const char* const Channels[] = {"Market", "Facebook", "eBay", "Website", "Other"};

std::string CardId(int i)
{
    return "s" + std::to_string(i % Sets) + "-" + std::to_string(i / Sets + 1);
}

std::string SetName(int set)
{
    return "Scarlet & Violet \xE2\x80\x94 Set " + std::to_string(set);
}

// "YYYY-MM-DD hh:mm:ss" for a local time daysAgo days before today.
std::string SoldAt(int daysAgo, int secondOfDay)
{
    time_t now = time(nullptr) - static_cast<time_t>(daysAgo) * 86400;
    tm day = *localtime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday,
             secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

bool Fill(sqlite3* db, std::string& error)
{
    if (!CreateCatalogueTable(db, error) || !ExecSql(db, "BEGIN;", error))
        return false;
    StmtHandle card = PrepareStmt(db,
                                  "INSERT INTO catalogue (card_id,name,set_id,set_name,number,set_total,rarity) "
                                  "VALUES (?,?,?,?,?,?,?);",
                                  error);
    StmtHandle coll =
        PrepareStmt(db, "INSERT INTO collection (card_id,variant,condition,qty) VALUES (?,'Standard',?,?);", error);
    StmtHandle stock = PrepareStmt(
        db, "INSERT INTO inventory (card_id,variant,condition,qty,price) VALUES (?,'Holo',?,?,2.5);", error);
    StmtHandle sale = PrepareStmt(db,
                                  "INSERT INTO sales (card_id,variant,condition,qty,price,sold_at,channel,batch_id) "
                                  "VALUES (?,'Standard','Near Mint',?,?,?,?,?);",
                                  error);
    if (!card || !coll || !stock || !sale)
        return false;
    Random r{42};
    const int perSet = Cards / Sets + 1;
    for (int i = 0; i < Cards; ++i) {
        const std::string id = CardId(i);
        const std::string values[] = {id,
                                      "Pok\xC3\xA9mon card " + std::to_string(i) + (i % 5 ? "" : " ex"),
                                      "s" + std::to_string(i % Sets),
                                      SetName(i % Sets),
                                      std::to_string(i / Sets + 1) + (i % 11 ? "" : "a"),
                                      std::to_string(perSet),
                                      i % 7 ? "Common" : "Double Rare"};
        sqlite3_reset(card.get());
        for (int c = 0; c < 7; ++c)
            BindText(card.get(), c + 1, values[c]);
        if (!StepDone(card.get(), error))
            return false;
        // Every fourth card is held: in the collection, the sale stock or both.
        if (i % 4 == 0 && i / 4 < HeldCards) {
            const int where = r.Below(3);
            for (sqlite3_stmt* ledger : {coll.get(), stock.get()}) {
                if ((ledger == coll.get() && where == 1) || (ledger == stock.get() && where == 0))
                    continue;
                sqlite3_reset(ledger);
                BindText(ledger, 1, id);
                BindText(ledger, 2, "Near Mint");
                sqlite3_bind_int(ledger, 3, 1 + r.Below(3));
                if (!StepDone(ledger, error))
                    return false;
            }
        }
    }
    for (int i = 0; i < Sales; ++i) {
        // One sale in fifty is of a card no longer in the catalogue.
        const std::string id = i % 50 ? CardId(r.Below(Cards)) : "gone-" + std::to_string(i);
        sqlite3_reset(sale.get());
        BindText(sale.get(), 1, id);
        sqlite3_bind_int(sale.get(), 2, 1 + r.Below(3));
        sqlite3_bind_double(sale.get(), 3, 0.25 * r.Below(800));
        BindText(sale.get(), 4, SoldAt(static_cast<int>(static_cast<long long>(i) * SaleDays / Sales),
                                       r.Below(86400)));
        BindText(sale.get(), 5, Channels[r.Below(5)]);
        sqlite3_bind_int(sale.get(), 6, i + 1);
        if (!StepDone(sale.get(), error))
            return false;
    }
    return ExecSql(db, "COMMIT;", error);
}

// Runs write Rounds times; prints each round and returns the median.
template <typename Write>
double Time(const char* what, Write write)
{
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = write(error);
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            fprintf(stderr, "%s failed: %s\n", what, error.c_str());
            return -1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    printf("%s: best %.1f ms, median %.1f ms\n", what, times.front(), median);
    return median;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    wchar_t temp[MAX_PATH + 1];
    std::wstring work(temp, GetTempPathW(MAX_PATH + 1, temp));
    work += L"binderwell-reports-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(work.c_str(), nullptr);
    const std::wstring out = argc > 1 ? argv[1] : work;
    CreateDirectoryW(out.c_str(), nullptr);
    const std::wstring dbPath = work + L"\\bench.db";

    DbHandle db;
    std::string error;
    if (!OpenReadyDb(dbPath, db, error) || !Fill(db.get(), error)) {
        fprintf(stderr, "setting up failed: %s\n", error.c_str());
        return 1;
    }
    StoreSettings settings;
    InitDefaultStoreSettings(settings);

    int32_t rows = 0;
    const double salesMs = Time("WriteSalesReport, 100,000 sales", [&](std::string& e) {
        return WriteSalesReport(db.get(), out, settings, rows, e);
    });
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW((out + L"\\sales-report.html").c_str(), GetFileExInfoStandard, &data);
    printf("  %d sales, sales-report.html %.1f MB (target under %.0f ms)\n", rows, data.nFileSizeLow / 1048576.0,
           SalesTargetMs);

    // The largest set: sets take the cards in turn, so set 0 has the most.
    int32_t total = 0, held = 0;
    const double setMs = Time("WriteSetCompletionReport, largest set", [&](std::string& e) {
        return WriteSetCompletionReport(db.get(), work, settings, L"Scarlet & Violet \u2014 Set 0", total, held, e);
    });
    printf("  %d cards of the set, %d held, over %d catalogue cards and %d held (target under %.0f ms)\n", total,
           held, Cards, HeldCards, SetTargetMs);

    // The worst case: the whole catalogue is one set.
    double wholeMs = -1;
    if (ExecSql(db.get(), "UPDATE catalogue SET set_name = 'Everything';", error)) {
        wholeMs = Time("WriteSetCompletionReport, one set of the whole catalogue", [&](std::string& e) {
            return WriteSetCompletionReport(db.get(), work, settings, L"Everything", total, held, e);
        });
        printf("  %d cards of the set, %d held (target under %.0f ms)\n", total, held, SetTargetMs);
    }

    db.reset();
    for (const wchar_t* name : {L"\\set-completion.html", L"\\bench.db"})
        DeleteFileW((work + name).c_str());
    if (out == work)
        DeleteFileW((work + L"\\sales-report.html").c_str());
    RemoveDirectoryW(work.c_str());
    const auto met = [](double ms, double target) { return ms >= 0 && ms < target; };
    return met(salesMs, SalesTargetMs) && met(setMs, SetTargetMs) && met(wholeMs, SetTargetMs) ? 0 : 1;
}
