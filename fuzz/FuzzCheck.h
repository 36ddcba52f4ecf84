#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

namespace korvane::fuzz {

// A broken invariant ends the run with a message: libFuzzer keeps the input, a replay test fails.
[[noreturn]] inline void invariantBroken(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void require(bool holds, const char* what) {
    if (!holds) {
        invariantBroken(what);
    }
}

} // namespace korvane::fuzz
