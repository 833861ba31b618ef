// SPDX-License-Identifier: Apache-2.0
// What locmap prints of names: lines for a person always escaped, data escaped only on a terminal.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

class PrintedNames : public testsupport::MapTest {
protected:
    // Runs one edit of the map at path, as the command line would.
    static int runEdit(const std::string &path, locmap_tool::EditKind kind, const std::string &softPrefix,
                       std::vector<std::string> paths) {
        locmap_tool::EditRequest edit;
        edit.kind = kind;
        edit.softPrefix = softPrefix;
        edit.paths = std::move(paths);
        const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(path);
        if (source == nullptr) return locmap_tool::kExitUsage;
        return locmap_tool::runEdit(*source, edit, [&] { return locmap_tool::MapSource::fromFile(path); });
    }
};

// The line naming the file an edit wrote is for a person: a map named to
// retitle the terminal is shown by codes.
TEST_F(PrintedNames, TheFileWrittenLineEscapesControlBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.write("a\x1b]0;owned\x07.map", "ZOR_LOCATION_MAP_2\n$A\n/a\n");
    testing::internal::CaptureStdout();
    const int exitCode = runEdit(path, locmap_tool::EditKind::Set, "$A", {"/b"});
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(exitCode, locmap_tool::kExitOk);
    EXPECT_EQ(printed, dir.path().string() + "/a\\x1b]0;owned\\x07.map\n");
}

// Every message on standard error is for a person, whatever text it quotes.
TEST_F(PrintedNames, MessagesEscapeControlBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.write("site.map", "ZOR_LOCATION_MAP_2\n$A\n/a\n");
    testing::internal::CaptureStderr();
    runEdit(path, locmap_tool::EditKind::Remove, "$NO\x1b[2J", {});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
    EXPECT_NE(said.find("$NO\\x1b[2J"), std::string::npos) << said;
}

// What asData gives with standard output on descriptor, which it replaces
// for the call.
std::string asDataWithStandardOutputOn(int descriptor, const std::string &text) {
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(descriptor, STDOUT_FILENO);
    const std::string shown = locmap_tool::asData(text);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return shown;
}

// Data goes to a pipe byte for byte, for scripts, and to a terminal escaped,
// as ls does.
TEST(PrintedData, IsEscapedOnlyOnATerminal) {
    const std::string path = "/srv/ctl\x1b[31mred";
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal here";
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const int screen = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
    ASSERT_GE(screen, 0);
    EXPECT_EQ(asDataWithStandardOutputOn(screen, path), "/srv/ctl\\x1b[31mred");
    ::close(screen);
    ::close(terminal);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(asDataWithStandardOutputOn(pipeEnds[1], path), path);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

}  // namespace

#endif  // _WIN32
