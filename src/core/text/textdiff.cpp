#include "core/text/textdiff.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// Edits beyond these are not aligned exactly (the work grows with their number).
constexpr qsizetype kMaxLineEdits = 1000;
constexpr qsizetype kMaxCharEdits = 400;
constexpr qsizetype kMaxWork = qsizetype(4) * 1000 * 1000;

struct Run
{
    qsizetype a = 0;
    qsizetype b = 0;
    qsizetype length = 0;
};

// Myers' shortest edit script over two sequences, as the runs they share; false
// when it takes more than maxEdits edits or too much work.
template<typename Equal>
bool myersRuns(qsizetype n, qsizetype m, Equal equal, qsizetype maxEdits, std::vector<Run> &runs)
{
    std::vector<std::vector<qsizetype>> trace; // trace[d][k + d]: furthest x on diagonal k
    qsizetype work = 0;
    for (qsizetype d = 0; d <= maxEdits; ++d) {
        std::vector<qsizetype> v(size_t(2 * d + 1));
        const auto previous = [&](qsizetype k) { return trace.back()[size_t(k + d - 1)]; };
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = 0;
            if (d > 0)
                x = (k == -d || (k != d && previous(k - 1) < previous(k + 1)))
                    ? previous(k + 1)
                    : previous(k - 1) + 1;
            qsizetype y = x - k;
            while (x < n && y < m && equal(x, y))
                ++x, ++y, ++work;
            v[size_t(k + d)] = x;
            if (x >= n && y >= m) {
                trace.push_back(std::move(v));
                for (qsizetype e = d; e >= 0; --e) {
                    const qsizetype kk = x - y;
                    qsizetype startX = 0;
                    qsizetype startY = 0;
                    if (e > 0) {
                        const auto &p = trace[size_t(e - 1)];
                        const auto at = [&](qsizetype kd) { return p[size_t(kd + e - 1)]; };
                        const bool down = kk == -e || (kk != e && at(kk - 1) < at(kk + 1));
                        const qsizetype px = down ? at(kk + 1) : at(kk - 1);
                        startX = down ? px : px + 1;
                        startY = startX - kk;
                        if (x > startX)
                            runs.push_back({startX, startY, x - startX});
                        x = px;
                        y = px - (down ? kk + 1 : kk - 1);
                    } else if (x > 0) {
                        runs.push_back({0, 0, x});
                    }
                }
                std::reverse(runs.begin(), runs.end());
                return true;
            }
        }
        work += 2 * d + 1;
        if (work > kMaxWork)
            return false;
        trace.push_back(std::move(v));
    }
    return false;
}

class Aligner
{
public:
    Aligner(QStringView oldText, QStringView newText)
        : m_old(oldText)
        , m_new(newText)
    { }

    QList<KeptSpan> spans;

    void keep(qsizetype oldStart, qsizetype newStart, qsizetype length)
    {
        if (length <= 0)
            return;
        if (!spans.isEmpty()) {
            KeptSpan &last = spans.last();
            if (last.oldStart + last.length == oldStart
                && last.newStart + last.length == newStart) {
                last.length += length;
                return;
            }
        }
        spans.append({oldStart, newStart, length});
    }

