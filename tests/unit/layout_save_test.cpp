// The layout-keeping save: before file, edit, after file, for every rule, with LF and CR LF line ends; and what it never writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "locmap50/VnLocMap.h"
#include "support/MapTest.h"

namespace {

using testsupport::golden;

enum class Edit { Set, Add, Remove };
enum class Target { EveryFile, OneFile };
enum class LineEnd { LF, CRLF };

struct LayoutCase {
    const char *name;
    const char *before;  // tests/golden/layout/<before>.before.map
    Edit edit;
    Target target;
    const char *softPrefix;
    const char *hardPaths;
    bool platformLineEnd = false;  // the file has no line end of its own
};

const LayoutCase kLayoutCases[] = {
    {"unchanged", "base", Edit::Set, Target::EveryFile, "$SRC", "C:\\rtl\\src`C:\\rtl\\alt`"},
    {"changed_values", "base", Edit::Set, Target::EveryFile, "$SRC", "F:\\new\\src`G:\\alt`"},
    {"surplus_paths", "base", Edit::Set, Target::EveryFile, "$TOOLS", "D:\\tools`"},
    {"extra_paths", "base", Edit::Set, Target::EveryFile, "$DOCS", "\\\\server\\docs`H:\\docs`I:\\docs`"},
    {"deleted", "base", Edit::Remove, Target::EveryFile, "$TOOLS", ""},
    {"added", "base", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"second_block_set", "second_block", Edit::Set, Target::EveryFile, "$TOOLS", "K:\\tools`"},
    {"second_block_deleted", "second_block", Edit::Remove, Target::EveryFile, "$TOOLS", ""},
    {"no_final_line_end", "no_final_line_end", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"ends_blank", "ends_blank", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`"},
    {"bare", "bare", Edit::Set, Target::EveryFile, "$LM50_BARE", "L:\\bare`"},
    {"too_many", "too_many", Edit::Set, Target::EveryFile, "$MANY", "M:\\one`C:\\p1`"},
    {"single_line", "single_line", Edit::Add, Target::EveryFile, "$NEW", "J:\\new`", true},
    {"changed_values", "base", Edit::Set, Target::OneFile, "$SRC", "F:\\new\\src`G:\\alt`"},
    {"deleted", "base", Edit::Remove, Target::OneFile, "$TOOLS", ""},
    {"added", "base", Edit::Add, Target::OneFile, "$NEW", "J:\\new`"},
    {"second_block_deleted", "second_block", Edit::Remove, Target::OneFile, "$TOOLS", ""},
};

std::string withLineEnd(const std::string &text, const std::string &lineEnd) {
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += lineEnd;
        else converted += c;
    }
    return converted;
}

int applyEdit(VnLocMap &map, const LayoutCase &row, const std::string &file) {
    if (row.target == Target::OneFile) {
        switch (row.edit) {
        case Edit::Set: return map.changeEntryInFile(file, row.softPrefix, row.hardPaths);
        case Edit::Add: return map.addEntryToFile(file, row.softPrefix, row.hardPaths);
        case Edit::Remove: return map.deleteEntryFromFile(file, row.softPrefix);
        }
    }
    switch (row.edit) {
    case Edit::Set: return map.changeEntry(row.softPrefix, row.hardPaths);
    case Edit::Add: return map.addEntry(row.softPrefix, row.hardPaths);
    case Edit::Remove: return map.deleteEntry(row.softPrefix);
    }
    return LOCMAP50_FAILED;
}

class LayoutSaveTest : public testsupport::MapFileTest,
                       public ::testing::WithParamInterface<std::tuple<LayoutCase, LineEnd>> {
protected:
    testsupport::ScopedEnv m_bare{"LM50_BARE", std::string("C:\\from\\env")};
};

TEST_P(LayoutSaveTest, ChangesOnlyTheLinesTheEditConcerns) {
    const auto &[row, lineEnd] = GetParam();
    const std::string fileLineEnd = lineEnd == LineEnd::CRLF ? "\r\n" : "\n";
    const std::string expectedLineEnd = row.platformLineEnd ? (testsupport::onWindows() ? "\r\n" : "\n") : fileLineEnd;
    const std::string before = std::string("layout/") + row.before + ".before.map";
    const std::string after = std::string("layout/") + row.name + ".after.map";
    const std::string path = write("team.map", withLineEnd(golden(before), fileLineEnd));

    VnLocMap &map = load(path);
    ASSERT_EQ(applyEdit(map, row, path), LOCMAP50_OK);
    std::list<std::string> written;
    ASSERT_EQ(map.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_EQ(testsupport::readFile(path).value_or("<none>"), withLineEnd(golden(after), expectedLineEnd));
    EXPECT_EQ(written.size(), std::string(row.name) == "unchanged" ? 0u : 1u);

    // What was written loads without a problem, and a second save has nothing to write.
    VnLocMap &reloaded = load(path);
    EXPECT_EQ(reloaded.loadErrorCount(), 0) << reloaded.m_errorText;
    EXPECT_EQ(reloaded.saveKeepingLayout(written), LOCMAP50_OK);
    EXPECT_TRUE(written.empty());
}

INSTANTIATE_TEST_SUITE_P(Rules, LayoutSaveTest,
                         ::testing::Combine(::testing::ValuesIn(kLayoutCases),
                                            ::testing::Values(LineEnd::LF, LineEnd::CRLF)),
                         [](const ::testing::TestParamInfo<LayoutSaveTest::ParamType> &info) {
                             const LayoutCase &row = std::get<0>(info.param);
                             return std::string(row.name) + (row.target == Target::OneFile ? "_in_file" : "") +
                                    (std::get<1>(info.param) == LineEnd::CRLF ? "_crlf" : "_lf");
                         });

}  // namespace
