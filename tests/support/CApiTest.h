// SPDX-License-Identifier: Apache-2.0
// The fixture of the C interface tests: no map, a controlled environment, everything restored afterwards.
#ifndef LOCMAP50_TESTS_SUPPORT_CAPITEST_H
#define LOCMAP50_TESTS_SUPPORT_CAPITEST_H

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "locmap50/locmap50.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

// Each test starts with no map and without the variables that steer the map
// search. TearDown destroys the map, restores the environment and then lets
// the library take a fresh copy of it, so no later test sees this one's.
class CApiTest : public testsupport::MapTest {
protected:
    void SetUp() override {
        testsupport::destroyMap();
        testsupport::unsetMapSearchVariables(m_env);
    }

    void TearDown() override {
        testsupport::MapTest::TearDown();
        m_env.restore();
        refreshLibraryEnvironment();
    }

    // A failing explicit load refreshes the no-map fallbacks' snapshot and the
    // environment path table, and leaves no map.
    void refreshLibraryEnvironment() const {
        ASSERT_EQ(InitLocationMap(m_dir.file("missing.map").c_str(), 1), LOCMAP50_NO_MAP);
    }

    void setEnv(const std::string &name, std::optional<std::string> value) { m_env.set(name, std::move(value)); }

    // Writes a version-2 map file with the given entry lines; returns its path.
    std::string writeMap(const std::string &name, const std::string &entries) const {
        return m_dir.write(name, "ZOR_LOCATION_MAP_2\n" + entries);
    }

    // Loads an explicit map file with the given entry lines.
    std::string loadMap(const std::string &entries) {
        const std::string path = writeMap("main.map", entries);
        EXPECT_EQ(InitLocationMap(path.c_str(), 1), LOCMAP50_OK);
        return path;
    }

    testsupport::TempDir m_dir;

private:
    testsupport::ScopedEnvironment m_env;
};

// A translation function's result code and what it left in the buffer.
struct Translated {
    int result;
    std::string text;
};

inline bool operator==(const Translated &a, const Translated &b) {
    return a.result == b.result && a.text == b.text;
}

inline std::ostream &operator<<(std::ostream &out, const Translated &t) {
    return out << t.result << " \"" << t.text << "\"";
}

// Calls a plain translation function with a generous buffer that starts
// dirty, so that a missing "empty the buffer first" shows.
inline Translated translate(int (*function)(const char *, char *), const char *input) {
    std::vector<char> buffer(4096, 'x');
    buffer.back() = '\0';
    const int result = function(input, buffer.data());
    return {result, std::string(buffer.data())};
}

// The C string of an optional C string result, for comparisons.
inline std::optional<std::string> text(const char *value) {
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

#endif  // LOCMAP50_TESTS_SUPPORT_CAPITEST_H
