// The store page: the sale stock written as a static shop page for the user
// to publish elsewhere, in a folder of their choosing: index.html (page,
// data and script in one file), cards.json (the same data alone) and, when
// images are self-hosted, images\ with one picture per card. Touches no
// window; runs on the user-interface thread or on the job worker.
#pragma once

#include "core/job_progress.h"
#include "core/settings.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// One sellable stock row of a card on the page.
struct StoreCondition {
    std::string label;  // the condition, led by the variant unless Standard
    int32_t qty = 0;
    double price = 0.0; // never negative or non-finite
};

// One card on the page, all text UTF-8.
struct StoreCard {
    std::string id;
    std::string name;
    std::string set;
    std::string number;
    std::string rarity;
    std::string remote; // img_small, else img_large; may be empty
    std::string image;  // "images/<stem>.png" once stored or reused, else empty
    std::vector<StoreCondition> conditions;
};

// Writes the page of everything in the sale stock that the catalogue knows.
// True when the page was written (outCardCount cards), and also when nothing
// is in stock: then outCardCount is 0 and no file is touched, so an earlier
// page stays as it was. False with outMessage on failure, or "Cancelled."
// when cancelFlag was set; index.html is then the previous one. A failure to
// replace cards.json after index.html is only logged. With self-hosted
// images the page opens its own HTTPS session for the run and calls
// progress once per card. progress and cancelFlag may be null.
bool WriteStorePage(sqlite3* db, const std::wstring& outputFolder, bool selfHostImages,
                    const StoreSettings& settings, int32_t& outCardCount, std::string& outMessage,
                    JobProgressFn progress, void* context, const std::atomic<bool>* cancelFlag);

// How a stock row is named on the page and in the card list's readable
// lines: "Reverse Holo Near Mint"; a Standard or empty variant gives the
// bare condition.
std::string StoreConditionLabel(const std::string& variant, const std::string& condition);

// Steps of WriteStorePage, also used on their own by the page's tests.

// The cards as the JSON array of cards.json (no trailing LF).
std::string BuildCardsJson(const std::vector<StoreCard>& cards);
// The complete index.html for these cards and settings, dated today.
std::string BuildStorePage(const std::string& cardsJson, const StoreSettings& settings);
// Whether an accent setting may replace the page's default colour:
// "#rgb" or "#rrggbb" in hex digits of either case.
bool IsUsableAccent(const std::string& accent);
