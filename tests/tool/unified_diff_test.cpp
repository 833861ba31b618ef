// SPDX-License-Identifier: Apache-2.0
// locmap's --dry-run diffs against GNU diff and patch: the same hunks byte for byte, and patches that give the real save.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "UnifiedDiff.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

// What a shell command writes to standard output, bytes as they are.
std::string outputOf(const std::string &command) {
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    ::pclose(pipe);
    return output;
}

struct DiffCase {
    const char *what;
    std::string oldText;
    std::string newText;
};

TEST(UnifiedDiff, HunksAreThoseOfGnuDiffByteForByte) {
    const std::string nul(1, '\0');
    const DiffCase cases[] = {
        {"a NUL byte in a comment", "H\n# a" + nul + "b\n$A\n/a\n", "H\n# a" + nul + "b\n$A\n/b\n"},
        {"CR LF line ends", "H\r\n\r\n$A\r\n/a\r\n/b\r\n", "H\r\n\r\n$A\r\n/c\r\n/b\r\n"},
        {"a changed last line without a line end", "H\n$A\n/a", "H\n$A\n/b"},
        {"a line end added to the last line", "H\n$A\n/a", "H\n$A\n/a\n"},
        {"context reaching a last line without a line end", "1\n2\n3\n4\n5", "1\nX\n3\n4\n5"},
        {"comments and blank lines dropped", "H # c\n# one\n\n$A\n/a # x\n\n# two\n$B\n/b\n\n",
         "H\n\n$A\n/a\n\n$B\n/b\n"},
        {"six lines apart: one hunk", "a\n1\n2\n3\n4\n5\n6\nb\n", "A\n1\n2\n3\n4\n5\n6\nB\n"},
        {"seven lines apart: two hunks", "a\n1\n2\n3\n4\n5\n6\n7\nb\n", "A\n1\n2\n3\n4\n5\n6\n7\nB\n"},
        {"an empty file filled", "", "H\n$A\n"},
        {"a file emptied", "H\n$A\n", ""},
        {"a line inserted first", "a\nb\n", "x\na\nb\n"},
        {"the first line deleted", "a\nb\nc\nd\ne\n", "b\nc\nd\ne\n"},
        {"repeated blank lines", "a\n\nb\n\nc\n\nd\n", "a\n\nc\n\n\nd\n"},
        {"a block removed among equal ones", "$A\n/x\n\n$B\n/x\n\n$C\n/x\n", "$A\n/x\n\n$C\n/x\n"},
    };
    testsupport::TempDir dir;
    for (const DiffCase &diffCase : cases) {
        const std::string oldFile = dir.write("old", diffCase.oldText);
        const std::string newFile = dir.write("new", diffCase.newText);
        const std::string gnu = outputOf("diff -a -u --label F --label F '" + oldFile + "' '" + newFile + "'");
        EXPECT_EQ(locmap_tool::unifiedDiff("F", diffCase.oldText, diffCase.newText), gnu) << diffCase.what;
    }
}

// A name in a diff header is the one GNU diff writes for that file name, so
// that patch finds the file: quoted with C escapes where it holds a blank, a
// quote, a backslash, a control byte or a byte from 0x80 up.
TEST(UnifiedDiff, NamesAreQuotedAsGnuDiffQuotesThem) {
    const std::string names[] = {"plain.map", "x\ny.map", "with blank.map", "quo\"te.map", "back\\slash.map",
                                 "tab\t.map", "esc\x1b[2J.map", "bell\a.map", "del\x7f.map", "caf\xc3\xa9.map"};
    testsupport::TempDir dir;
    dir.write("other", "b\n");
    for (const std::string &name : names) {
        dir.write(name, "a\n");
        dir.write("name.txt", name);
        const std::string gnu =
            outputOf("cd '" + dir.path().string() + "' && diff -u -- \"$(cat name.txt)\" other");
        const std::string gnuHeader = gnu.substr(0, gnu.find('\t'));
        const std::string ours = locmap_tool::unifiedDiff(name, "a\n", "b\n");
        EXPECT_EQ(ours.substr(0, ours.find('\n')), gnuHeader) << name;
    }
}

// A map file in one of the shapes people keep them: LF or CR LF line ends,
// a last line with or without one, comments (one holding a NUL byte),
// blank lines and indentation.
std::string generatedMap(std::mt19937 &random, int prefixes) {
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    const std::string lineEnd = chance(50) ? "\r\n" : "\n";
    std::string text = "ZOR_LOCATION_MAP_2" + std::string(chance(30) ? "  # header" : "") + lineEnd;
    for (int p = 0; p < prefixes; ++p) {
        if (chance(40)) text += lineEnd;
        if (chance(30)) text += "# about $P" + std::to_string(p) + (chance(20) ? std::string(1, '\0') : "") + lineEnd;
        text += "$P" + std::to_string(p) + (chance(20) ? "   # note" : "") + lineEnd;
        const int paths = 1 + static_cast<int>(random() % 3);
        for (int h = 0; h < paths; ++h)
            text += (chance(20) ? "  " : "") + std::string("/opt/p") + std::to_string(p) + "/" + std::to_string(h) +
                    lineEnd;
    }
    if (chance(40)) text.resize(text.size() - lineEnd.size());
    return text;
}

