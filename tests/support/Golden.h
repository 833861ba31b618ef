// SPDX-License-Identifier: Apache-2.0
// The expected texts under tests/golden, placeholders filled in, and the input files under tests/data.
#ifndef LOCMAP50_TESTS_SUPPORT_GOLDEN_H
#define LOCMAP50_TESTS_SUPPORT_GOLDEN_H

#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace testsupport {

// Placeholder, value: every occurrence of the placeholder is replaced.
using Substitutions = std::vector<std::pair<std::string, std::string>>;

// tests/golden/<name> with every placeholder replaced by its value; a marker
// that matches nothing when the golden file is missing.
inline std::string golden(const std::string &name, const Substitutions &substitutions = {}) {
    std::string text = readFile(std::string(LOCMAP50_GOLDEN_DIR) + "/" + name)
                           .value_or("<no golden " + name + ">");
    for (const auto &[placeholder, value] : substitutions)
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size()))
            text.replace(at, placeholder.size(), value);
    return text;
}

// Whether golden files are to be written from what the tests produce
// (LOCMAP50_UPDATE_GOLDENS=1), for a change that means to alter them.
inline bool updatingGoldens() {
    return getEnv("LOCMAP50_UPDATE_GOLDENS").value_or("") == "1";
}

// tests/golden/<name>, or, while goldens are updated, actual written there.
inline std::string goldenOrUpdate(const std::string &name, const std::string &actual) {
    if (updatingGoldens()) writeFile(std::string(LOCMAP50_GOLDEN_DIR) + "/" + name, actual);
    return golden(name);
}

// The path of tests/data/<name>, as the test program must spell it.
inline std::string dataFile(const std::string &name) {
    return std::string(LOCMAP50_TEST_DATA_DIR) + "/" + name;
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_GOLDEN_H
