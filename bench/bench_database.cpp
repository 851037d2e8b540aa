#include "bench/bench_database.h"

#include "bench/bench_random.h"
#include "core/catalogue.h"
#include "core/db.h"
#include "core/stock.h"
#include "core/text.h"

#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchDatabase;

namespace {

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

// Runs sql once per generated row, binding what fill binds, until want rows
// were really added (INSERT OR IGNORE skips the repeats).
bool FillTable(sqlite3* db, const char* sql, int want, const std::function<void(sqlite3_stmt*)>& fill)
{
    std::string error;
    StmtHandle stmt = PrepareStmt(db, sql, error);
    if (!stmt)
        return BenchFail("prepare", error);
    for (int added = 0; added < want;) {
        sqlite3_reset(stmt.get());
        sqlite3_clear_bindings(stmt.get());
        fill(stmt.get());
        if (!StepDone(stmt.get(), error))
            return BenchFail("insert", error);
        added += sqlite3_changes(db);
    }
    return true;
}

} // namespace

bool BenchFail(const char* what, const std::string& error)
{
    std::printf("%s: %s\n", what, error.c_str());
    return false;
}

bool BuildBenchDatabase(sqlite3* db)
{
    std::string error;
    Transaction transaction;
    if (!transaction.Begin(db, error) || !CreateCatalogueTable(db, error))
        return BenchFail("create", error);

    Random r{42};
    std::vector<CatalogueSetEntry> sets;
    for (int s = 0; s < Sets; ++s) {
        const std::string id = "set" + std::to_string(s);
        sets.push_back({id, "Set " + CardName(r) + " " + std::to_string(s), "Series " + std::to_string(s / 12),
                        std::to_string(Cards / Sets)});
    }
    StmtHandle insert = PrepareStmt(db, CatalogueInsertSql, error);
    if (!insert)
        return BenchFail("prepare insert", error);
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
            return BenchFail("card json", error);
        sqlite3_reset(insert.get());
        sqlite3_clear_bindings(insert.get());
        if (!InsertCatalogueCard(insert.get(), card, set) || !StepDone(insert.get(), error))
            return BenchFail("insert card", error);
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
        return BenchFail("commit", error);
    return true;
}

bool AddBenchSales(sqlite3* db, int count)
{
    std::string error;
    Transaction transaction;
    if (!transaction.Begin(db, error))
        return BenchFail("begin", error);
    StmtHandle insert = PrepareStmt(db,
                                    "INSERT INTO sales (card_id, variant, condition, qty, price, sold_at, channel, "
                                    "batch_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?);",
                                    error);
    if (!insert)
        return BenchFail("prepare", error);
    const char* channels[] = {"Market", "Facebook", "eBay", "Website", "Other"};
    Random random{7};
    int64_t batch = 0;
    for (int sale = 0; sale < count;) {
        ++batch;
        const int lines = 1 + random.Below(3);
        char soldAt[24];
        const int minutes = static_cast<int>(batch);
        std::snprintf(soldAt, sizeof soldAt, "20%02d-%02d-%02d %02d:%02d:00", 22 + minutes / 200000,
                      1 + minutes / 16000 % 12, 1 + minutes / 600 % 28, minutes / 60 % 24, minutes % 60);
        const char* channel = channels[random.Below(5)];
        for (int line = 0; line < lines && sale < count; ++line, ++sale) {
            const int card = random.Below(Cards);
            const std::string id = "set" + std::to_string(card % Sets) + "-" + std::to_string(card / Sets + 1);
            sqlite3_reset(insert.get());
            BindText(insert.get(), 1, id);
            BindText(insert.get(), 2, WideToUtf8(Variant::All[random.Below(4)]));
            BindText(insert.get(), 3, WideToUtf8(Condition::All[random.Below(3)]));
            sqlite3_bind_int(insert.get(), 4, 1 + random.Below(3));
            sqlite3_bind_double(insert.get(), 5, random.Below(5000) / 100.0);
            BindText(insert.get(), 6, soldAt);
            BindText(insert.get(), 7, channel);
            sqlite3_bind_int64(insert.get(), 8, batch);
            if (!StepDone(insert.get(), error))
                return BenchFail("insert sale", error);
        }
    }
    insert.reset();
    if (!transaction.Commit(error))
        return BenchFail("commit", error);
    return true;
}
