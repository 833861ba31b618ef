// SPDX-License-Identifier: Apache-2.0
// The seeds and case count of a randomised differential run, fixed so that a failure replays.
#ifndef LOCMAP50_TESTS_SUPPORT_DIFFERENTIALRUN_H
#define LOCMAP50_TESTS_SUPPORT_DIFFERENTIALRUN_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#ifndef LOCMAP50_DIFFERENTIAL_DEFAULT_CASES
#define LOCMAP50_DIFFERENTIAL_DEFAULT_CASES 0
#endif

namespace testsupport {

// LOCMAP50_DIFFERENTIAL_CASES, or the build's default (0 where the run is too slow for it).
inline int differentialCaseCount() {
    const char *given = std::getenv("LOCMAP50_DIFFERENTIAL_CASES");
    return given != nullptr ? std::atoi(given) : LOCMAP50_DIFFERENTIAL_DEFAULT_CASES;
}

// The seeds of a run are this one and those after it: the same in every run,
// so a failure replays; LOCMAP50_DIFFERENTIAL_SEED starts them elsewhere.
inline unsigned firstDifferentialSeed() {
    const unsigned kFixedFirstSeed = 1;
    const char *given = std::getenv("LOCMAP50_DIFFERENTIAL_SEED");
    return given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : kFixedFirstSeed;
}

// What a failing case prints, so that it can be run alone.
inline std::string differentialReplay(unsigned seed) {
    return "replay with LOCMAP50_DIFFERENTIAL_SEED=" + std::to_string(seed) + " LOCMAP50_DIFFERENTIAL_CASES=1";
}

// Runs oneCase with each seed's generator, each traced with its replay, until
// one fails; skips the test when the run has no cases.
template <typename Case>
void runDifferentialCases(Case &&oneCase) {
    const int cases = differentialCaseCount();
    if (cases <= 0) GTEST_SKIP() << "LOCMAP50_DIFFERENTIAL_CASES is 0 for this build";
    const unsigned firstSeed = firstDifferentialSeed();
    for (int i = 0; i < cases && !::testing::Test::HasFatalFailure(); ++i) {
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        SCOPED_TRACE(differentialReplay(seed));
        std::mt19937 random(seed);
        oneCase(random);
    }
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_DIFFERENTIALRUN_H
