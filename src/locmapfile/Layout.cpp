// Reads where a file's entries stand, and brings a file in line with its record by changing only the lines concerned.
#include "locmapfile/Layout.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "paths/PathRules.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Format.h"
#include "platform/Platform.h"

namespace locmap50::mapfile {
namespace {

// The blocks as the reader sees them: a bad soft prefix or an include line
// ends the open block, comments and unknown lines do not.
class LayoutReading : public ParseSink {
public:
    explicit LayoutReading(FileLayout &layout) : m_layout(layout) {}

    void header(const LineSpans &spans, const Header &) override {
        m_layout.headerFound = true;
        seen(spans);
    }
    void softPrefix(const LineSpans &spans, std::string &text) override {
        m_layout.blocks.push_back(PrefixBlock{std::move(text), spans, {}, {}});
        m_blockOpen = true;
        seen(spans);
    }
    void hardPath(const LineSpans &spans, std::string &text) override {
        if (m_blockOpen) {
            m_layout.blocks.back().pathLines.push_back(spans);
            m_layout.blocks.back().hardPaths.push_back(paths::toBackslashes(std::move(text)));
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
        if (problem == ParseProblem::BadSoftPrefix) m_blockOpen = false;
        seen(spans);
    }

private:
    void seen(const LineSpans &spans) { m_layout.lastLine = spans; }

    FileLayout &m_layout;
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

// The hard paths of a block as the reader takes them into a record.
bool blockSays(const PrefixBlock &block, const std::list<std::string> &hardPaths) {
    const std::size_t taken = std::min(block.hardPaths.size(), kMaxHardPathsPerEntry);
    return hardPaths.size() == taken && std::equal(hardPaths.begin(), hardPaths.end(), block.hardPaths.begin());
}

class ChangePlan {
public:
    ChangePlan(std::string_view text, const FileLayout &layout)
        : m_text(text), m_layout(layout),
          m_lineEnd(layout.lineEnd.empty() ? std::string(platform::textLineEnd()) : layout.lineEnd) {}

    void removeBlock(const PrefixBlock &block) {
        edit(block.prefixLine).replacement = std::string();
        for (const LineSpans &line : block.pathLines) edit(line).replacement = std::string();
    }

    void rewriteBlock(const PrefixBlock &block, const std::list<std::string> &hardPaths) {
        auto newPath = hardPaths.begin();
        for (const LineSpans &line : block.pathLines) {
            if (newPath == hardPaths.end()) {
                edit(line).replacement = std::string();
                continue;
            }
            if (bytesOf(line.value) != *newPath) edit(line).replacement = withValue(line, *newPath);
            ++newPath;
        }
        std::string extra;
        for (; newPath != hardPaths.end(); ++newPath) extra += *newPath + m_lineEnd;
        if (!extra.empty()) edit(block.pathLines.empty() ? block.prefixLine : block.pathLines.back()).following += extra;
    }

    void append(const std::string &softPrefix, const std::list<std::string> &hardPaths) {
        std::string block;
        if (m_appended.empty() && !m_layout.headerFound) block += headerLine();
        if (!m_appended.empty() || !m_layout.headerFound || !isBlankLine(bytesOf(m_layout.lastLine.line)))
            block += m_lineEnd;
        block += softPrefix + m_lineEnd;
        for (const std::string &hardPath : hardPaths) block += hardPath + m_lineEnd;
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
    LayoutReading reading(layout);
    Parser parser(text);
    layout.complete = parser.parse(reading) != Parser::Outcome::StoppedEarly;
    layout.lineEnd = firstLineEnd(text);
    return layout;
}

std::vector<LineChange> layoutChanges(const VnLocMapFile &file, const FileState *state, std::string_view text) {
    const FileLayout layout = readLayout(text);
    std::unordered_map<std::string_view, std::vector<const PrefixBlock *>> blocksOf;
    for (const PrefixBlock &block : layout.blocks) blocksOf[block.softPrefix].push_back(&block);
    std::unordered_set<std::string_view> keptOutsideRecord;
    if (state != nullptr)
        for (const auto &[anchor, kept] : state->keptBlocks)
            for (const KeptBlock &block : kept) keptOutsideRecord.insert(block.softPrefix);

    ChangePlan plan(text, layout);
    for (const auto &[softPrefix, blocks] : blocksOf) {
        const auto record = file.m_entryHardPaths.find(std::string(softPrefix));
        if (record == file.m_entryHardPaths.end()) {
            if (keptOutsideRecord.count(softPrefix) != 0) continue;
            for (const PrefixBlock *block : blocks) plan.removeBlock(*block);
            continue;
        }
        std::size_t ordinal = 0;
        if (state != nullptr) {
            const auto found = state->recordBlockOrdinals.find(record->first);
            if (found != state->recordBlockOrdinals.end()) ordinal = std::min<std::size_t>(found->second, blocks.size() - 1);
        }
        if (!blockSays(*blocks[ordinal], record->second)) plan.rewriteBlock(*blocks[ordinal], record->second);
    }
    for (const std::string &entry : file.m_entryOrder) {
        if (entry == kIncludeMarker || blocksOf.count(entry) != 0) continue;
        const auto record = file.m_entryHardPaths.find(entry);
        if (record != file.m_entryHardPaths.end()) plan.append(entry, record->second);
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
