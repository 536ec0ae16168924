#pragma once

#include "Stopwatch.h"

#include <vector>

// The times of a step run several times, and the options every small
// benchmark program takes.
namespace kestrune::bench {

// Wall-clock and processor time of each run of a step, in ms.
struct Times {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Runs `step` once, adds its times to `times`, and returns what it returned.
template <typename F> auto timed(Times& times, F&& step) {
    const Stopwatch watch;
    auto result = step();
    times.cpu.push_back(watch.cpuMs());
    times.wall.push_back(watch.wallMs());
    return result;
}

double median(std::vector<double> values);

// The number given as "--name=N" among the program's arguments, or
// `fallback` when it is not there.
long long numberOption(int argc, char** argv, const char* name, long long fallback);

} // namespace kestrune::bench
