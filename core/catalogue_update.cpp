#include "core/catalogue_update.h"

#include "core/http.h"
#include "core/log.h"

#include <windows.h>

#include <algorithm>

namespace {

constexpr int kTries = 4;
constexpr int kSliceMs = 50;

bool Cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load();
}

// Sleeps in 50 ms slices, looking at the cancel flag before each.
void WaitCancellable(int ms, const std::atomic<bool>* cancel)
{
    while (ms > 0 && !Cancelled(cancel)) {
        const int slice = std::min(ms, kSliceMs);
        Sleep(static_cast<DWORD>(slice));
        ms -= slice;
    }
}

enum class Fetch { Done, Failed, Cancelled };

// Tries up to four times, backing off after each failure, but only when the
// host may answer next time: no answer (0), too many requests (429) or a
// server error (500 and above). A failure seen after a cancel counts as the
// cancel.
Fetch FetchWithRetry(HINTERNET session, const std::string& url, const std::string& apiKey, int retryStepMs,
                     const std::atomic<bool>* cancel, std::string& body, uint32_t& status)
{
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        if (Cancelled(cancel))
            return Fetch::Cancelled;
        if (HttpGetToMemory(session, url, apiKey, body, &status))
            return Fetch::Done;
        if (status != 429 && status != 0 && status < 500)
            break;
        WaitCancellable(attempt * retryStepMs, cancel);
    }
    return Cancelled(cancel) ? Fetch::Cancelled : Fetch::Failed;
}

// A JSON number truncated toward zero, when it fits in 32 bits (NaN never does).
bool TruncateToInt32(double value, int32_t& out)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

SetListEntry ReadSetListEntry(const JsonValue& set)
{
    SetListEntry entry;
    entry.id = JsonGetString(set, "id");
    entry.name = JsonGetString(set, "name");
    entry.series = JsonGetString(set, "series");
    int32_t number = 0;
    if (const JsonValue* printed = JsonFindMember(set, "printedTotal")) {
        if (printed->kind == JsonString)
            entry.printedTotal = printed->string;
        else if (printed->kind == JsonNumber && TruncateToInt32(printed->number, number))
            entry.printedTotal = std::to_string(number);
    }
    const JsonValue* total = JsonFindMember(set, "total");
    if (total && total->kind == JsonNumber && TruncateToInt32(total->number, number))
        entry.total = number;
    return entry;
}

// How many cards of the set the catalogue holds; 0 when it cannot tell, so
// the set is fetched rather than wrongly taken for complete.
int64_t CountSetCards(sqlite3_stmt* count, const std::string& setId)
{
    sqlite3_reset(count);
    sqlite3_clear_bindings(count);
    BindText(count, 1, setId);
    const int64_t have = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : 0;
    sqlite3_reset(count);
    return have;
}

// Inserts every card of one set in one transaction; true with the number of
// rows really added once committed, false with nothing of the set kept.
// begun tells whether the transaction started at all.
bool InsertSetCards(sqlite3* db, sqlite3_stmt* insert, const JsonValue& cards, const SetListEntry& set,
                    int32_t& added, bool& begun)
{
    std::string error;
    Transaction transaction;
    begun = transaction.Begin(db, error);
    if (!begun)
        return false;
    int32_t inserted = 0;
    for (const JsonValue& card : cards.items) {
        if (card.kind != JsonObject)
            continue;
        sqlite3_reset(insert);
        sqlite3_clear_bindings(insert);
        if (!InsertCatalogueCard(insert, card, set))
            continue;  // no usable id: not a card we can keep
        if (sqlite3_step(insert) != SQLITE_DONE) {
            sqlite3_reset(insert);  // no statement left running under the rollback
            return false;
        }
        if (sqlite3_changes(db) > 0)
            ++inserted;  // a card already present changes nothing
    }
    sqlite3_reset(insert);
    if (!transaction.Commit(error))
        return false;
    added = inserted;
    return true;
}

} // namespace

bool IsUsableSetId(std::string_view id)
{
    if (id.empty() || id.size() > 64 || id == "." || id == "..")
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '_' || c == '-';
    });
}

