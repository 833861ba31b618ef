// SPDX-License-Identifier: Apache-2.0
// A randomised differential: after random one-file edits the map answers as a fresh load of the saved files does.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "locmap50/VnExplanation.h"
#include "locmap50/VnLocMap.h"
#include "support/CApiTest.h"
#include "support/DifferentialRun.h"

namespace {

const std::vector<std::string> kPrefixes{"$LMX_A", "$LMX_B", "$LMX_C", "$LMX_D"};
// Hard paths as files and edits give them; "C:/p3" reads as "C:\p3".
const std::vector<std::string> kHardPaths{"C:\\p0", "C:\\p0\\s", "C:\\p1", "D:\\p2", "C:/p3", "E:\\env\\x"};
const std::vector<std::string> kFiles{"main.map", "one.map", "two.map"};

// Paths in the reader's form: a drive path's "/" read as "\".
std::string readerForm(std::string text) {
    for (std::size_t at = 0; (at = text.find(":/", at)) != std::string::npos; ++at) {
        for (std::size_t i = at + 1; i < text.size() && text[i] != '`' && text[i] != '\n' && text[i] != ' '; ++i)
            if (text[i] == '/') text[i] = '\\';
    }
    return text;
}

std::string ownedList(char *list) {
    const std::string text = list != nullptr ? list : "<null>";
    FreeHardPathList(list);
    return text;
}

std::string translated(int (*function)(const char *, char *, size_t), const std::string &name) {
    std::vector<char> buffer(4096, '\0');
    const int result = function(name.c_str(), buffer.data(), buffer.size());
    return std::to_string(result) + " " + (result == LOCMAP50_OK ? buffer.data() : "");
}

// Everything but the lines, which a fresh load reads from the saved files.
std::string explained(const std::string &name) {
    VnExplanation e;
    VnLocMap::createMap()->explain(name, e);
    std::string text = std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.status) + " " + e.result +
                       " file=" + e.file + " env=" + std::to_string(static_cast<int>(e.environment)) + " " +
                       e.variable + "=" + e.value + " used=" + e.hardPathUsed + " paths=";
    for (const std::string &path : e.hardPaths) text += path + ",";
    for (const VnExplainedEntry &holder : e.holders)
        text += " [" + std::to_string(static_cast<int>(holder.standing)) + " " + holder.softPrefix + " " +
                holder.file + " " + holder.hardPath + "]";
    return text;
}

class OneFileEditDifferential : public CApiTest {
protected:
    // The answers the listed queries give now, paths in the reader's form.
    std::vector<std::string> answers() {
        std::vector<std::string> all{"prefixes " + ownedList(ReturnAllSoftPrefixes())};
        for (const std::string &softPrefix : kPrefixes) {
            const char *file = CurrentEntryFileName(softPrefix.c_str());
            all.push_back(softPrefix + " hard " + translated(GetHardNameEx, softPrefix + "\\x") + " abs " +
                          translated(GetAbsoluteHardNameEx, softPrefix + "\\y") + " all " +
                          ownedList(ReturnAllHardPath(softPrefix.c_str())) + " file " + (file ? file : "<null>") +
                          " env " + std::to_string(IsEnvOverridden(softPrefix.c_str())) + " explain " +
                          explained(softPrefix + "\\x"));
        }
        for (const std::string &path : kHardPaths) {
            const std::string hard = readerForm(path) + "\\q";
            all.push_back(hard + " soft " + translated(GetSoftNameEx, hard) + " explain " + explained(hard));
        }
        const std::string exported = m_dir.file("export.map");
        const int exportResult = Export(exported.c_str(), 0);
        all.push_back("export " + std::to_string(exportResult) + " " + testsupport::readFile(exported).value_or(""));
        for (std::string &answer : all) answer = readerForm(answer);
        return all;
    }

    std::string randomBlock(std::mt19937 &random) {
        std::string block = kPrefixes[random() % kPrefixes.size()] + (random() % 5 == 0 ? "  # c" : "") + "\n";
        for (unsigned i = random() % 4; i > 0; --i) block += kHardPaths[random() % kHardPaths.size()] + "\n";
        return block;
    }

    // Two or three files, each included once from an earlier one between two
    // of its random blocks.
    void writeRandomMaps(std::mt19937 &random) {
        const std::size_t fileCount = 2 + random() % 2;
        std::vector<std::vector<std::string>> blocks(fileCount);
        for (std::size_t i = 0; i < fileCount; ++i)
            for (unsigned count = random() % 5; count > 0; --count) blocks[i].push_back(randomBlock(random));
        for (std::size_t i = 1; i < fileCount; ++i) {
            std::vector<std::string> &includer = blocks[random() % i];
            includer.insert(includer.begin() + static_cast<long>(random() % (includer.size() + 1)),
                            "INCLUDE " + m_dir.file(kFiles[i]) + "\n");
        }
        for (std::size_t i = 0; i < fileCount; ++i) {
            std::string text = std::string("ZOR_LOCATION_MAP_2") + (random() % 5 == 0 ? " force" : "") + "\n";
            for (const std::string &block : blocks[i]) text += block;
            m_dir.write(kFiles[i], text);
        }
        if (fileCount == 2) std::remove(m_dir.file(kFiles[2]).c_str());
    }

    void setRandomEnvironment(std::mt19937 &random) {
        for (const std::string &softPrefix : kPrefixes) {
            std::string name = softPrefix.substr(1);
            if (random() % 4 != 0)
                setEnv(name, std::nullopt);
            else
                setEnv(name, random() % 2 == 0 ? "E:\\env\\" + name : kHardPaths[random() % kHardPaths.size()]);
        }
    }

    void editRandomly(std::mt19937 &random) {
        for (unsigned edits = 1 + random() % 3; edits > 0; --edits) {
            const std::string file = m_dir.file(kFiles[random() % kFiles.size()]);
            const std::string &softPrefix = kPrefixes[random() % kPrefixes.size()];
            std::string paths;
            for (unsigned i = random() % 3; i > 0; --i) paths += kHardPaths[random() % kHardPaths.size()] + "`";
            const int operation = static_cast<int>(random() % 3);
            ChangeEntryInFile(file.c_str(), softPrefix.c_str(),
                              operation == LOCMAP50_DELETE_ENTRY ? nullptr : paths.c_str(), operation);
        }
    }
};

TEST_F(OneFileEditDifferential, OneFileEditsAnswerAsAFreshLoadOfTheSavedFiles) {
    const std::string mainFile = m_dir.file(kFiles[0]);
    testsupport::runDifferentialCases([&](std::mt19937 &random) {
        testsupport::destroyMap();
        writeRandomMaps(random);
        setRandomEnvironment(random);
        ASSERT_EQ(InitLocationMap(mainFile.c_str(), 1), LOCMAP50_OK);
        editRandomly(random);
        const std::vector<std::string> edited = answers();
        int reason = LOCMAP50_REASON_NONE;
        const char *detail = nullptr;
        ASSERT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK)
            << "reason " << (GetLastFailure(&reason, nullptr), reason) << " "
            << (GetLastFailureDetail(&detail), detail != nullptr ? detail : "");
        testsupport::destroyMap();
        ASSERT_EQ(InitLocationMap(mainFile.c_str(), 1), LOCMAP50_OK);
        ASSERT_EQ(edited, answers());
    });
}

}  // namespace
