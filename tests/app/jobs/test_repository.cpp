#include "tests/app/jobs/test_repository.h"

#include "core/catalogue_update.h"

#include <algorithm>

std::string CardListPath(const std::string& setId)
{
    return std::string(kCardListFolder) + setId + ".json";
}

void ServeRepository(HttpsTestServer& server, int sets, int cardsPerSet, const std::vector<std::string>& slow,
                     double delay)
{
    std::string setList = "[";
    for (int s = 1; s <= sets; ++s) {
        const std::string id = "s" + std::to_string(s);
        setList += (s > 1 ? "," : "") + std::string("{\"id\":\"") + id + "\",\"name\":\"Set " + id +
                   "\",\"series\":\"Base\",\"printedTotal\":" + std::to_string(cardsPerSet) +
                   ",\"total\":" + std::to_string(cardsPerSet) + "}";
        std::string cards = "[";
        for (int c = 1; c <= cardsPerSet; ++c)
            cards += (c > 1 ? "," : "") + std::string("{\"id\":\"") + id + "-" + std::to_string(c) +
                     "\",\"name\":\"Card " + std::to_string(c) + "\",\"number\":\"" + std::to_string(c) +
                     "\",\"rarity\":\"Common\"}";
        server.AddFile(id + ".json", cards + "]");
        ScriptedAnswer answer = ReplyFromFile(id + ".json");
        if (std::find(slow.begin(), slow.end(), id) != slow.end())
            answer.delay = delay;
        server.Route(CardListPath(id), {answer});
    }
    server.AddFile("sets.json", setList + "]");
    server.Route(kSetListPath, {ReplyFromFile("sets.json")});
}

std::vector<std::string> RequestedPaths(const HttpsTestServer& server)
{
    std::vector<std::string> paths;
    for (const RecordedRequest& request : server.Requests())
        paths.push_back(request.path);
    return paths;
}
