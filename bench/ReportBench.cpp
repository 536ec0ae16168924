// The password report's benchmark. For the entries of the main benchmark's
// generated vault (100,000 by default) it prints, as the median of a few runs:
//   rate     every password rated (ratePasswords: zxcvbn on every core, the
//            reused passwords counted), by the wall clock and in processor
//            time, and the cores that makes use of (processor / wall)
//   report   what the window does after opening: the entries and identities
//            taken from the list (texts shared, not copied), the rating, and
//            the report's rows made and sorted worst first
//   peak     the growth of the process's peak resident memory during one
//            report, over what the list itself holds
// It asserts nothing.
//
// Options: --entries=N, --runs=N.

#include "StepTimes.h"
#include "VaultGenerator.h"

#include "mainwindow/PasswordReportModel.h"
#include "store/DataFileFormat.h"
#include "store/PasswordRating.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kestrune;
using namespace kestrune::bench;

// A figure of /proc/self/status ("VmHWM:", "VmRSS:"), in KiB.
long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

// Sets the peak resident memory back to what is resident now.
bool resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

struct Sample {
    double rateWall = 0;
    double rateCpu = 0;
    double reportWall = 0;
    std::size_t attention = 0;
};

// The report as the window makes it once the list is loaded.
Sample runReport(const std::vector<store::Entry>& list) {
    Sample sample;
    const Stopwatch report;
    std::vector<store::Entry> entries(list.begin(), list.end());
    std::vector<quint64> ids(list.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ids[i] = i + 1;
    }
    store::RatingControl control;
    const Stopwatch rate;
    const std::vector<store::PasswordRating> ratings = store::ratePasswords(entries, control);
    sample.rateWall = rate.wallMs();
    sample.rateCpu = rate.cpuMs();
    ui::PasswordReportModel rows;
    rows.setRatings(entries, ids, ratings);
    sample.reportWall = report.wallMs();
    sample.attention = std::size_t(rows.rowCount());
    return sample;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto count = std::size_t(numberOption(argc, argv, "--entries", 100000));
    const int runs = std::max(1, int(numberOption(argc, argv, "--runs", 5)));
    const std::string vault = makeVault(count);
    const std::vector<store::Entry> list =
        store::entriesOf(QByteArrayView(vault.data(), qsizetype(vault.size())));

    // The peak first, in a process that has not rated yet.
    const bool peakKnown = resetPeak();
    const long before = statusKiB("VmRSS:");
    const Sample first = runReport(list);
    const long peak = statusKiB("VmHWM:");

    std::vector<double> rateWall{first.rateWall};
    std::vector<double> rateCpu{first.rateCpu};
    std::vector<double> reportWall{first.reportWall};
    for (int run = 1; run < runs; ++run) {
        const Sample sample = runReport(list);
        rateWall.push_back(sample.rateWall);
        rateCpu.push_back(sample.rateCpu);
        reportWall.push_back(sample.reportWall);
    }
    std::printf("password report: %zu entries, %zu need attention, %u cores, %d runs (medians)\n",
                list.size(), first.attention, std::thread::hardware_concurrency(), runs);
    std::printf("  rate                 %9.1f ms %9.1f ms cpu  (%.2f cores used)\n",
                median(rateWall), median(rateCpu), median(rateCpu) / median(rateWall));
    std::printf("  report (all)         %9.1f ms\n", median(reportWall));
    if (peakKnown && before >= 0 && peak >= 0) {
        std::printf("  peak memory growth   %9.1f MiB\n", double(peak - before) / 1024);
    } else {
        std::printf("  peak memory growth   unknown (no /proc/self/clear_refs)\n");
    }
    return 0;
}
