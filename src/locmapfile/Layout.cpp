// SPDX-License-Identifier: Apache-2.0
// Reads where a file's entries stand, and brings a file in line with its record by changing only the lines concerned.
#include "locmapfile/Layout.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_set>

#include "containers/FlatHashTable.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Format.h"
#include "paths/PathRules.h"
#include "platform/Platform.h"

namespace locmap50::mapfile {
namespace {

// The blocks as the reader sees them: a bad soft prefix, a soft prefix or
// include line holding a NUL byte, and an include line end the open block;
// comments, unknown lines and hard path lines holding a NUL do not.
class LayoutReading : public ParseSink {
public:
    LayoutReading(FileLayout &layout, std::string_view text) : m_layout(layout), m_text(text) {}

    void header(const LineSpans &spans, const Header &) override {
        m_layout.headerFound = true;
        seen(spans);
    }
    void softPrefix(const LineSpans &spans, std::string &) override {
        // A valid prefix line's value is the prefix itself, byte for byte.
        m_layout.blocks.push_back(
            PrefixBlock{m_text.substr(spans.value.begin, spans.value.size()), spans, m_layout.pathLines.size(), 0});
        m_blockOpen = true;
        seen(spans);
    }
    void hardPath(const LineSpans &spans, std::string &) override {
        if (m_blockOpen) {
            m_layout.pathLines.push_back(spans);
            ++m_layout.blocks.back().pathCount;
        }
        seen(spans);
    }
    AfterInclude include(const LineSpans &spans, std::string &) override {
        m_blockOpen = false;
        seen(spans);
        return AfterInclude::Continue;
    }
    void commentOrBlank(const LineSpans &spans) override { seen(spans); }
    void problem(const LineSpans &spans, ParseProblem problem, std::string &) override {
        // These open an entry the reader rejects, or close one, so what
        // follows belongs to no block of the record.
        if (problem == ParseProblem::BadSoftPrefix || problem == ParseProblem::NulInSoftPrefix ||
            problem == ParseProblem::NulInInclude)
            m_blockOpen = false;
        seen(spans);
    }

private:
    void seen(const LineSpans &spans) { m_layout.lastLine = spans; }

    FileLayout &m_layout;
    std::string_view m_text;
    bool m_blockOpen = false;
};

std::string firstLineEnd(std::string_view text) {
    const std::size_t lineFeed = text.find('\n');
    if (lineFeed == std::string_view::npos) return std::string();
    return lineFeed > 0 && text[lineFeed - 1] == '\r' ? "\r\n" : "\n";
}

// What becomes of one old line: replaced (empty: removed), and what new
// lines follow it.
struct LineEdit {
    LineSpans spans;
    std::optional<std::string> replacement;
    std::string following;
};

bool endsWithLineEnd(std::string_view line) {
    return !line.empty() && line.back() == '\n';
}

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The hard paths of a record that make lines: an element the reader would
// skip (blank) reads back as no line, so none is written for it.
template <typename Visit>
void forEachWrittenPath(const std::list<std::string> &hardPaths, Visit visit) {
    for (const std::string &hardPath : hardPaths)
        if (!readsBackAsNothing(hardPath)) visit(hardPath);
}

std::size_t writtenPathCount(const std::list<std::string> &hardPaths) {
    std::size_t count = 0;
    forEachWrittenPath(hardPaths, [&](const std::string &) { ++count; });
    return count;
}

// The blocks of each prefix, chained in file order, found by prefix without
// an allocation per prefix.
class BlocksByPrefix {
public:
    explicit BlocksByPrefix(const FileLayout &layout)
        : m_blocks(layout.blocks), m_next(layout.blocks.size(), kNone), m_last(layout.blocks.size(), kNone),
          m_matched(layout.blocks.size(), false) {
        m_firsts.reserve(layout.blocks.size());
        for (std::size_t i = 0; i < m_blocks.size(); ++i) {
            if (const std::size_t first = firstOf(m_blocks[i].softPrefix); first != kNone) {
                m_next[m_last[first]] = i;
                m_last[first] = i;
            } else {
                m_firsts.insert(hashOf(m_blocks[i].softPrefix), i);
                m_last[i] = i;
            }
        }
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // The first block of softPrefix, kNone when the file has none.
    std::size_t firstOf(std::string_view softPrefix) const {
        const std::size_t *found = m_firsts.find(
            hashOf(softPrefix), [&](std::size_t block) { return m_blocks[block].softPrefix == softPrefix; });
        return found != nullptr ? *found : kNone;
    }
    std::size_t next(std::size_t block) const { return m_next[block]; }
    // The ordinal-th block of the chain at first, or its last.
    std::size_t nth(std::size_t first, std::size_t ordinal) const {
        std::size_t block = first;
        for (; ordinal > 0 && m_next[block] != kNone; --ordinal) block = m_next[block];
        return block;
    }
    bool isFirst(std::size_t block) const { return m_last[block] != kNone; }
    void markMatched(std::size_t first) { m_matched[first] = true; }
    bool matched(std::size_t first) const { return m_matched[first]; }

private:
    static std::uint64_t hashOf(std::string_view text) { return std::hash<std::string_view>()(text); }

    const std::vector<PrefixBlock> &m_blocks;
    std::vector<std::size_t> m_next;
    std::vector<std::size_t> m_last;  // for first blocks: the chain's last; kNone for the others
    std::vector<bool> m_matched;      // for first blocks: the record holds the prefix
    containers::FlatHashTable<std::size_t> m_firsts;
};

// The file's block that the record's entry of softPrefix stands for; kNone
// when the file has none, or when the entry was added since the file was last
// written: it goes at the end, as the standard save puts it, and the blocks of
// its prefix that the record no longer holds go.
std::size_t recordBlockOf(const BlocksByPrefix &blocks, const FileState *state, const std::string &softPrefix) {
    const std::size_t first = blocks.firstOf(softPrefix);
    if (first == BlocksByPrefix::kNone || state == nullptr) return first;
    if (!state->addedSinceWritten.empty() && state->addedSinceWritten.count(softPrefix) != 0)
        return BlocksByPrefix::kNone;
    std::size_t ordinal = 0;
    if (!state->recordBlockOrdinals.empty()) {
        const auto found = state->recordBlockOrdinals.find(softPrefix);
        if (found != state->recordBlockOrdinals.end()) ordinal = found->second;
    }
    return blocks.nth(first, ordinal);
}

class ChangePlan {
public:
    ChangePlan(std::string_view text, const FileLayout &layout)
        : m_text(text), m_layout(layout),
          m_lineEnd(layout.lineEnd.empty() ? std::string(platform::textLineEnd()) : layout.lineEnd) {}

