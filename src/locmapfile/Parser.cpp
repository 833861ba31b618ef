// SPDX-License-Identifier: Apache-2.0
// The map file parser: line splitting, spans, and the grammar's two states (header seen, entry open).
#include "locmapfile/Parser.h"

namespace locmap50::mapfile {

Parser::Outcome Parser::parse(ParseSink &sink) {
    std::size_t lineStart = m_position;
    while (readRawLine(m_text, m_position, m_line)) {
        LineSpans spans;
        spans.number = ++m_lineNumber;
        spans.line = Span{lineStart, m_position};
        const ValueBounds bounds = valueBounds(m_line);
        lineStart = m_position;
        if (!normaliseLine(m_line)) {
            spans.value = Span{spans.line.begin, spans.line.begin};
            sink.commentOrBlank(spans);
            continue;
        }
        spans.value = Span{spans.line.begin + bounds.begin, spans.line.begin + bounds.end};
        Outcome pause = Outcome::Finished;
        if (!parseSignificantLine(sink, spans, pause)) return Outcome::StoppedEarly;
        if (pause == Outcome::Paused) return Outcome::Paused;
    }
    return Outcome::Finished;
}

bool Parser::parseSignificantLine(ParseSink &sink, const LineSpans &spans, Outcome &pause) {
    if (holdsNulByte(m_line)) return reportNulByte(sink, spans);
    if (!m_headerSeen) {
        const Header header = parseHeader(m_line);
        if (!header.valid) {
            sink.problem(spans, ParseProblem::BadHeader, m_line);
            return false;
        }
        m_headerSeen = true;
        sink.header(spans, header);
        return true;
    }
    switch (classifyLine(m_line)) {
    case LineKind::SoftPrefix:
        m_entryOpen = true;
        if (isValidSoftPrefix(m_line))
            sink.softPrefix(spans, m_line);
        else
            sink.problem(spans, ParseProblem::BadSoftPrefix, m_line);
        return true;
    case LineKind::HardPath:
        if (!m_entryOpen) {
            sink.problem(spans, ParseProblem::HardPathWithoutSoftPrefix, m_line);
            return false;
        }
        sink.hardPath(spans, m_line);
        return true;
    case LineKind::Include: {
        m_entryOpen = false;
        LineSpans pathSpans = spans;
        pathSpans.value.begin += includePathStart(m_line);
        if (sink.include(pathSpans, m_line) == AfterInclude::Pause) pause = Outcome::Paused;
        return true;
    }
    case LineKind::ParseError:
        break;
    }
    sink.problem(spans, ParseProblem::UnknownLine, m_line);
    return true;
}

bool Parser::reportNulByte(ParseSink &sink, const LineSpans &spans) {
    if (!m_headerSeen) {
        sink.problem(spans, ParseProblem::NulInHeader, m_line);
        return false;
    }
    switch (classifyLine(m_line)) {
    case LineKind::SoftPrefix:
        m_entryOpen = true;
        sink.problem(spans, ParseProblem::NulInSoftPrefix, m_line);
        return true;
    case LineKind::Include:
        m_entryOpen = false;
        sink.problem(spans, ParseProblem::NulInInclude, m_line);
        return true;
    case LineKind::HardPath:
        sink.problem(spans, ParseProblem::NulInHardPath, m_line);
        return true;
    case LineKind::ParseError:
        break;
    }
    sink.problem(spans, ParseProblem::UnknownLine, m_line);
    return true;
}

}  // namespace locmap50::mapfile