    // Both ranges; what they share at their ends first, then what lies between.
    void align(qsizetype a0, qsizetype a1, qsizetype b0, qsizetype b1, bool byLines)
    {
        qsizetype prefix = 0;
        const qsizetype shorter = qMin(a1 - a0, b1 - b0);
        while (prefix < shorter && m_old[a0 + prefix] == m_new[b0 + prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix && m_old[a1 - 1 - suffix] == m_new[b1 - 1 - suffix])
            ++suffix;
        keep(a0, b0, prefix);
        a0 += prefix;
        b0 += prefix;
        if (a0 < a1 - suffix && b0 < b1 - suffix) {
            if (!byLines || !alignLines(a0, a1 - suffix, b0, b1 - suffix))
                alignCharacters(a0, a1 - suffix, b0, b1 - suffix);
        }
        keep(a1 - suffix, b1 - suffix, suffix);
    }

private:
    struct Line
    {
        qsizetype start;
        qsizetype length;
        size_t hash;
    };

    static std::vector<Line> linesOf(QStringView text, qsizetype from, qsizetype to)
    {
        std::vector<Line> lines;
        while (from < to) {
            qsizetype end = text.sliced(from, to - from).indexOf(u'\n');
            end = end < 0 ? to : from + end + 1;
            lines.push_back({from, end - from, qHash(text.sliced(from, end - from))});
            from = end;
        }
        return lines;
    }

    bool alignLines(qsizetype a0, qsizetype a1, qsizetype b0, qsizetype b1)
    {
        const std::vector<Line> a = linesOf(m_old, a0, a1);
        const std::vector<Line> b = linesOf(m_new, b0, b1);
        if (a.size() < 2 && b.size() < 2)
            return false;
        const auto same = [&](qsizetype i, qsizetype j) {
            const Line &x = a[size_t(i)];
            const Line &y = b[size_t(j)];
            return x.hash == y.hash
                && m_old.sliced(x.start, x.length) == m_new.sliced(y.start, y.length);
        };
        std::vector<Run> runs;
        const qsizetype n = qsizetype(a.size());
        const qsizetype m = qsizetype(b.size());
        if (!myersRuns(n, m, same, kMaxLineEdits, runs)) {
            if (n != m)
                return false;
            // Too many changes: the same number of lines is taken as lines edited in place.
            for (qsizetype i = 0; i < n; ++i)
                alignCharacters(a[size_t(i)].start, a[size_t(i)].start + a[size_t(i)].length,
                                b[size_t(i)].start, b[size_t(i)].start + b[size_t(i)].length);
            return true;
        }
        qsizetype i = 0;
        qsizetype j = 0;
        const auto startA = [&](qsizetype k) { return k < n ? a[size_t(k)].start : a1; };
        const auto startB = [&](qsizetype k) { return k < m ? b[size_t(k)].start : b1; };
        runs.push_back({n, m, 0});
        for (const Run &run : runs) {
            if (startA(i) < startA(run.a) && startB(j) < startB(run.b))
                align(startA(i), startA(run.a), startB(j), startB(run.b), false);
            keep(startA(run.a), startB(run.b), startA(run.a + run.length) - startA(run.a));
            i = run.a + run.length;
            j = run.b + run.length;
        }
        return true;
    }

    // Whether every character of the shorter range is found in order in the other:
    // only insertions (or only deletions) were made, as a tool makes them.
    bool alignSubsequence(qsizetype a0, qsizetype a1, qsizetype b0, qsizetype b1)
    {
        const bool inserted = a1 - a0 <= b1 - b0;
        QStringView inner = inserted ? m_old.sliced(a0, a1 - a0) : m_new.sliced(b0, b1 - b0);
        QStringView outer = inserted ? m_new.sliced(b0, b1 - b0) : m_old.sliced(a0, a1 - a0);
        std::vector<Run> runs;
        qsizetype i = 0;
        for (qsizetype j = 0; i < inner.size() && j < outer.size(); ++j) {
            if (inner[i] != outer[j])
                continue;
            if (!runs.empty() && runs.back().a + runs.back().length == i
                && runs.back().b + runs.back().length == j)
                ++runs.back().length;
            else
                runs.push_back({i, j, 1});
            ++i;
        }
        if (i < inner.size())
            return false;
        for (const Run &run : runs) {
            if (inserted)
                keep(a0 + run.a, b0 + run.b, run.length);
            else
                keep(a0 + run.b, b0 + run.a, run.length);
        }
        return true;
    }

    void alignCharacters(qsizetype a0, qsizetype a1, qsizetype b0, qsizetype b1)
    {
        if (alignSubsequence(a0, a1, b0, b1))
            return;
        std::vector<Run> runs;
        const auto same = [&](qsizetype i, qsizetype j) { return m_old[a0 + i] == m_new[b0 + j]; };
        if (!myersRuns(a1 - a0, b1 - b0, same, kMaxCharEdits, runs))
            return; // nothing kept in between: it is written anew
        for (const Run &run : runs)
            keep(a0 + run.a, b0 + run.b, run.length);
    }

    QStringView m_old;
    QStringView m_new;
};

} // namespace

QList<KeptSpan> unchangedSpans(QStringView oldText, QStringView newText)
{
    Aligner aligner(oldText, newText);
    aligner.align(0, oldText.size(), 0, newText.size(), true);
    return aligner.spans;
}
