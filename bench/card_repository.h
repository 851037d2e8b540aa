// A generated card-data repository the size of the real one (170 sets,
// about 20,000 cards, about 26 MB of JSON shaped like the repository's),
// for the benchmarks of the online update to serve over local HTTPS with
// the tests' server.
#pragma once

#include "tests/support/https_test_server.h"

#include <cstddef>

constexpr int kSets = 170;
constexpr int kCards = 20000;

// Writes the set list and every card list into the server's folder and
// routes them; returns the bytes of JSON, with the cards made in cardsMade.
size_t ServeCardRepository(HttpsTestServer& server, int& cardsMade);
