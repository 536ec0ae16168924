#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

// The benchmark's cases, each timing one of the program's own paths on a
// generated vault of `count` entries, most of them beside the plain C++ floor.
namespace kestrune::bench {

// Load (LoadBench.cpp): data.enc read, decoded and appended to the list
// model, and the first show of the filled main window.
void loadCase(benchmark::State& state, std::size_t count);

// Save (SaveBench.cpp): SaveData of the whole list.
void saveCase(benchmark::State& state, std::size_t count);

// Sealed (SealedBench.cpp): the key on its own, the check of a sealed file at
// start and its load, a sealed save.
void keyCase(benchmark::State& state);
void sealedLoadCase(benchmark::State& state, std::size_t count);
void sealedSaveCase(benchmark::State& state, std::size_t count);

// Sort (SortBench.cpp): a header click on a column (0 to 2, see
// kColumnNames), until the list has been painted again.
inline constexpr const char* kColumnNames[] = {"username", "password", "location"};
void sortCase(benchmark::State& state, std::size_t count, bool icu, int column, bool descending);

// Find (FindBench.cpp): one Find Next for a text that no row holds.
void findCase(benchmark::State& state, std::size_t count, bool matchCase);

} // namespace kestrune::bench