    void removeBlock(const PrefixBlock &block) {
        edit(block.prefixLine).replacement = std::string();
        for (std::size_t i = 0; i < block.pathCount; ++i) edit(pathLine(block, i)).replacement = std::string();
    }

    // Whether the block gives what the record holds, as the reader takes it:
    // a path line's value (a POSIX path as written, any other with "/" read
    // as "\") against each path's hard path form.
    bool says(const PrefixBlock &block, const std::list<std::string> &hardPaths) const {
        if (writtenPathCount(hardPaths) != hardPathsTheReaderTakes(block.pathCount)) return false;
        std::size_t i = 0;
        bool same = true;
        forEachWrittenPath(hardPaths, [&](const std::string &hardPath) {
            same = same && paths::sameHardPathForm(bytesOf(pathLine(block, i++).value), hardPath);
        });
        return same;
    }

    // A new value goes in the hard path form, which the reader takes as it
    // stands wherever the old line began: "C:/x" after blanks would be no
    // hard path at all, "C:\x" is one.
    void rewriteBlock(const PrefixBlock &block, const std::list<std::string> &hardPaths) {
        std::size_t i = 0;
        std::string extra;
        forEachWrittenPath(hardPaths, [&](const std::string &hardPath) {
            if (i == block.pathCount) {
                extra += paths::toHardPathForm(hardPath) + m_lineEnd;
                return;
            }
            const LineSpans &line = pathLine(block, i++);
            if (!paths::sameHardPathForm(bytesOf(line.value), hardPath))
                edit(line).replacement = withValue(line, paths::toHardPathForm(hardPath));
        });
        for (; i < block.pathCount; ++i) edit(pathLine(block, i)).replacement = std::string();
        if (!extra.empty())
            edit(block.pathCount == 0 ? block.prefixLine : pathLine(block, block.pathCount - 1)).following += extra;
    }

    void append(const std::string &softPrefix, const std::list<std::string> &hardPaths) {
        std::string block;
        if (m_appended.empty() && !m_layout.headerFound) block += headerLine();
        if (!m_appended.empty() || !m_layout.headerFound || !isBlankLine(bytesOf(m_layout.lastLine.line)))
            block += m_lineEnd;
        block += softPrefix + m_lineEnd;
        forEachWrittenPath(hardPaths, [&](const std::string &hardPath) {
            block += paths::toHardPathForm(hardPath) + m_lineEnd;
        });
        m_appended += block;
    }

