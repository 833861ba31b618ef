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

// The console output as usual, and the least CPU time per iteration of each
// benchmark kept by name: on a shared machine CPU time is what the code itself
// costs, and repetitions give the least disturbed figure.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            const double nanoseconds = run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
            const std::string name = run.run_name.function_name;
            const auto known = m_nanoseconds.find(name);
            if (known == m_nanoseconds.end() || nanoseconds < known->second) m_nanoseconds[name] = nanoseconds;
        }
    }
    // Nanoseconds per iteration, or a negative number when the benchmark did not run.
    double nanoseconds(const std::string &name) const {
        const auto known = m_nanoseconds.find(name);
        return known == m_nanoseconds.end() ? -1.0 : known->second;
    }

private:
    std::map<std::string, double> m_nanoseconds;
};

// One row: a measured figure against its upper limit.
struct SummaryRow {
    std::string what;
    double measured;  // negative: not measured in this run
    double limit;
    std::string unit;    // "x" for ratios, or the unit of an absolute figure
    std::string detail;  // the figures the ratio was made of
    bool informational = false;  // shown against its target, not counted as a failure
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
        const bool pass = measured && row.measured <= row.limit;
        if (!pass && !row.informational) ++over;
        const std::string figure = measured ? fixed(row.measured, 2) + row.unit : "-";
        std::printf("| %s | %s | <= %.4g%s | %s | %s |\n", row.what.c_str(), figure.c_str(), row.limit,
                    row.unit.c_str(), resultText(row, measured, pass), row.detail.c_str());
    }
    std::printf("\n%s\n", over == 0 ? "Every figure is within its target."
                                    : (std::to_string(over) + " figure(s) not within target.").c_str());
    return over;
}

}  // namespace bench

#endif  // LOCMAP50_BENCH_SUMMARY_H
