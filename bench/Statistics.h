#pragma once

#include "StepTimes.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Every sample of every figure, by name and vault size, for the counters of
// the cases and for the table at the end.
namespace kestrune::bench {

struct Samples {
    std::vector<double> program; // wall clock, ms
    std::vector<double> floor;
    std::vector<double> programCpu; // processor time, ms (load and save only)
    std::vector<double> floorCpu;
};

// The samples of a figure for a vault size, kept for the table.
Samples& samplesOf(const std::string& name, std::size_t count);

// The names of the figures in the order they were first taken.
const std::vector<std::string>& figureOrder();
// The samples of a figure by vault size; empty for a figure never taken.
const std::map<std::size_t, Samples>& figure(const std::string& name);
bool hasFigure(const std::string& name);

double mean(const std::vector<double>& values);
// The values from index `from` on.
std::vector<double> tail(const std::vector<double>& values, std::size_t from);

// The counters of a case measured against the floor: the floor's median time,
// and the program's medians over the floor's, by the wall clock and by
// processor time (the latter is steadier on a busy machine). Only the samples
// from index `from` on count: those of this case.
void setFloorCounters(benchmark::State& state, const Samples& samples, std::size_t from);

} // namespace kestrune::bench
