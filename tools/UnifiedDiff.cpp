// SPDX-License-Identifier: Apache-2.0
// Unified diffs: the smallest changes found by the divide-and-conquer O(ND) search, moved as GNU diff moves them, printed as diff -u prints them.
#include "UnifiedDiff.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace locmap_tool {
namespace {

constexpr long kContext = 3;

// The lines of a text, each with its LF; the last may lack one.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = std::min(text.find('\n', begin), text.size() - 1) + 1;
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// Which lines of each side changed. Both flag arrays have a clear flag
// before the first line and after the last, as the boundary shifting reads
// one past either end.
class LineComparison {
public:
    LineComparison(const std::vector<std::string_view> &oldLines, const std::vector<std::string_view> &newLines) {
        std::unordered_map<std::string_view, long> classes;
        for (const std::string_view line : oldLines) m_old.push_back(classOf(classes, line));
        for (const std::string_view line : newLines) m_new.push_back(classOf(classes, line));
        m_changedOld.assign(m_old.size() + 2, 0);
        m_changedNew.assign(m_new.size() + 2, 0);
        const std::size_t diagonals = m_old.size() + m_new.size() + 3;
        m_forward.assign(diagonals, 0);
        m_backward.assign(diagonals, 0);
        compare(0, size(m_old), 0, size(m_new));
        shiftBoundaries(m_changedOld.data() + 1, m_changedNew.data() + 1, m_old, size(m_old));
        shiftBoundaries(m_changedNew.data() + 1, m_changedOld.data() + 1, m_new, size(m_new));
    }

    bool oldChanged(long line) const { return m_changedOld[line + 1] != 0; }
    bool newChanged(long line) const { return m_changedNew[line + 1] != 0; }

private:
    // Equal lines share a number, so that lines compare in one step.
    static long classOf(std::unordered_map<std::string_view, long> &classes, std::string_view line) {
        return classes.emplace(line, static_cast<long>(classes.size())).first->second;
    }
    static long size(const std::vector<long> &lines) { return static_cast<long>(lines.size()); }
    long &forward(long diagonal) { return m_forward[diagonal + size(m_new) + 1]; }
    long &backward(long diagonal) { return m_backward[diagonal + size(m_new) + 1]; }
    bool same(long x, long y) const { return m_old[x] == m_new[y]; }

    // Old [xOff, xLim) against new [yOff, yLim): the ends that match are
    // skipped, the rest split at the middle of a shortest edit path.
    void compare(long xOff, long xLim, long yOff, long yLim) {
        while (xOff < xLim && yOff < yLim && same(xOff, yOff)) ++xOff, ++yOff;
        while (xOff < xLim && yOff < yLim && same(xLim - 1, yLim - 1)) --xLim, --yLim;
        if (xOff == xLim) {
            for (; yOff < yLim; ++yOff) m_changedNew[yOff + 1] = 1;
        } else if (yOff == yLim) {
            for (; xOff < xLim; ++xOff) m_changedOld[xOff + 1] = 1;
        } else {
            long xMid = 0;
            long yMid = 0;
            middleOfPath(xOff, xLim, yOff, yLim, xMid, yMid);
            compare(xOff, xMid, yOff, yMid);
            compare(xMid, xLim, yMid, yLim);
        }
    }

    // Searches from both corners at once, one edit more each round, until the
    // two searches meet on a diagonal; there the path is split.
    void middleOfPath(long xOff, long xLim, long yOff, long yLim, long &xMid, long &yMid) {
        const long dMin = xOff - yLim;
        const long dMax = xLim - yOff;
        const long fMid = xOff - yOff;
        const long bMid = xLim - yLim;
        long fMin = fMid, fMax = fMid, bMin = bMid, bMax = bMid;
        const bool odd = ((fMid - bMid) & 1) != 0;
        forward(fMid) = xOff;
        backward(bMid) = xLim;
        for (;;) {
            if (fMin > dMin) forward(--fMin - 1) = -1; else ++fMin;
            if (fMax < dMax) forward(++fMax + 1) = -1; else --fMax;
            for (long d = fMax; d >= fMin; d -= 2) {
                const long low = forward(d - 1);
                const long high = forward(d + 1);
                long x = low >= high ? low + 1 : high;
                long y = x - d;
                while (x < xLim && y < yLim && same(x, y)) ++x, ++y;
                forward(d) = x;
                if (odd && bMin <= d && d <= bMax && backward(d) <= x) {
                    xMid = x, yMid = y;
                    return;
                }
            }
            if (bMin > dMin) backward(--bMin - 1) = LONG_MAX; else ++bMin;
            if (bMax < dMax) backward(++bMax + 1) = LONG_MAX; else --bMax;
            for (long d = bMax; d >= bMin; d -= 2) {
                const long low = backward(d - 1);
                const long high = backward(d + 1);
                long x = low < high ? low : high - 1;
                long y = x - d;
                while (xOff < x && yOff < y && same(x - 1, y - 1)) --x, --y;
                backward(d) = x;
                if (!odd && fMin <= d && d <= fMax && x <= forward(d)) {
                    xMid = x, yMid = y;
                    return;
                }
            }
        }
    }

