#pragma once

#include "PeakMemory.h"

// The table at the end of a run: every figure's median beside its floor, the
// peaks of memory, and the sealed figures beside the plain ones.
namespace kestrune::bench {

void printTable(const PeakFigures& peaks);

} // namespace kestrune::bench
