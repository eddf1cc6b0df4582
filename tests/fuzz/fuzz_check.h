#pragma once

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: when it does not, say which and
// abort, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition, ...)                                                                 \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n  ", __FILE__, __LINE__,             \
                         #condition);                                                              \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fputc('\n', stderr);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
