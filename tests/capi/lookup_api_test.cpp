// SPDX-License-Identifier: Apache-2.0
// Tests of the translation, listing, editing, saving and export functions with a map, and of their no-map results.
#include "support/CApiTest.h"

using testsupport::libraryFileName;
using testsupport::printedBy;
using testsupport::readFile;

namespace {

// Operations ChangeEntry does not know, either side of the ones it knows.
const int kUnknownOperations[] = {LOCMAP50_REPLACE_ENTRY - 1, LOCMAP50_DELETE_ENTRY + 1};

class WithMapTest : public CApiTest {
protected:
    void SetUp() override {
        CApiTest::SetUp();
        setEnv("LMNOPE", std::nullopt);
        setEnv("LMOUT", m_dir.path().string());
        m_mapPath = loadMap("$P\nC:\\lm\\p\n$M\nC:\\m1\nC:\\m2\n");
    }

    static std::optional<std::string> hardPaths(const char *softName) {
        char *list = ReturnAllHardPath(softName);
        std::optional<std::string> result = text(list);
        FreeHardPathList(list);
        return result;
    }

    std::string m_mapPath;
};

TEST_F(WithMapTest, TranslatesThroughTheMap) {
    EXPECT_EQ(translate(GetHardName, "$P\\x"), (Translated{LOCMAP50_OK, "C:\\lm\\p\\x"}));
    EXPECT_EQ(translate(GetHardName, "$LMNOPE\\x"), (Translated{LOCMAP50_FAILED, ""}));
    EXPECT_EQ(translate(GetHardName, "rel"), (Translated{LOCMAP50_FAILED, ""}));
    EXPECT_EQ(translate(GetAbsoluteHardName, "$P/x"), (Translated{LOCMAP50_OK, "C:\\lm\\p\\x"}));
    EXPECT_EQ(translate(GetAbsoluteHardName, "$LMNOPE"), (Translated{LOCMAP50_FAILED, ""}));
    EXPECT_EQ(translate(GetSoftName, "c:/LM/p/x"), (Translated{LOCMAP50_OK, "$P\\x"}));
    EXPECT_EQ(translate(GetSoftName, "E:/x"), (Translated{LOCMAP50_FAILED, "E:\\x"}));  // the lookup's leftover
    EXPECT_EQ(translate(GetSoftName, "rel"), (Translated{LOCMAP50_FAILED, ""}));
    EXPECT_EQ(translate(GetSoftName, ""), (Translated{LOCMAP50_FAILED, ""}));
}

// The sized forms at the edge of the buffer; the buffer starts dirty.
TEST_F(WithMapTest, SizedFormsRefuseWhatDoesNotFit) {
    using SizedFunction = int (*)(const char *, char *, size_t);
    struct Sized {
        SizedFunction function;
        const char *input;
        std::string expected;
    };
    const Sized cases[] = {
        {GetHardNameEx, "$P\\x", "C:\\lm\\p\\x"},
        {GetAbsoluteHardNameEx, "$P\\x", "C:\\lm\\p\\x"},
        {GetSoftNameEx, "C:\\lm\\p\\x", "$P\\x"},
    };
    for (const Sized &c : cases) {
        SCOPED_TRACE(c.input);
        const std::size_t exact = c.expected.size() + 1;
        std::vector<char> buffer(exact + 8, 'Z');
        EXPECT_EQ(c.function(c.input, buffer.data(), exact), LOCMAP50_OK);
        EXPECT_EQ(std::string(buffer.data()), c.expected);

        std::fill(buffer.begin(), buffer.end(), 'Z');
        EXPECT_EQ(c.function(c.input, buffer.data(), exact - 1), LOCMAP50_BUFFER_TOO_SMALL);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_EQ(buffer[1], 'Z');  // nothing beyond the size is touched

        std::fill(buffer.begin(), buffer.end(), 'Z');
        EXPECT_EQ(c.function(c.input, buffer.data(), 0), LOCMAP50_BUFFER_TOO_SMALL);
        EXPECT_EQ(buffer[0], 'Z');

        EXPECT_EQ(c.function(nullptr, buffer.data(), 0), LOCMAP50_FAILED);  // no result to write
        EXPECT_EQ(c.function(c.input, nullptr, exact), LOCMAP50_FAILED);
    }
    char small[4] = "ZZZ";
    EXPECT_EQ(GetHardNameEx("$LMNOPE\\x", small, sizeof small), LOCMAP50_FAILED);
    EXPECT_EQ(small[0], '\0');
}

// The N forms tell the room an answer needs, and answer a NULL buffer of
// size 0 with it; a result that carries no text needs none.
TEST_F(WithMapTest, SizedFormsWithNeededTellTheRoomTheAnswerNeeds) {
    using NeededFunction = int (*)(const char *, char *, size_t, size_t *);
    struct Needed {
        NeededFunction function;
        const char *input;
        std::string expected;
    };
    const Needed cases[] = {
        {GetHardNameExN, "$P\\x", "C:\\lm\\p\\x"},
        {GetAbsoluteHardNameExN, "$P\\x", "C:\\lm\\p\\x"},
        {GetSoftNameExN, "C:\\lm\\p\\x", "$P\\x"},
    };
    for (const Needed &c : cases) {
        SCOPED_TRACE(c.input);
        const std::size_t exact = c.expected.size() + 1;
        std::size_t needed = 99;
        EXPECT_EQ(c.function(c.input, nullptr, 0, &needed), LOCMAP50_BUFFER_TOO_SMALL);
        EXPECT_EQ(needed, exact);
        std::vector<char> buffer(exact, 'Z');
        needed = 99;
        EXPECT_EQ(c.function(c.input, buffer.data(), exact - 1, &needed), LOCMAP50_BUFFER_TOO_SMALL);
        EXPECT_EQ(needed, exact);
        needed = 99;
        EXPECT_EQ(c.function(c.input, buffer.data(), exact, &needed), LOCMAP50_OK);
        EXPECT_EQ(needed, exact);
        EXPECT_EQ(std::string(buffer.data()), c.expected);

        EXPECT_EQ(c.function(c.input, buffer.data(), exact, nullptr), LOCMAP50_FAILED);
        EXPECT_EQ(c.function(c.input, nullptr, exact, &needed), LOCMAP50_FAILED);
        EXPECT_EQ(needed, 0u);
        needed = 99;
        EXPECT_EQ(c.function(nullptr, buffer.data(), exact, &needed), LOCMAP50_FAILED);
        EXPECT_EQ(needed, 0u);
    }
    std::size_t needed = 99;
    EXPECT_EQ(GetHardNameExN("$LMNOPE\\x", nullptr, 0, &needed), LOCMAP50_FAILED);
    EXPECT_EQ(needed, 0u);

    needed = 99;
    EXPECT_EQ(GetLoadProblemTextN(0, nullptr, 0, &needed), LOCMAP50_FAILED);  // a clean load has none
    EXPECT_EQ(needed, 0u);
}

TEST_F(WithMapTest, ReturnAllHardPathListsEveryPathInOrder) {
    EXPECT_EQ(hardPaths("$M"), "C:\\m1`C:\\m2`");
    EXPECT_EQ(hardPaths("$P"), "C:\\lm\\p`");
    for (const char *absent : {"M", "$m", "", static_cast<const char *>(nullptr)})
        EXPECT_EQ(hardPaths(absent), std::nullopt);
    FreeHardPathList(nullptr);
}

TEST_F(WithMapTest, ChangeEntryRefusesBadArgumentsWithoutChanging) {
    EXPECT_EQ(ChangeEntry(nullptr, "C:\\n`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("", "C:\\n`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    for (int unknown : kUnknownOperations) EXPECT_EQ(ChangeEntry("$M", "C:\\n`", unknown), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("$M", nullptr, LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(ChangeEntry("$NEW", nullptr, LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(hardPaths("$M"), "C:\\m1`C:\\m2`");
    EXPECT_EQ(hardPaths("$NEW"), std::nullopt);
}

TEST_F(WithMapTest, ChangeEntryChangesAddsAndDeletes) {
    EXPECT_EQ(ChangeEntry("$M", "C:\\n`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardPaths("$M"), "C:\\n`");
    EXPECT_EQ(ChangeEntry("$N", "C:\\x`C:\\y`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardPaths("$N"), "C:\\x`C:\\y`");
    EXPECT_EQ(ChangeEntry("$N", "C:\\z`", LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);  // already present
    EXPECT_EQ(hardPaths("$N"), "C:\\x`C:\\y`");
    EXPECT_EQ(ChangeEntry("$N", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(hardPaths("$N"), std::nullopt);
}

TEST_F(WithMapTest, ExportWritesTheMergedMap) {
    ASSERT_EQ(Export("$LMOUT\\export.map", 0), LOCMAP50_OK);
    EXPECT_EQ(testsupport::writtenText(m_dir.file("export.map")),
              "ZOR_LOCATION_MAP_2\n\n#This file is generated as a result of EXPORT command from the tool.\n\n"
              "$P\nC:\\lm\\p\n\n$M\nC:\\m1\nC:\\m2\n\n");
}

TEST_F(WithMapTest, ExportToStandardOutputStillNeedsATranslatableTarget) {
    const auto printed = printedBy([] { return Export("$LMOUT\\stdout.map", 1); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_EQ(printed.output.rfind("ZOR_LOCATION_MAP_2\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("stdout.map")));

    testsupport::ScopedCurrentDir here(m_dir.path());
    EXPECT_EQ(Export("plain.map", 1), LOCMAP50_FAILED);
    EXPECT_EQ(Export("plain.map", 0), LOCMAP50_FAILED);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("plain.map")));
    // Once resolved while this map is loaded, the relative name translates.
    EXPECT_EQ(translate(GetAbsoluteHardName, "plain.map").result, LOCMAP50_OK);
    EXPECT_EQ(Export("plain.map", 0), LOCMAP50_OK);
    EXPECT_TRUE(std::filesystem::exists(m_dir.file("plain.map")));
}

TEST_F(WithMapTest, ExportRefusesBadTargets) {
    EXPECT_EQ(Export(nullptr, 0), LOCMAP50_FAILED);
    EXPECT_EQ(Export("", 1), LOCMAP50_FAILED);
    EXPECT_EQ(Export("$LMNOPE\\x.map", 0), LOCMAP50_FAILED);
    EXPECT_EQ(Export("$LMOUT\\no\\such\\dir.map", 0), LOCMAP50_FAILED);
}

TEST_F(WithMapTest, ExportTakesATargetLongerThanThePathLimit) {
    const std::filesystem::path deep = m_dir.path() / std::string(100, 'd') / std::string(100, 'e');
    std::filesystem::create_directories(deep);
    setEnv("LMLONG", deep.string());
    const std::string name = std::string(100, 'f') + ".map";
    const std::string target = "$LMLONG\\" + name;
    ASSERT_GT(deep.string().size() + name.size(), 260u);

    const auto printed = printedBy([&] { return Export(target.c_str(), 1); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_FALSE(printed.output.empty());
    EXPECT_EQ(Export(target.c_str(), 0), LOCMAP50_OK);
    EXPECT_TRUE(std::filesystem::exists(deep / name));
}

TEST_F(WithMapTest, SaveLocationMapWritesBackOrFails) {
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_OK);
    const std::optional<std::string> saved = readFile(m_mapPath);
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->find("C:\\m2"), std::string::npos);

    const auto printed = printedBy([] { return SaveLocationMap(1); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_NE(printed.output.find("$M"), std::string::npos);

    std::filesystem::remove(m_mapPath);
    std::filesystem::create_directory(m_mapPath);  // a directory cannot be replaced by a file
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_FAILED);
}

TEST_F(CApiTest, IsEnvOverriddenAnswersForOverriddenPrefixesOnly) {
    setEnv("LMOV", "C:\\env");
    loadMap("$LMOV\nC:\\file\n$P\nC:\\p\n");
    EXPECT_EQ(IsEnvOverridden("$LMOV"), 1);
    for (const char *other : {"$P", "LMOV", "$lmov", "", static_cast<const char *>(nullptr)})
        EXPECT_EQ(IsEnvOverridden(other), 0);
}

// A variable set to the empty text is no variable: it neither overrides nor
// supplies a prefix, and the live lookup of "$NAME\rest" passes it over.
// Windows cannot hold one, so there this is the unset case.
TEST_F(CApiTest, EmptyVariableCountsAsUnset) {
    setEnv("LMT_A", "");
    const struct {
        const char *entries;
        Translated hardName;
    } cases[] = {
        {"$LMT_A\nC:\\a\n", {LOCMAP50_OK, "C:\\a\\x"}},  // the file's hard path stands
        {"$LMT_A\n", {LOCMAP50_FAILED, ""}},             // nothing supplies the prefix
        {"$P\nC:\\p\n", {LOCMAP50_FAILED, ""}},          // neither the map nor the environment has it
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entries);
        loadMap(c.entries);
        EXPECT_EQ(translate(GetHardName, "$LMT_A\\x"), c.hardName);
        EXPECT_EQ(IsEnvOverridden("$LMT_A"), 0);
    }
}

TEST_F(CApiTest, NullOutputBuffersGiveOne) {
    for (bool withMap : {false, true}) {
        SCOPED_TRACE(withMap ? "with a map" : "no map");
        if (withMap) loadMap("$P\nC:\\p\n");
        EXPECT_EQ(GetHardName("$P", nullptr), LOCMAP50_FAILED);
        EXPECT_EQ(GetAbsoluteHardName("a", nullptr), LOCMAP50_FAILED);
        EXPECT_EQ(GetSoftName("C:\\p", nullptr), LOCMAP50_FAILED);
        EXPECT_EQ(GetHardNameEx("$P", nullptr, 0), LOCMAP50_FAILED);
        EXPECT_EQ(GetAbsoluteHardNameEx("a", nullptr, 16), LOCMAP50_FAILED);
        EXPECT_EQ(GetSoftNameEx("C:\\p", nullptr, 16), LOCMAP50_FAILED);
    }
}

TEST_F(CApiTest, EditingAndWritingWithNoMap) {
    for (int operation : {LOCMAP50_REPLACE_ENTRY, LOCMAP50_ADD_ENTRY, LOCMAP50_DELETE_ENTRY, kUnknownOperations[1]})
        EXPECT_EQ(ChangeEntry("$P", "C:\\p`", operation), LOCMAP50_NO_MAP);
    EXPECT_EQ(ChangeEntry(nullptr, nullptr, LOCMAP50_REPLACE_ENTRY), LOCMAP50_NO_MAP);
    EXPECT_EQ(Export("C:\\x.map", 0), LOCMAP50_NO_MAP);
    EXPECT_EQ(Export(nullptr, 1), LOCMAP50_NO_MAP);
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_NO_MAP);
    EXPECT_EQ(SaveLocationMap(1), LOCMAP50_NO_MAP);
    EXPECT_EQ(ReturnAllHardPath("$P"), nullptr);
    EXPECT_EQ(IsEnvOverridden(nullptr), 0);
    EXPECT_EQ(IsLocMapPresent(), 0);
}

}  // namespace
