// Benchmark of the JSON reader (not a test): parses generated documents of
// the size and shape of the card-data repository's per-set card lists and
// prints the speed and the memory the trees take, next to the same parse by
// nlohmann::json. Run on demand:  build/wine-run.sh build/bench/json_bench.exe
#include "bench/bench_random.h"
#include "core/json.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if BINDERWELL_BENCH_NLOHMANN
#include <nlohmann/json.hpp>
#endif

namespace {

constexpr size_t CardsPerDocument = 300;
constexpr size_t TotalBytes = 25u * 1024 * 1024;
constexpr int Rounds = 3;


const char* const Words[] = {"Fire",  "Water",  "Grass",   "Psychic", "Flip",  "coin",   "damage", "Defending",
                             "Pok\xC3\xA9mon", "Energy", "attached", "heads", "tails", "Benched", "counter", "turn",
                             "discard", "your",  "opponent's", "Paralyzed", "Asleep", "Confused", "each", "card"};

std::string Sentence(Random& r, size_t words)
{
    std::string s;
    for (size_t i = 0; i < words; ++i) {
        if (i > 0)
            s += ' ';
        s += Words[r.Below(sizeof Words / sizeof Words[0])];
    }
    s += '.';
    return s;
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// One card object as the repository writes it: two-space indentation,
// nested attacks, weaknesses and images.
void AppendCard(std::string& out, Random& r, const std::string& setId, size_t number)
{
    const std::string id = setId + "-" + std::to_string(number);
    const std::string in = "\n    ";
    out += "  {";
    out += in + "\"id\": " + Quoted(id) + ",";
    out += in + "\"name\": " + Quoted(Sentence(r, 1 + r.Below(2))) + ",";
    out += in + "\"supertype\": \"Pok\xC3\xA9mon\",";
    out += in + "\"subtypes\": [\n      \"Stage " + std::to_string(r.Below(3)) + "\"\n    ],";
    out += in + "\"hp\": " + Quoted(std::to_string(30 + 10 * r.Below(20))) + ",";
    out += in + "\"types\": [\n      " + Quoted(Words[r.Below(4)]) + "\n    ],";
    if (r.Below(3) == 0) {
        out += in + "\"abilities\": [\n      {\n        \"name\": " + Quoted(Sentence(r, 2)) +
               ",\n        \"text\": " + Quoted(Sentence(r, 20 + r.Below(30))) +
               ",\n        \"type\": \"Ability\"\n      }\n    ],";
    }
    out += in + "\"attacks\": [";
    const size_t attacks = 1 + r.Below(3);
    for (size_t a = 0; a < attacks; ++a) {
        const size_t cost = 1 + r.Below(4);
        out += a == 0 ? "\n      {" : ",\n      {";
        out += "\n        \"name\": " + Quoted(Sentence(r, 2)) + ",\n        \"cost\": [";
        for (size_t c = 0; c < cost; ++c)
            out += std::string(c == 0 ? "" : ",") + "\n          " + Quoted(Words[r.Below(4)]);
        out += "\n        ],\n        \"convertedEnergyCost\": " + std::to_string(cost) +
               ",\n        \"damage\": " + Quoted(std::to_string(10 * r.Below(12))) +
               ",\n        \"text\": " + Quoted(Sentence(r, r.Below(25))) + "\n      }";
    }
    out += "\n    ],";
    out += in + "\"weaknesses\": [\n      {\n        \"type\": " + Quoted(Words[r.Below(4)]) +
           ",\n        \"value\": \"\xC3\x97" "2\"\n      }\n    ],";
    out += in + "\"retreatCost\": [\n      \"Colorless\"\n    ],";
    out += in + "\"convertedRetreatCost\": 1,";
    out += in + "\"number\": " + Quoted(std::to_string(number)) + ",";
    out += in + "\"artist\": " + Quoted(Sentence(r, 2)) + ",";
    out += in + "\"rarity\": \"Rare Holo\",";
    out += in + "\"flavorText\": " + Quoted(Sentence(r, 10 + r.Below(15))) + ",";
    out += in + "\"nationalPokedexNumbers\": [\n      " + std::to_string(1 + r.Below(900)) + "\n    ],";
    out += in + "\"legalities\": {\n      \"unlimited\": \"Legal\"\n    },";
    out += in + "\"images\": {\n      \"small\": \"https://images.example.test/" + setId + "/" +
           std::to_string(number) + ".png\",\n      \"large\": \"https://images.example.test/" + setId + "/" +
           std::to_string(number) + "_hires.png\"\n    }";
    out += "\n  }";
}

std::string CardList(uint64_t seed)
{
    Random r{seed};
    const std::string setId = "set" + std::to_string(seed);
    std::string out = "[\n";
    for (size_t i = 1; i <= CardsPerDocument; ++i) {
        if (i > 1)
            out += ",\n";
        AppendCard(out, r, setId, i);
    }
    out += "\n]\n";
    return out;
}

// The bytes the tree holds: its nodes, vectors and the strings too long for
// the string's own small buffer.
size_t TreeBytes(const JsonValue& v)
{
    const std::string empty;
    const auto stringBytes = [&](const std::string& s) {
        return s.capacity() > empty.capacity() ? s.capacity() + 1 : 0;
    };
    size_t bytes = stringBytes(v.string) + v.items.capacity() * sizeof(JsonValue) +
                   v.members.capacity() * sizeof(JsonMember);
    for (const JsonValue& item : v.items)
        bytes += TreeBytes(item);
    for (const JsonMember& member : v.members)
        bytes += stringBytes(member.key) + TreeBytes(member.value);
    return bytes;
}

PROCESS_MEMORY_COUNTERS_EX Memory()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters;
}

// Wine leaves the private-bytes counter at zero; the working set is
// counted everywhere, and fresh heap pages are in it once written.
double Grown(const PROCESS_MEMORY_COUNTERS_EX& before, const PROCESS_MEMORY_COUNTERS_EX& after)
{
    return static_cast<double>(after.WorkingSetSize) - static_cast<double>(before.WorkingSetSize);
}

double Mb(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

using Clock = std::chrono::steady_clock;

// Best of a few rounds over all documents, parse time only; each tree is
// destroyed outside the clock.
template <typename ParseOne>
double BestSeconds(const std::vector<std::string>& documents, ParseOne parseOne)
{
    double best = 1e30;
    for (int round = 0; round < Rounds; ++round) {
        double seconds = 0;
        for (const std::string& document : documents)
            seconds += parseOne(document);
        best = std::min(best, seconds);
    }
    return best;
}

}  // namespace

int wmain()
{
    std::vector<std::string> documents;
    size_t total = 0, largest = 0;
    for (uint64_t seed = 1; total < TotalBytes; ++seed) {
        documents.push_back(CardList(seed));
        total += documents.back().size();
        largest = std::max(largest, documents.back().size());
    }
    std::printf("Documents: %zu card lists of %zu cards, %.1f MB in all (largest %.0f KB)\n", documents.size(),
                CardsPerDocument, Mb(static_cast<double>(total)), static_cast<double>(largest) / 1024.0);

    const double ours = BestSeconds(documents, [](const std::string& document) {
        JsonValue tree;
        std::string error;
        const auto start = Clock::now();
        const bool ok = ParseJson(document, tree, error);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const JsonValue* cards = ok ? JsonCardList(tree) : nullptr;
        if (cards == nullptr || cards->items.size() != CardsPerDocument) {
            std::printf("ParseJson failed: %s\n", error.c_str());
            std::exit(1);
        }
        return seconds;
    });
    std::printf("ParseJson        %7.1f MB/s (best of %d rounds)\n", Mb(static_cast<double>(total)) / ours, Rounds);

    {
        // Every tree held at once, as the memory a parse costs.
        const PROCESS_MEMORY_COUNTERS_EX before = Memory();
        std::vector<JsonValue> trees(documents.size());
        size_t counted = 0;
        for (size_t i = 0; i < documents.size(); ++i) {
            std::string error;
            ParseJson(documents[i], trees[i], error);
            counted += TreeBytes(trees[i]);
        }
        const PROCESS_MEMORY_COUNTERS_EX after = Memory();
        const double grown = Grown(before, after);
        std::printf("ParseJson trees: %.1f MB counted (%.2fx the text), working set +%.1f MB (%.2fx)\n",
                    Mb(static_cast<double>(counted)), static_cast<double>(counted) / static_cast<double>(total),
                    Mb(grown), grown / static_cast<double>(total));
        std::printf("Peak working set after ParseJson: %.1f MB (the documents themselves: %.1f MB)\n",
                    Mb(static_cast<double>(after.PeakWorkingSetSize)), Mb(static_cast<double>(total)));
    }

#if BINDERWELL_BENCH_NLOHMANN
    const double theirs = BestSeconds(documents, [](const std::string& document) {
        nlohmann::json tree;
        const auto start = Clock::now();
        tree = nlohmann::json::parse(document, nullptr, false);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!tree.is_array() || tree.size() != CardsPerDocument) {
            std::printf("nlohmann::json failed\n");
            std::exit(1);
        }
        return seconds;
    });
    std::printf("nlohmann::json   %7.1f MB/s (version %d.%d.%d)\n", Mb(static_cast<double>(total)) / theirs,
                NLOHMANN_JSON_VERSION_MAJOR, NLOHMANN_JSON_VERSION_MINOR, NLOHMANN_JSON_VERSION_PATCH);
    {
        const PROCESS_MEMORY_COUNTERS_EX before = Memory();
        std::vector<nlohmann::json> trees(documents.size());
        for (size_t i = 0; i < documents.size(); ++i)
            trees[i] = nlohmann::json::parse(documents[i], nullptr, false);
        const PROCESS_MEMORY_COUNTERS_EX after = Memory();
        const double grown = Grown(before, after);
        std::printf("nlohmann trees:  working set +%.1f MB (%.2fx the text)\n", Mb(grown),
                    grown / static_cast<double>(total));
    }
#else
    std::printf("nlohmann::json was not found when this was built: no comparison\n");
#endif
    return 0;
}
