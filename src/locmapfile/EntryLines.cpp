// SPDX-License-Identifier: Apache-2.0
// Collects where each soft prefix block of a map file stands, from the parser's events.
#include "locmapfile/EntryLines.h"

#include <utility>

#include "locmapfile/Parser.h"
#include "paths/PathRules.h"

namespace locmap50::mapfile {
namespace {

class EntryLinesSink : public ParseSink {
public:
    FileEntryLines blocks;

    void header(const LineSpans &, const Header &) override {}
    void softPrefix(const LineSpans &spans, std::string &text) override {
        std::vector<EntryLines> &ofPrefix = blocks[text];
        ofPrefix.emplace_back();
        m_current = &ofPrefix.back();
        m_current->line = spans.lineNumber();
    }
    void hardPath(const LineSpans &spans, std::string &text) override {
        if (m_current != nullptr)
            m_current->hardPaths.push_back({paths::toHardPathForm(std::move(text)), spans.lineNumber()});
    }
    AfterInclude include(const LineSpans &, std::string &) override {
        m_current = nullptr;
        return AfterInclude::Continue;  // each file's blocks are its own
    }
    void commentOrBlank(const LineSpans &) override {}
    // A rejected soft prefix line opens an entry of no use, and an include
    // line ends one: the hard paths after either belong to no block.
    void problem(const LineSpans &, ParseProblem problem, std::string &) override {
        if (problem == ParseProblem::BadSoftPrefix || problem == ParseProblem::NulInSoftPrefix ||
            problem == ParseProblem::NulInInclude)
            m_current = nullptr;
    }

private:
    EntryLines *m_current = nullptr;  // a vector grows only as a new block of its prefix becomes current
};

}  // namespace

FileEntryLines entryLinesOf(std::string_view text) {
    EntryLinesSink sink;
    Parser(text).parse(sink);
    return std::move(sink.blocks);
}

}  // namespace locmap50::mapfile
