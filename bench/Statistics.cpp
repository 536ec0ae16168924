#include "Statistics.h"

#include <algorithm>

namespace kestrune::bench {

namespace {

std::map<std::string, std::map<std::size_t, Samples>> figures;
std::vector<std::string> order;

} // namespace

Samples& samplesOf(const std::string& name, std::size_t count) {
    if (std::find(order.begin(), order.end(), name) == order.end()) {
        order.push_back(name);
    }
    return figures[name][count];
}

const std::vector<std::string>& figureOrder() {
    return order;
}

const std::map<std::size_t, Samples>& figure(const std::string& name) {
    static const std::map<std::size_t, Samples> none;
    const auto it = figures.find(name);
    return it != figures.end() ? it->second : none;
}

bool hasFigure(const std::string& name) {
    return figures.count(name) != 0;
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    return values.empty() ? 0 : sum / double(values.size());
}

std::vector<double> tail(const std::vector<double>& values, std::size_t from) {
    return std::vector<double>(values.begin() + std::ptrdiff_t(std::min(from, values.size())),
                               values.end());
}

void setFloorCounters(benchmark::State& state, const Samples& samples, std::size_t from) {
    const double floor = median(tail(samples.floor, from));
    const double floorCpu = median(tail(samples.floorCpu, from));
    state.counters["floor_ms"] = floor;
    state.counters["x_floor"] = floor > 0 ? median(tail(samples.program, from)) / floor : 0;
    state.counters["x_floor_cpu"] =
        floorCpu > 0 ? median(tail(samples.programCpu, from)) / floorCpu : 0;
}

} // namespace kestrune::bench
