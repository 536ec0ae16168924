#include "StepTimes.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kestrune::bench {

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long long numberOption(int argc, char** argv, const char* name, long long fallback) {
    const std::string prefix = std::string(name) + '=';
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            return std::stoll(argv[i] + prefix.size());
        }
    }
    return fallback;
}

} // namespace kestrune::bench
