// SPDX-License-Identifier: Apache-2.0
// Tests of the map file parser: the events, spans and stops it gives for each reader fixture, and resuming after an include.
#include <gtest/gtest.h>

#include <string>

#include "locmapfile/Parser.h"
#include "support/Golden.h"

namespace {

using namespace locmap50::mapfile;

// Control characters shown, so that line ends in the goldens are visible.
std::string visible(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\0')
            shown += "\\0";
        else
            shown += c;
    }
    return shown;
}

// Writes each event as one line: its number, what it is, the text it
// carries, and the bytes its value span and its line span cover.
class RecordingSink : public ParseSink {
public:
    explicit RecordingSink(std::string_view text, bool pauseAtIncludes = false)
        : m_text(text), m_pauseAtIncludes(pauseAtIncludes) {}

    void header(const LineSpans &spans, const Header &header) override {
        add(spans, "header version=" + header.version + (header.force ? " force" : ""), "");
    }
    void softPrefix(const LineSpans &spans, std::string &text) override { add(spans, "soft-prefix", text); }
    void hardPath(const LineSpans &spans, std::string &text) override { add(spans, "hard-path", text); }
    AfterInclude include(const LineSpans &spans, std::string &text) override {
        add(spans, "include", text);
        return m_pauseAtIncludes ? AfterInclude::Pause : AfterInclude::Continue;
    }
    void commentOrBlank(const LineSpans &spans) override { add(spans, "comment-or-blank", ""); }
    void problem(const LineSpans &spans, ParseProblem problem, std::string &text) override {
        static const char *const kNames[] = {"bad-header",         "bad-soft-prefix",    "unknown-line",
                                             "hard-path-without-soft-prefix",
                                             "nul-in-header",      "nul-in-soft-prefix", "nul-in-hard-path",
                                             "nul-in-include"};
        add(spans, kNames[static_cast<int>(problem)], text);
    }

    std::string m_events;

private:
    void add(const LineSpans &spans, const std::string &what, const std::string &text) {
        m_events += std::to_string(spans.number) + " " + what;
        if (!text.empty()) m_events += " \"" + visible(text) + "\"";
        m_events += " value=\"" + visible(m_text.substr(spans.value.begin, spans.value.size())) + "\" line=\"" +
                    visible(m_text.substr(spans.line.begin, spans.line.size())) + "\"\n";
    }

    std::string_view m_text;
    bool m_pauseAtIncludes;
};

const char *outcomeName(Parser::Outcome outcome) {
    switch (outcome) {
    case Parser::Outcome::Finished: return "finished";
    case Parser::Outcome::StoppedEarly: return "stopped early";
    case Parser::Outcome::Paused: return "paused";
    }
    return "";
}

// The reader fixtures as the parser sees them: every line has an event, and
// the line spans cover the whole file, so a writer can rebuild it from them.
class ParserFixtures : public ::testing::TestWithParam<const char *> {};

TEST_P(ParserFixtures, EventsMatchTheGolden) {
    const std::string name = GetParam();
    const std::string text = testsupport::readFile(testsupport::dataFile("reader/" + name + ".map")).value();
    RecordingSink sink(text);
    Parser parser(text);
    const Parser::Outcome outcome = parser.parse(sink);
    const std::string events = sink.m_events + outcomeName(outcome) + "\n";
    EXPECT_EQ(events, testsupport::goldenOrUpdate("parser/" + name + ".txt", events));
}

INSTANTIATE_TEST_SUITE_P(Reader, ParserFixtures,
                         ::testing::Values("bad_header_indented_comment", "bad_include_then_hard_path",
                                           "bad_soft_prefix", "comments_only", "crlf_line_ends",
                                           "drive_slash_and_unc", "duplicate_soft_prefix", "force_header",
                                           "hard_path_after_header", "header_trailing_comment",
                                           "indented_comment_after_header", "nul_bytes", "nul_in_header",
                                           "parse_error_inside_entry", "soft_prefix_without_hard_path",
                                           "too_many_hard_paths"));

TEST(Parser, PausesAfterAnIncludeAndResumesWithTheNextLine) {
    const std::string text = "ZOR_LOCATION_MAP_2\r\nINCLUDE\t a b.map  # why\r\n$A\r\nC:/a";
    RecordingSink sink(text, /*pauseAtIncludes=*/true);
    Parser parser(text);
    EXPECT_EQ(parser.parse(sink), Parser::Outcome::Paused);
    EXPECT_EQ(parser.parse(sink), Parser::Outcome::Finished);
    EXPECT_EQ(sink.m_events,
              "1 header version=2 value=\"ZOR_LOCATION_MAP_2\" line=\"ZOR_LOCATION_MAP_2\\r\\n\"\n"
              "2 include \"INCLUDE\t a b.map\" value=\"a b.map\" line=\"INCLUDE\t a b.map  # why\\r\\n\"\n"
              "3 soft-prefix \"$A\" value=\"$A\" line=\"$A\\r\\n\"\n"
              "4 hard-path \"C:\\a\" value=\"C:/a\" line=\"C:/a\"\n");
}

TEST(Parser, AnIncludeClosesTheEntrySoAHardPathAfterItStops) {
    const std::string text = "ZOR_LOCATION_MAP_2\n$A\nINCLUDE x.map\nC:\\a\n$B\n";
    RecordingSink sink(text);
    Parser parser(text);
    EXPECT_EQ(parser.parse(sink), Parser::Outcome::StoppedEarly);
    EXPECT_NE(sink.m_events.find("3 include"), std::string::npos);
    EXPECT_NE(sink.m_events.find("4 hard-path-without-soft-prefix"), std::string::npos);
    EXPECT_EQ(sink.m_events.find("$B"), std::string::npos);
}

}  // namespace