class DryRunPatches : public testsupport::MapTest {};

// Each dry run's diff, applied by patch to a copy of the file as it was,
// gives the file the real run writes.
TEST_F(DryRunPatches, GiveTheRealSaveOfGeneratedFiles) {
    // Each real save syncs its file to disk; in memory the whole run takes seconds.
    testsupport::ScopedEnvironment environment;
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) environment.set("TMPDIR", "/dev/shm");
    testsupport::TempDir dir;
    std::mt19937 random(20261208);
    for (int i = 0; i < 240; ++i) {
        const int prefixes = 1 + static_cast<int>(random() % 6);
        const std::string original = generatedMap(random, prefixes);
        const std::string path = dir.write("site.map", original);
        const bool save = i % 2 == 0;
        locmap_tool::EditRequest edit;
        edit.kind = i % 4 == 1 ? locmap_tool::EditKind::Remove : locmap_tool::EditKind::Set;
        edit.softPrefix = "$P" + std::to_string(random() % prefixes);
        if (edit.kind == locmap_tool::EditKind::Set) edit.paths = {"/new/" + std::to_string(i)};
        edit.quiet = true;
        locmap_tool::SaveRequest rewrite;
        rewrite.quiet = true;
        rewrite.force = true;
        const auto run = [&](bool dryRun) {
            const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(path);
            EXPECT_NE(source, nullptr);
            if (source == nullptr) return locmap_tool::kExitUsage;
            edit.dryRun = rewrite.dryRun = dryRun;
            return save ? locmap_tool::runSave(*source, rewrite)
                        : locmap_tool::runEdit(*source, edit, [&] { return locmap_tool::MapSource::fromFile(path); });
        };
        testing::internal::CaptureStdout();
        const int dryExit = run(true);
        const std::string diff = testing::internal::GetCapturedStdout();
        ASSERT_EQ(dryExit, locmap_tool::kExitOk) << original;
        ASSERT_EQ(run(false), locmap_tool::kExitOk) << original;
        if (diff.empty()) {
            EXPECT_EQ(testsupport::readFile(path), original) << "case " << i;
            continue;
        }
        dir.write("copy.map", original);
        dir.write("change.diff", diff);
        const std::string patched = dir.file("patched.map");
        std::remove(patched.c_str());
        outputOf("patch --binary -s -o '" + patched + "' '" + dir.file("copy.map") + "' '" +
                 dir.file("change.diff") + "' 2>&1");
        ASSERT_EQ(testsupport::readFile(patched), testsupport::readFile(path)) << "case " << i << ":\n" << diff;
    }
}

// The dry run's diff of a map whose name holds a newline, given to patch
// -p0 as it stands, changes that map and no other file.
TEST_F(DryRunPatches, ApplyToAMapWhoseNameHoldsANewline) {
    testsupport::TempDir dir;
    const std::string name = "x\ny.map";
    const std::string original = "ZOR_LOCATION_MAP_2\n$A\n/a\n";
    dir.write(name, original);
    dir.write("x", "not the map\n");
    const testsupport::ScopedCurrentDir inDir(dir.path());
    locmap_tool::EditRequest edit;
    edit.kind = locmap_tool::EditKind::Set;
    edit.softPrefix = "$A";
    edit.paths = {"/b"};
    edit.quiet = true;
    edit.dryRun = true;
    const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(name);
    ASSERT_NE(source, nullptr);
    testing::internal::CaptureStdout();
    const int exitCode =
        locmap_tool::runEdit(*source, edit, [&] { return locmap_tool::MapSource::fromFile(name); });
    const std::string diff = testing::internal::GetCapturedStdout();
    ASSERT_EQ(exitCode, locmap_tool::kExitOk);
    dir.write("change.diff", diff);
    const std::string patchSays = outputOf("patch -p0 --batch < change.diff 2>&1");
    EXPECT_EQ(testsupport::readFile(dir.file(name)), "ZOR_LOCATION_MAP_2\n$A\n/b\n") << diff << patchSays;
    EXPECT_EQ(testsupport::readFile(dir.file("x")), "not the map\n") << patchSays;
}

}  // namespace

#endif  // _WIN32
