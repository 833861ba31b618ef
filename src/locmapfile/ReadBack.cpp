// SPDX-License-Identifier: Apache-2.0
// What a record means its file to hold, the writers' text of it, and the check that bytes about to be written read back as it.
#include "locmapfile/ReadBack.h"

#include "locmap50/VnLocMapFile.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Parser.h"
#include "paths/PathRules.h"

namespace locmap50::mapfile {
namespace {

// A record with neither version nor force (a comment-only file, or one never
// read) still needs a header that reads back.
const char kVersionOfUnversionedFiles[] = "2";

// The kept blocks that stood right after element's appearance; most files
// keep none, and then no anchor is made.
void addKeptBlocks(MeantContent &meant, const FileState *state, const std::string &element, unsigned appearance) {
    if (state == nullptr || state->keptBlocks.empty()) return;
    const auto kept = state->keptBlocks.find(KeptBlockAnchor(element, appearance));
    if (kept == state->keptBlocks.end()) return;
    for (const KeptBlock &block : kept->second)
        meant.items.push_back(MeantItem{MeantItem::Kind::Entry, &block.softPrefix, &block.hardPaths});
}

// Follows the parser's events through the meant items, one at a time, and
// keeps the first thing that does not read back. Allocates nothing per line.
class ReadBackCheck : public ParseSink {
public:
    explicit ReadBackCheck(const MeantContent &meant) : m_meant(meant) {}

    void header(const LineSpans &, const Header &header) override {
        if (header.force != (m_meant.force == ForceMode::On)) fail(std::string());
    }
    void softPrefix(const LineSpans &, std::string &text) override {
        closeEntry();
        const MeantItem *item = nextItem();
        if (item == nullptr || item->kind != MeantItem::Kind::Entry || *item->text != text) {
            fail(item != nullptr ? *item->text : text);
            return;
        }
        m_entry = item;
        if (item->hardPaths != nullptr) m_nextPath = item->hardPaths->begin();
        m_pathsRead = 0;
    }
    void hardPath(const LineSpans &, std::string &text) override {
        // The reader ignores paths past its limit, and those of no entry.
        if (m_entry == nullptr || !withinHardPathLimit(++m_pathsRead)) return;
        const std::string *meant = nextMeantPath();
        if (meant == nullptr || !paths::sameHardPathForm(text, *meant)) fail(*m_entry->text);
    }
    AfterInclude include(const LineSpans &, std::string &text) override {
        closeEntry();
        // One the record does not hold named no readable file when it was
        // read; a layout-keeping save leaves it where it stands.
        const MeantItem *item = peekItem();
        if (item != nullptr && item->kind == MeantItem::Kind::Include && *item->text == text) nextItem();
        return AfterInclude::Continue;
    }
    void commentOrBlank(const LineSpans &) override {}
    void problem(const LineSpans &, ParseProblem problem, std::string &) override {
        switch (problem) {
        case ParseProblem::BadSoftPrefix:
        case ParseProblem::NulInSoftPrefix:
        case ParseProblem::NulInInclude:
            // What follows belongs to no entry, as for the reader.
            closeEntry();
            return;
        case ParseProblem::BadHeader:
        case ParseProblem::NulInHeader:
            fail(std::string());
            return;
        case ParseProblem::HardPathWithoutSoftPrefix: {
            // The reader stops here; whatever is meant next is lost.
            const MeantItem *item = peekItem();
            fail(item != nullptr ? *item->text : std::string());
            return;
        }
        case ParseProblem::UnknownLine:
        case ParseProblem::NulInHardPath:
            return;
        }
    }

    std::optional<std::string> result() {
        closeEntry();
        if (const MeantItem *item = nextItem()) fail(*item->text);
        return m_failure;
    }

private:
    // The next item that makes a line, nullptr when none is left.
    const MeantItem *peekItem() {
        while (m_nextItem < m_meant.items.size() && m_meant.items[m_nextItem].text == nullptr) ++m_nextItem;
        return m_nextItem < m_meant.items.size() ? &m_meant.items[m_nextItem] : nullptr;
    }
    const MeantItem *nextItem() {
        const MeantItem *item = peekItem();
        if (item != nullptr) ++m_nextItem;
        return item;
    }
    // The open entry's next path that makes a line, nullptr when none is left.
    const std::string *nextMeantPath() {
        if (m_entry->hardPaths == nullptr) return nullptr;
        while (m_nextPath != m_entry->hardPaths->end()) {
            const std::string &path = *m_nextPath++;
            if (!readsBackAsNothing(path)) return &path;
        }
        return nullptr;
    }
    void closeEntry() {
        if (m_entry != nullptr && nextMeantPath() != nullptr) fail(*m_entry->text);
        m_entry = nullptr;
    }
    void fail(const std::string &concerned) {
        if (!m_failure) m_failure = concerned;
    }

    const MeantContent &m_meant;
    std::size_t m_nextItem = 0;
    const MeantItem *m_entry = nullptr;  // the entry whose paths are being read
    std::list<std::string>::const_iterator m_nextPath;
    std::size_t m_pathsRead = 0;
    std::optional<std::string> m_failure;
};


// How long textOf's text is, so that it is made in one piece.
std::size_t textLength(const MeantContent &meant) {
    std::size_t length = 0;
    for (const MeantItem &item : meant.items) {
        length += (item.text != nullptr ? item.text->size() + 1 : 0) + 1;
        if (item.hardPaths != nullptr)
            for (const std::string &hardPath : *item.hardPaths) length += hardPath.size() + 1;
    }
    return length;
}

}  // namespace

MeantContent recordContent(const VnLocMapFile &file, const FileState *state) {
    MeantContent meant;
    const bool unversioned = file.m_version.empty() && !file.m_force;
    meant.version = unversioned ? kVersionOfUnversionedFiles : file.m_version;
    meant.force = file.m_force ? ForceMode::On : ForceMode::Off;
    meant.items.reserve(file.m_entryOrder.size());
    addKeptBlocks(meant, state, std::string(), 0);
    auto nextIncludeLine = file.m_includeLines.begin();
    unsigned includeMarkers = 0;
    for (const std::string &entry : file.m_entryOrder) {
        if (entry == kIncludeMarker) {
            const std::string *line = nullptr;
            if (nextIncludeLine != file.m_includeLines.end()) line = &*nextIncludeLine++;
            meant.items.push_back(MeantItem{MeantItem::Kind::Include, line, nullptr});
            addKeptBlocks(meant, state, entry, includeMarkers++);
            continue;
        }
        const auto hardPaths = file.m_entryHardPaths.find(entry);
        meant.items.push_back(MeantItem{MeantItem::Kind::Entry, &entry,
                                        hardPaths != file.m_entryHardPaths.end() ? &hardPaths->second : nullptr});
        addKeptBlocks(meant, state, entry, 0);
    }
    return meant;
}

std::string textOf(const MeantContent &meant, std::string_view extra) {
    std::string text = headerText(meant.version, meant.force);
    text.reserve(text.size() + extra.size() + textLength(meant));
    text += extra;
    for (const MeantItem &item : meant.items) {
        if (item.kind == MeantItem::Kind::Entry) {
            appendEntryText(text, *item.text, item.hardPaths);
            continue;
        }
        if (item.text != nullptr) {
            text += *item.text;
            text += '\n';
        }
        text += '\n';
    }
    return text;
}

std::optional<std::string> whatWouldNotReadBack(std::string_view text, const MeantContent &meant) {
    ReadBackCheck check(meant);
    Parser parser(text);
    parser.parse(check);
    return check.result();
}

}  // namespace locmap50::mapfile
