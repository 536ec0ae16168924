#include "Report.h"

#include "Statistics.h"
#include "VaultCache.h"

#include <QtGlobal>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace kestrune::bench {

namespace {

std::string machineText() {
    std::string cpu = "unknown";
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ostringstream out;
    out << "CPU " << cpu << ", " << std::thread::hardware_concurrency() << " threads; Qt "
        << qVersion() << "; vaults in " << vaultRoot().toStdString();
    return out.str();
}

// The samples of a figure for a vault size; none when it was never taken.
const Samples& samplesAt(const std::string& name, std::size_t count) {
    static const Samples none;
    const auto& byCount = figure(name);
    const auto it = byCount.find(count);
    return it != byCount.end() ? it->second : none;
}

void printFigures() {
    std::printf("%-26s %9s %11s %11s %8s %11s %11s %8s\n", "figure", "entries", "program ms",
                "floor ms", "x floor", "prog cpu", "floor cpu", "x cpu");
    for (const std::string& name : figureOrder()) {
        for (const auto& [count, samples] : figure(name)) {
            const double program = median(samples.program);
            std::printf("%-26s %9zu %11.2f", name.c_str(), count, program);
            if (!samples.floor.empty()) {
                const double floor = median(samples.floor);
                std::printf(" %11.2f %8.2f", floor, floor > 0 ? program / floor : 0.0);
            }
            if (!samples.floorCpu.empty()) {
                const double programCpu = median(samples.programCpu);
                const double floorCpu = median(samples.floorCpu);
                std::printf(" %11.2f %11.2f %8.2f", programCpu, floorCpu,
                            floorCpu > 0 ? programCpu / floorCpu : 0.0);
            }
            std::printf("\n");
        }
    }
}

void printPeaks(const PeakFigures& peaks) {
    std::printf("\n%-26s %9s %11s %11s %8s\n", "peak memory", "entries", "program MB", "floor MB",
                "x floor");
    if (peaks.empty > 0) {
        std::printf("%-26s %9d %11.1f %11s %8s\n", "peak (window, no entries)", 0,
                    double(peaks.empty) / 1024, "-", "-");
    }
    for (const auto& [count, peak] : peaks.loaded) {
        std::printf("%-26s %9zu %11.1f %11.1f %8.2f\n", "peak (load + show)", count,
                    double(peak.first) / 1024, double(peak.second) / 1024,
                    peak.second > 0 ? double(peak.first) / double(peak.second) : 0.0);
    }
    for (const auto& [count, peak] : peaks.sorted) {
        std::printf("%-26s %9zu %11.1f\n", "peak (+ en_US sort)", count, double(peak) / 1024);
    }
    for (const auto& [count, peak] : peaks.sealed) {
        std::printf("%-26s %9zu %11.1f\n", "peak (sealed load + show)", count, double(peak) / 1024);
    }
}

// The sealed figures beside the plain ones of the same run, by the wall
// clock and by processor time (all threads).
void printSealedBesidePlain() {
    std::printf("\n%-26s %9s %11s %11s %8s %11s %11s %8s\n", "sealed vs plain", "entries",
                "sealed ms", "plain ms", "x plain", "sealed cpu", "plain cpu", "x cpu");
    for (const auto& [sealed, plain] :
         {std::make_pair("load sealed", "load"), std::make_pair("save sealed", "save")}) {
        for (const auto& [count, samples] : figure(sealed)) {
            const Samples& other = samplesAt(plain, count);
            const double a = median(samples.program);
            const double b = median(other.program);
            const double ac = median(samples.programCpu);
            const double bc = median(other.programCpu);
            std::printf("%-26s %9zu %11.2f %11.2f %8.2f %11.2f %11.2f %8.2f\n", sealed, count, a, b,
                        b > 0 ? a / b : 0.0, ac, bc, bc > 0 ? ac / bc : 0.0);
        }
    }
}

} // namespace

void printTable(const PeakFigures& peaks) {
    std::printf("\n== Kestrune figures (median of the runs; floor = plain C++, same run)\n");
    std::printf("%s\n\n", machineText().c_str());
    printFigures();
    if (!peaks.loaded.empty()) {
        printPeaks(peaks);
    }
    if (hasFigure("load sealed") || hasFigure("save sealed")) {
        printSealedBesidePlain();
    }
    std::fflush(stdout);
}

} // namespace kestrune::bench
