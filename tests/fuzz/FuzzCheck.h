#pragma once

#include <cstdio>
#include <cstdlib>

// A property of the code under test that failed: the message goes to stderr
// and the process aborts, which libFuzzer records as a crash (and saves the
// input) and the replay driver reports as a failed test.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
