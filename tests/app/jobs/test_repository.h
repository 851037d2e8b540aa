// A generated card-data repository on the tests' local HTTPS server: sets
// "s1" to "sN" in the set list, each with its full card count as its total,
// and a card list per set.
#pragma once

#include "tests/support/https_test_server.h"

#include <string>
#include <vector>

std::string CardListPath(const std::string& setId);

// Routes the set list and every card list of sets sets of cardsPerSet cards
// each; the card list of a set listed in slow is answered after delay
// seconds.
void ServeRepository(HttpsTestServer& server, int sets, int cardsPerSet, const std::vector<std::string>& slow = {},
                     double delay = 0);

// The paths the server was asked for, in order.
std::vector<std::string> RequestedPaths(const HttpsTestServer& server);