    // Slides each run of changed lines over equal neighbours as GNU diff
    // does: merged with other runs where it can be, otherwise as far down as
    // it goes, unless it can stand against a run of the other side.
    static void shiftBoundaries(char *changed, const char *otherChanged, const std::vector<long> &lines, long end) {
        long i = 0;
        long j = 0;
        for (;;) {
            while (i < end && !changed[i]) {
                while (otherChanged[j++]) {}
                ++i;
            }
            if (i == end) break;
            long start = i;
            while (changed[++i]) {}
            while (otherChanged[j]) ++j;
            long runLength = 0;
            long corresponding = end;
            do {
                runLength = i - start;
                while (start != 0 && lines[start - 1] == lines[i - 1]) {
                    changed[--start] = 1;
                    changed[--i] = 0;
                    while (changed[start - 1]) --start;
                    while (otherChanged[--j]) {}
                }
                corresponding = otherChanged[j - 1] ? i : end;
                while (i != end && lines[start] == lines[i]) {
                    changed[start++] = 0;
                    changed[i++] = 1;
                    while (changed[i]) ++i;
                    while (otherChanged[++j]) corresponding = i;
                }
            } while (runLength != i - start);
            while (corresponding < i) {
                changed[--start] = 1;
                changed[--i] = 0;
                while (otherChanged[--j]) {}
            }
        }
    }

    std::vector<long> m_old;
    std::vector<long> m_new;
    std::vector<char> m_changedOld;
    std::vector<char> m_changedNew;
    std::vector<long> m_forward;
    std::vector<long> m_backward;
};

// One run of changes: old lines [oldLine, +deleted) become new lines [newLine, +inserted).
struct Change {
    long oldLine = 0;
    long newLine = 0;
    long deleted = 0;
    long inserted = 0;
};

std::vector<Change> changesOf(const LineComparison &comparison, long oldCount, long newCount) {
    std::vector<Change> changes;
    long i = 0;
    long j = 0;
    while (i < oldCount || j < newCount) {
        if ((i < oldCount && comparison.oldChanged(i)) || (j < newCount && comparison.newChanged(j))) {
            Change change{i, j, 0, 0};
            while (i < oldCount && comparison.oldChanged(i)) ++i, ++change.deleted;
            while (j < newCount && comparison.newChanged(j)) ++j, ++change.inserted;
            changes.push_back(change);
        } else {
            ++i, ++j;
        }
    }
    return changes;
}

// A hunk's range as diff -u writes it: "start,count", "start" alone for one
// line, and for none the line before it with ",0".
std::string range(long first, long count) {
    if (count == 0) return std::to_string(first) + ",0";
    if (count == 1) return std::to_string(first + 1);
    return std::to_string(first + 1) + "," + std::to_string(count);
}

void appendLine(std::string &out, char mark, std::string_view line) {
    out += mark;
    out.append(line.data(), line.size());
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

// The escape GNU diff writes for a byte of a name: a letter for the usual
// control bytes, a quote and a backslash; 0 where the byte stands as it is;
// 1 where it is written in octal (other bytes below 32 and, as diff reads
// them through a signed char, bytes from 0x80 up).
int escapeLetter(char c) {
    switch (c) {
    case '\a': return 'a';
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\v': return 'v';
    case '\f': return 'f';
    case '\r': return 'r';
    case '"': return '"';
    case '\\': return '\\';
    default: return static_cast<signed char>(c) < 32 ? 1 : 0;
    }
}

}  // namespace

std::string diffHeaderName(const std::string &name) {
    const bool mustQuote = std::any_of(name.begin(), name.end(), [](char c) {
        return c == ' ' || escapeLetter(c) != 0;
    });
    if (!mustQuote) return name;
    std::string quoted = "\"";
    for (const char c : name) {
        const int letter = escapeLetter(c);
        if (letter == 0) {
            quoted += c;
        } else if (letter == 1) {
            const unsigned char byte = static_cast<unsigned char>(c);
            quoted += '\\';
            quoted += static_cast<char>('0' + (byte >> 6));
            quoted += static_cast<char>('0' + ((byte >> 3) & 7));
            quoted += static_cast<char>('0' + (byte & 7));
        } else {
            quoted += '\\';
            quoted += static_cast<char>(letter);
        }
    }
    return quoted + "\"";
}

std::string unifiedDiff(const std::string &name, const std::string &oldText, const std::string &newText) {
    const std::vector<std::string_view> oldLines = linesOf(oldText);
    const std::vector<std::string_view> newLines = linesOf(newText);
    const long oldCount = static_cast<long>(oldLines.size());
    const long newCount = static_cast<long>(newLines.size());
    const std::vector<Change> changes = changesOf(LineComparison(oldLines, newLines), oldCount, newCount);
    if (changes.empty()) return std::string();
    const std::string header = diffHeaderName(name);
    std::string out = "--- " + header + "\n+++ " + header + "\n";
    for (std::size_t first = 0; first < changes.size();) {
        // Changes closer than twice the context share a hunk.
        std::size_t last = first;
        while (last + 1 < changes.size() &&
               changes[last + 1].oldLine - (changes[last].oldLine + changes[last].deleted) <= 2 * kContext)
            ++last;
        const long oldStart = std::max(0L, changes[first].oldLine - kContext);
        const long newStart = changes[first].newLine - (changes[first].oldLine - oldStart);
        const long lastEnd = changes[last].oldLine + changes[last].deleted;
        const long oldEnd = std::min(oldCount, lastEnd + kContext);
        const long newEnd = changes[last].newLine + changes[last].inserted + (oldEnd - lastEnd);
        out += "@@ -" + range(oldStart, oldEnd - oldStart) + " +" + range(newStart, newEnd - newStart) + " @@\n";
        long at = oldStart;
        for (std::size_t c = first; c <= last; ++c) {
            for (; at < changes[c].oldLine; ++at) appendLine(out, ' ', oldLines[at]);
            for (long k = 0; k < changes[c].deleted; ++k) appendLine(out, '-', oldLines[at++]);
            for (long k = 0; k < changes[c].inserted; ++k) appendLine(out, '+', newLines[changes[c].newLine + k]);
        }
        for (; at < oldEnd; ++at) appendLine(out, ' ', oldLines[at]);
        first = last + 1;
    }
    return out;
}

}  // namespace locmap_tool
