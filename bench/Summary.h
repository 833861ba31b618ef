// SPDX-License-Identifier: Apache-2.0
// Collects every benchmark's time per iteration and prints the ratios against their targets as one table.
#ifndef LOCMAP50_BENCH_SUMMARY_H
#define LOCMAP50_BENCH_SUMMARY_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <sstream>
#include <map>
#include <string>
#include <vector>

namespace bench {

// What a benchmark's rounds took per iteration: the median, the least and the most.
struct Rounds {
    double median = -1;  // negative: the benchmark did not run
    double least = -1;
    double most = -1;
};

// Which clock a figure is read from: the thread's CPU time, which is what the
// code itself costs on a shared machine, or wall time, where waiting for the
// disk or for other threads is part of the cost.
enum class Clock { ThreadCpu, Wall };

// The console output as usual, and every round's time per iteration kept by
// benchmark name, on both clocks.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            const double iterations = static_cast<double>(run.iterations);
            Times &times = m_times[run.run_name.function_name];
            times.cpu.push_back(run.cpu_accumulated_time * 1e9 / iterations);
            times.wall.push_back(run.real_accumulated_time * 1e9 / iterations);
        }
    }
    // Nanoseconds per iteration over the rounds of a benchmark.
    Rounds rounds(const std::string &name, Clock clock = Clock::ThreadCpu) const {
        const auto known = m_times.find(name);
        if (known == m_times.end()) return Rounds();
        std::vector<double> figures = clock == Clock::ThreadCpu ? known->second.cpu : known->second.wall;
        std::sort(figures.begin(), figures.end());
        const std::size_t middle = figures.size() / 2;
        Rounds rounds;
        rounds.median = figures.size() % 2 == 1 ? figures[middle] : (figures[middle - 1] + figures[middle]) / 2;
        rounds.least = figures.front();
        rounds.most = figures.back();
        return rounds;
    }
    // The median in nanoseconds per iteration, or a negative number when the benchmark did not run.
    double nanoseconds(const std::string &name, Clock clock = Clock::ThreadCpu) const {
        return rounds(name, clock).median;
    }

private:
    struct Times {
        std::vector<double> cpu;
        std::vector<double> wall;
    };
    std::map<std::string, Times> m_times;
};

// One row: a measured figure against its upper limit.
struct SummaryRow {
    std::string what;
    double measured;  // negative: not measured in this run
    double limit;
    std::string unit;    // "x" for ratios, or the unit of an absolute figure
    std::string detail;  // the figures the ratio was made of
    bool informational = false;  // shown against its target, not counted as a failure
    bool atLeast = false;        // the limit is a lower one: the figure must reach it
};

inline std::string fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

inline std::string formatTime(double nanoseconds) {
    if (nanoseconds < 0) return "-";
    if (nanoseconds < 1e3) return fixed(nanoseconds, 0) + " ns";
    if (nanoseconds < 1e6) return fixed(nanoseconds / 1e3, 2) + " us";
    return fixed(nanoseconds / 1e6, 1) + " ms";
}

// "95 ns (93 ns-107 ns)": the median and the range of the rounds.
inline std::string formatRounds(const Rounds &rounds) {
    if (rounds.median < 0) return "-";
    if (rounds.least == rounds.most) return formatTime(rounds.median);
    return formatTime(rounds.median) + " (" + formatTime(rounds.least) + "-" + formatTime(rounds.most) + ")";
}

inline const char *resultText(const SummaryRow &row, bool measured, bool pass) {
    if (!measured) return "not run";
    if (row.informational) return pass ? "within (info)" : "over (info)";
    return pass ? "pass" : "FAIL";
}

// Prints the rows as a Markdown table; returns how many are over their limit,
// informational rows left out.
inline int printSummary(const std::vector<SummaryRow> &rows) {
    int over = 0;
    std::printf("\n| What | Measured | Target | Result | From |\n|---|---|---|---|---|\n");
    for (const SummaryRow &row : rows) {
        const bool measured = row.measured >= 0;
        const bool pass = measured && (row.atLeast ? row.measured >= row.limit : row.measured <= row.limit);
        if (!pass && !row.informational) ++over;
        const std::string figure = measured ? fixed(row.measured, 2) + row.unit : "-";
        std::printf("| %s | %s | %s %.4g%s | %s | %s |\n", row.what.c_str(), figure.c_str(), row.atLeast ? ">=" : "<=", row.limit,
                    row.unit.c_str(), resultText(row, measured, pass), row.detail.c_str());
    }
    std::printf("\n%s\n", over == 0 ? "Every figure is within its target."
                                    : (std::to_string(over) + " figure(s) not within target.").c_str());
    return over;
}

}  // namespace bench

#endif  // LOCMAP50_BENCH_SUMMARY_H