    std::vector<LineChange> changes() {
        if (!m_appended.empty()) {
            if (m_layout.lastLine.number == 0) {
                m_changes.push_back(LineChange{Span{m_text.size(), m_text.size()}, 1, 0, m_appended});
            } else {
                edit(m_layout.lastLine).following += m_appended;
            }
        }
        for (auto &[number, lineEdit] : m_edits) {
            const std::string_view old = bytesOf(lineEdit.spans.line);
            std::string text = lineEdit.replacement.value_or(std::string(old));
            if (!lineEdit.following.empty() && !text.empty() && !endsWithLineEnd(text)) text += m_lineEnd;
            text += lineEdit.following;
            if (text != old) m_changes.push_back(LineChange{lineEdit.spans.line, number, 1, std::move(text)});
        }
        std::sort(m_changes.begin(), m_changes.end(),
                  [](const LineChange &a, const LineChange &b) { return a.bytes.begin < b.bytes.begin; });
        return std::move(m_changes);
    }

private:
    const LineSpans &pathLine(const PrefixBlock &block, std::size_t i) const {
        return m_layout.pathLines[block.firstPath + i];
    }
    LineEdit &edit(const LineSpans &line) {
        LineEdit &found = m_edits[line.number];
        found.spans = line;
        return found;
    }
    std::string_view bytesOf(const Span &span) const { return m_text.substr(span.begin, span.size()); }
    std::string withValue(const LineSpans &line, const std::string &value) const {
        std::string text(bytesOf(Span{line.line.begin, line.value.begin}));
        text += value;
        text += bytesOf(Span{line.value.end, line.line.end});
        return text;
    }
    std::string headerLine() const {
        std::string header = headerText("2", ForceMode::Off);
        return header.substr(0, header.find('\n')) + m_lineEnd;
    }

    std::string_view m_text;
    const FileLayout &m_layout;
    std::string m_lineEnd;
    std::map<unsigned long, LineEdit> m_edits;
    std::string m_appended;
    std::vector<LineChange> m_changes;
};

}  // namespace

FileLayout readLayout(std::string_view text) {
    FileLayout layout;
    LayoutReading reading(layout, text);
    Parser parser(text);
    layout.complete = parser.parse(reading) != Parser::Outcome::StoppedEarly;
    layout.lineEnd = firstLineEnd(text);
    return layout;
}

std::vector<LineChange> layoutChanges(const VnLocMapFile &file, const FileState *state, std::string_view text) {
    const FileLayout layout = readLayout(text);
    BlocksByPrefix blocks(layout);
    ChangePlan plan(text, layout);

    // Entries the record holds: the file's block of each, or a new one.
    bool anyAdded = false;
    for (const auto &[softPrefix, hardPaths] : file.m_entryHardPaths) {
        const std::size_t block = recordBlockOf(blocks, state, softPrefix);
        if (block == BlocksByPrefix::kNone) {
            anyAdded = true;
            continue;
        }
        blocks.markMatched(blocks.firstOf(softPrefix));
        // A changed entry is written whole: lines past the reader's limit go too.
        const bool changed = state != nullptr && state->changedSinceWritten.count(softPrefix) != 0;
        if (!plan.says(layout.blocks[block], hardPaths) || (changed && !withinHardPathLimit(layout.blocks[block].pathCount)))
            plan.rewriteBlock(layout.blocks[block], hardPaths);
    }

    // Entries the record lost, unless the file keeps them outside it.
    std::unordered_set<std::string_view> keptOutsideRecord;
    if (state != nullptr)
        for (const auto &[anchor, kept] : state->keptBlocks)
            for (const KeptBlock &block : kept) keptOutsideRecord.insert(block.softPrefix);
    for (std::size_t first = 0; first < layout.blocks.size(); ++first) {
        if (!blocks.isFirst(first) || blocks.matched(first) ||
            keptOutsideRecord.count(layout.blocks[first].softPrefix) != 0)
            continue;
        for (std::size_t block = first; block != BlocksByPrefix::kNone; block = blocks.next(block))
            plan.removeBlock(layout.blocks[block]);
    }

    if (anyAdded) {
        for (const std::string &entry : file.m_entryOrder) {
            if (entry == kIncludeMarker || recordBlockOf(blocks, state, entry) != BlocksByPrefix::kNone) continue;
            const auto record = file.m_entryHardPaths.find(entry);
            if (record != file.m_entryHardPaths.end()) plan.append(entry, record->second);
        }
    }
    return plan.changes();
}

std::string withChanges(std::string_view text, const std::vector<LineChange> &changes) {
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (const LineChange &change : changes) {
        result.append(text.substr(copied, change.bytes.begin - copied));
        result += change.text;
        copied = change.bytes.end;
    }
    result.append(text.substr(copied));
    return result;
}

}  // namespace locmap50::mapfile
