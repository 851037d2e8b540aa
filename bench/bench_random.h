// A small deterministic generator for the benchmarks, so every run builds
// the same data and runs can be compared.
#pragma once

#include <cstdint>

struct Random {
    uint64_t state;
    uint32_t Next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    // A number from 0 to n - 1.
    template <typename T>
    T Below(T n)
    {
        return static_cast<T>(Next() % static_cast<uint32_t>(n));
    }
};
