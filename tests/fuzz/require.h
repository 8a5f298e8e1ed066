// A fuzz target's property check: reports the broken property and aborts,
// which libFuzzer records as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

#define REQUIRE(condition)                                                       \
    do {                                                                         \
        if (!(condition)) {                                                      \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                        \
        }                                                                        \
    } while (false)
