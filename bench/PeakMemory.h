#pragma once

#include <QString>

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

// Peak memory, each figure taken in a fresh child process of the benchmark's
// own executable, started with --peak-child=KIND --folder=FOLDER.
namespace kestrune::bench {

// The peaks in KiB (-1 where a child failed).
struct PeakFigures {
    long empty = 0;                                      // the window, no entries
    std::map<std::size_t, std::pair<long, long>> loaded; // load + show: program, floor
    std::map<std::size_t, long> sorted;                  // then an en_US sort
    std::map<std::size_t, long> sealed;                  // a sealed load + show
};

// Runs the children for every vault size; the vaults are written back as
// generated first.
PeakFigures measurePeaks(const std::vector<std::size_t>& sizes);

// The child: loads the vault in `folder` the way the program does (the login
// steps after the password: LoadData, then the window shown) or as the floor
// does, lets the list paint, and
// prints its peak. `kind` is "program", "sorted", "sealed", "floor" or "empty".
int peakChild(const QString& kind, const QString& folder, int argc, char** argv);

} // namespace kestrune::bench
