#include "bench/card_repository.h"

#include "core/catalogue_update.h"

#include <string>

namespace {

// One card shaped like the repository's: attacks, weaknesses, flavour text.
std::string CardJson(const std::string& setId, int number)
{
    const std::string n = std::to_string(number);
    return "  {\n    \"id\": \"" + setId + "-" + n + "\",\n    \"name\": \"Card " + n +
           "\",\n    \"supertype\": \"Pok\xC3\xA9mon\",\n    \"subtypes\": [\n      \"Stage 1\"\n    ],\n"
           "    \"hp\": \"80\",\n    \"types\": [\n      \"Psychic\"\n    ],\n    \"evolvesFrom\": \"Other\",\n"
           "    \"attacks\": [\n      {\n        \"name\": \"Confuse Ray\",\n        \"cost\": [\n          "
           "\"Psychic\",\n          \"Psychic\"\n        ],\n        \"convertedEnergyCost\": 2,\n        "
           "\"damage\": \"30\",\n        \"text\": \"Flip a coin. If heads, the Defending Pok\xC3\xA9mon is now "
           "Confused.\"\n      },\n      {\n        \"name\": \"Psybeam\",\n        \"cost\": [\n          "
           "\"Psychic\",\n          \"Colorless\",\n          \"Colorless\"\n        ],\n        "
           "\"convertedEnergyCost\": 3,\n        \"damage\": \"50\",\n        \"text\": \"\"\n      }\n    ],\n"
           "    \"weaknesses\": [\n      {\n        \"type\": \"Psychic\",\n        \"value\": \"\xC3\x97" "2\"\n"
           "      }\n    ],\n    \"retreatCost\": [\n      \"Colorless\",\n      \"Colorless\"\n    ],\n"
           "    \"convertedRetreatCost\": 2,\n    \"number\": \"" + n +
           "\",\n    \"artist\": \"Ken Sugimori\",\n    \"rarity\": \"Rare Holo\",\n    \"flavorText\": \"Its "
           "brain can outperform a supercomputer. Its intelligence quotient is said to be 5000.\",\n"
           "    \"nationalPokedexNumbers\": [\n      65\n    ],\n    \"legalities\": {\n      \"unlimited\": "
           "\"Legal\"\n    },\n    \"images\": {\n      \"small\": \"https://images.pokemontcg.io/" + setId + "/" +
           n + ".png\",\n      \"large\": \"https://images.pokemontcg.io/" + setId + "/" + n + "_hires.png\"\n"
           "    }\n  }";
}

std::string SetJson(const std::string& id, int total)
{
    const std::string t = std::to_string(total);
    return "  {\n    \"id\": \"" + id + "\",\n    \"name\": \"Set " + id + "\",\n    \"series\": \"Series " +
           std::to_string(id.size()) + "\",\n    \"printedTotal\": " + t + ",\n    \"total\": " + t +
           ",\n    \"legalities\": {\n      \"unlimited\": \"Legal\"\n    },\n    \"ptcgoCode\": \"XX\",\n"
           "    \"releaseDate\": \"1999/01/09\",\n    \"updatedAt\": \"2022/10/10 15:12:00\"\n  }";
}

} // namespace

size_t ServeCardRepository(HttpsTestServer& server, int& cardsMade)
{
    std::string setList = "[\n";
    size_t bytes = 0;
    cardsMade = 0;
    for (int s = 0; s < kSets; ++s) {
        const std::string id = "set" + std::to_string(s);
        const int total = kCards / kSets + (s < kCards % kSets ? 1 : 0);
        setList += SetJson(id, total) + (s + 1 < kSets ? ",\n" : "\n");
        std::string cards = "[\n";
        for (int c = 1; c <= total; ++c)
            cards += CardJson(id, c) + (c < total ? ",\n" : "\n");
        cards += "]\n";
        bytes += cards.size();
        cardsMade += total;
        server.AddFile(id + ".json", cards);
        server.Route(std::string(kCardListFolder) + id + ".json", {ReplyFromFile(id + ".json")});
    }
    setList += "]\n";
    bytes += setList.size();
    server.AddFile("sets.json", setList);
    server.Route(kSetListPath, {ReplyFromFile("sets.json")});
    return bytes;
}
