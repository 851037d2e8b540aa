// The online catalogue update: fills the catalogue from the public card-data
// repository, set by set, adding only the cards that are missing. It never
// changes or deletes a row, so running it again only adds what is missing:
// complete sets are skipped without a download, and a set that failed is
// fetched again next time. Runs on the job worker with the worker's own
// connection; reports through the progress callback and watches the cancel
// flag at every wait.
#pragma once

#include "core/catalogue.h"
#include "core/job_progress.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CatalogueUpdateResult {
    bool ok = false;
    int32_t added = 0;       // cards inserted by this run
    int32_t failedSets = 0;  // sets that failed in this run
    std::string message;     // why, when not ok; "Cancelled." after a cancel
};

// One set of the set list: what its cards take from it, and its full card
// count (0 when the list gives none), which decides whether it is complete.
struct SetListEntry : CatalogueSetEntry {
    int32_t total = 0;
};

// The repository's raw-file host and its two documents.
constexpr char kCardDataHost[] = "raw.githubusercontent.com";
constexpr char kSetListPath[] = "/PokemonTCG/pokemon-tcg-data/master/sets/en.json";
constexpr char kCardListFolder[] = "/PokemonTCG/pokemon-tcg-data/master/cards/en/";

// apiKey goes with every request when not empty. progress (may be null)
// gets (context, done, total) after every set; cancel may be null.
CatalogueUpdateResult UpdateCatalogueOnline(sqlite3* db, const std::string& apiKey, JobProgressFn progress,
                                            void* context, const std::atomic<bool>* cancel);

// The steps below are used on their own by the tests.

// Where the update fetches from and how long it waits: the n-th failed try
// of a document waits n times retryStepMs, and each set that reached the
// database is followed by a pause of setPauseMs, to go easy on the host.
struct CatalogueSource {
    std::string host = kCardDataHost;  // host name, or "name:port"
    int retryStepMs = 1500;
    int setPauseMs = 150;
};
CatalogueUpdateResult UpdateCatalogueFrom(const CatalogueSource& source, sqlite3* db, const std::string& apiKey,
                                          JobProgressFn progress, void* context,
                                          const std::atomic<bool>* cancel);

// The entries of a set list, in document order: every object element with a
// non-empty "id". A number outside the 32-bit range gives total 0 and an
// empty printedTotal.
std::vector<SetListEntry> ReadSetList(const JsonValue& list);

// Whether a set id may go into a document path as it is: 1 to 64 ASCII
// letters, digits, '.', '_' and '-', and not "." or "..".
bool IsUsableSetId(std::string_view id);