std::vector<SetListEntry> ReadSetList(const JsonValue& list)
{
    std::vector<SetListEntry> entries;
    for (const JsonValue& set : list.items) {
        if (set.kind != JsonObject)
            continue;
        SetListEntry entry = ReadSetListEntry(set);
        if (!entry.id.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

CatalogueUpdateResult UpdateCatalogueOnline(sqlite3* db, const std::string& apiKey, JobProgressFn progress,
                                            void* context, const std::atomic<bool>* cancel)
{
    return UpdateCatalogueFrom(CatalogueSource(), db, apiKey, progress, context, cancel);
}

CatalogueUpdateResult UpdateCatalogueFrom(const CatalogueSource& source, sqlite3* db, const std::string& apiKey,
                                          JobProgressFn progress, void* context,
                                          const std::atomic<bool>* cancel)
{
    CatalogueUpdateResult result;
    std::string error;
    if (!CreateCatalogueTable(db, error)) {
        result.message = "prepare table: " + error;
        return result;
    }
    const HttpSession session = OpenHttpSession();
    if (!session) {
        result.message = "Could not open a network session.";
        return result;
    }
    const std::string base = "https://" + source.host;

    std::vector<SetListEntry> sets;
    {
        std::string body;
        uint32_t status = 0;
        const Fetch fetched =
            FetchWithRetry(session.get(), base + kSetListPath, apiKey, source.retryStepMs, cancel, body, status);
        if (fetched == Fetch::Cancelled) {
            result.message = "Cancelled.";
            return result;
        }
        if (fetched == Fetch::Failed) {
            result.message =
                "Couldn't fetch the set list (HTTP " + std::to_string(status) + "). Try again shortly.";
            return result;
        }
        JsonValue document;
        if (!ParseJson(body, document, error)) {
            result.message = "Bad set list: " + error;
            return result;
        }
        const JsonValue* list = JsonCardList(document);
        if (!list) {
            result.message = "Unexpected set-list format.";
            return result;
        }
        sets = ReadSetList(*list);
    }
    if (sets.empty()) {
        result.message = "No sets found in the data repository.";
        return result;
    }

    const StmtHandle insert = PrepareStmt(db, CatalogueInsertSql, error);
    if (!insert) {
        result.message = "prepare insert: " + error;
        return result;
    }
    const StmtHandle count = PrepareStmt(db, "SELECT COUNT(*) FROM catalogue WHERE set_id=?;", error);
    if (!count) {
        result.message = "prepare count: " + error;
        return result;
    }

    const int32_t total = static_cast<int32_t>(sets.size());
    const auto report = [&](int32_t done) {
        if (progress)
            progress(context, done, total);
    };
    bool cancelled = false;
    for (int32_t done = 1; done <= total; ++done) {
        if (Cancelled(cancel)) {
            cancelled = true;
            break;
        }
        const SetListEntry& set = sets[static_cast<size_t>(done - 1)];
        // The id comes from the download and becomes part of the next
        // request's path; one that could name another path is refused.
        if (!IsUsableSetId(set.id)) {
            ++result.failedSets;
            report(done);
            continue;
        }
        if (set.total >= 1 && CountSetCards(count.get(), set.id) >= set.total) {
            report(done);
            continue;
        }

        std::string body;
        uint32_t status = 0;
        const Fetch fetched = FetchWithRetry(session.get(), base + kCardListFolder + set.id + ".json", apiKey,
                                             source.retryStepMs, cancel, body, status);
        if (fetched == Fetch::Cancelled) {
            cancelled = true;
            break;
        }
        JsonValue document;
        std::string parseError;
        const JsonValue* cards = nullptr;
        if (fetched == Fetch::Done && ParseJson(body, document, parseError))
            cards = JsonCardList(document);
        if (!cards) {
            ++result.failedSets;
            report(done);
            continue;
        }
        int32_t added = 0;
        bool begun = false;
        if (InsertSetCards(db, insert.get(), *cards, set, added, begun))
            result.added += added;
        else
            ++result.failedSets;
        report(done);
        // A set whose transaction could not even begin never reached the
        // database; like a failed download, it goes on to the next at once.
        if (begun)
            WaitCancellable(source.setPauseMs, cancel);
    }

    if (cancelled) {
        result.message = "Cancelled.";
        Log("UpdateCatalogueOnline cancelled: %d added, %d set(s) not done", result.added, result.failedSets);
        return result;
    }
    result.ok = true;
    Log("UpdateCatalogueOnline OK: %d new card(s) added, %d set(s) failed (of %d)", result.added,
        result.failedSets, total);
    return result;
}
