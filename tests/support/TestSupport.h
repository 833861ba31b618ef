// SPDX-License-Identifier: Apache-2.0
// Test fixtures: temporary directories, files, directory listings, captured standard output, and
// scoped changes of the environment and current directory that are undone when the scope ends.
#ifndef LOCMAP50_TESTS_TESTSUPPORT_H
#define LOCMAP50_TESTS_TESTSUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <stdlib.h>
#endif

namespace testsupport {

inline bool onWindows() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

inline std::optional<std::string> getEnv(const std::string &name) {
    const char *value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// Sets (or with nullopt removes) one variable of the process environment.
inline void setEnv(const std::string &name, const std::optional<std::string> &value) {
#ifdef _WIN32
    // _putenv with "NAME=" removes; an empty value cannot be stored on Windows.
    std::string entry = name + "=" + value.value_or("");
    _putenv(entry.c_str());
#else
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
#endif
}

// Sets a variable for the scope and restores its old value (or absence) after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value)
        : m_name(std::move(name)), m_old(getEnv(m_name)) {
        setEnv(m_name, value);
    }
    ~ScopedEnv() { setEnv(m_name, m_old); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Any number of variables changed for the scope; at its end (or on restore)
// they are put back newest first, so a variable changed twice ends as it began.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() { restore(); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    void set(const std::string &name, std::optional<std::string> value) {
        m_changes.push_back(std::make_unique<ScopedEnv>(name, std::move(value)));
    }
    void restore() {
        while (!m_changes.empty()) m_changes.pop_back();
    }

private:
    std::vector<std::unique_ptr<ScopedEnv>> m_changes;
};

// The variables that steer where the library looks for a map file.
inline const char *const kMapSearchVariables[] = {"ZOR_LOCATION_MAP", "HOME", "WDIR",
                                                  "CURRENT_PROJECT_PATH"};

// Removes every map search variable for the scope of environment.
inline void unsetMapSearchVariables(ScopedEnvironment &environment) {
    for (const char *name : kMapSearchVariables) environment.set(name, std::nullopt);
}

// Writes text exactly as given (binary: no line-end translation).
inline void writeFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A fresh directory, removed with its contents at the end of the scope.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("locmap50-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(m_path, error)) break;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    // The path of name inside the directory, in the host's own spelling.
    std::string file(const std::string &name) const { return (m_path / name).string(); }
    // Writes text (bytes as given) to name inside the directory, making the
    // directories on the way; returns the file's path.
    std::string write(const std::string &name, const std::string &text) const {
        const std::string path = file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeFile(path, text);
        return path;
    }

private:
    std::filesystem::path m_path;
};

// A file name as the library reports it: in the system's own separators,
// whichever the caller gave.
inline std::string libraryFileName(std::string path) {
    const char wrong = onWindows() ? '/' : '\\';
    const char right = onWindows() ? '\\' : '/';
    for (char &c : path)
        if (c == wrong) c = right;
    return path;
}

// Reads a whole file as bytes; nullopt when it cannot be opened.
inline std::optional<std::string> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The platform's text line ends turned into "\n", for comparing written files.
inline std::string withUnixLineEnds(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

// A file the library wrote, with Unix line ends; a marker when there is none.
inline std::string writtenText(const std::string &path) {
    return withUnixLineEnds(readFile(path).value_or("<not written>"));
}

// The names of the entries of dir, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path &dir) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What a call returned and what it printed to standard output, with Unix line ends.
template <typename Result>
struct Printed {
    Result result;
    std::string output;
};

template <typename Call>
auto printedBy(Call call) -> Printed<decltype(call())> {
    ::testing::internal::CaptureStdout();
    auto result = call();
    return {result, withUnixLineEnds(::testing::internal::GetCapturedStdout())};
}

// Changes the current directory for the scope.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path &dir)
        : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCurrentDir() {
        std::error_code ignored;
        std::filesystem::current_path(m_old, ignored);
    }
    ScopedCurrentDir(const ScopedCurrentDir &) = delete;
    ScopedCurrentDir &operator=(const ScopedCurrentDir &) = delete;

private:
    std::filesystem::path m_old;
};

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_TESTSUPPORT_H
