#pragma once

#include <chrono>

// Time as the benchmark measures it: by the wall clock and in processor time.
namespace kestrune::bench {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start);

// Processor time of this process (all its threads: a save makes its pieces
// on a second thread), in ms: unlike the wall clock it is not inflated when
// other processes share the machine, nor by waits for the disk.
double processCpuMs();

// Wall-clock and processor time of one timed step.
class Stopwatch {
public:
    Stopwatch() : wall_(Clock::now()), cpu_(processCpuMs()) {}
    double wallMs() const { return msSince(wall_); }
    double cpuMs() const { return processCpuMs() - cpu_; }

private:
    Clock::time_point wall_;
    double cpu_;
};

} // namespace kestrune::bench
