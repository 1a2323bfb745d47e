#include "core/text/sourcetext.h"

#include <algorithm>

namespace {

qsizetype lineEndFrom(QStringView text, qsizetype from)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = from; i < size; ++i) {
        if (data[i] == u'\r' || data[i] == u'\n')
            return i;
    }
    return size;
}

} // namespace

EncodedBlocks SourceText::Encoder::next(qsizetype end)
{
    EncodedBlocks result;
    const qsizetype begin = m_done;
    result.text.resize(end - begin + (end - begin) / (wrapLength - 1) + 2);
    QChar *out = result.text.data();
    const QChar *in = m_text.constData();
    const qsizetype size = m_text.size();
    qsizetype written = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (m_lineEnd < i) {
            m_lineEnd = lineEndFrom(m_text, i);
            m_nextWrap = m_lineEnd - i > longLineLength ? i + wrapLength : -1;
        }
        if (i == m_nextWrap && i < m_lineEnd) {
            if (in[i].isLowSurrogate()) {
                ++m_nextWrap; // a surrogate pair stays whole
            } else {
                out[written++] = u'\n';
                result.ends.push_back(LineEnd::Wrap);
                m_nextWrap += wrapLength;
            }
        }
        const char16_t c = in[i].unicode();
        if (c == u'\r' && i + 1 < size && in[i + 1] == u'\n') {
            out[written++] = u'\n';
            result.ends.push_back(LineEnd::CrLf);
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            out[written++] = u'\n';
            result.ends.push_back(c == u'\r' ? LineEnd::Cr : LineEnd::Lf);
        } else if (needsStandIn(c)) {
            result.marks.append({int(written), c});
            out[written++] = standInFor(c);
        } else {
            out[written++] = c;
        }
    }
    result.text.truncate(written);
    m_done = end;
    return result;
}

qsizetype SourceText::sliceEnd(QStringView text, qsizetype end)
{
    if (end >= text.size())
        return text.size();
    if (text.at(end - 1) == u'\r' && text.at(end) == u'\n')
        ++end;
    return end;
}

std::vector<int> SourceText::wrapsFor(QStringView block, bool isPiece)
{
    std::vector<int> wraps;
    const int length = int(block.size());
    if (length <= 2 * wrapLength || (!isPiece && length <= longLineLength))
        return wraps;
    for (int at = wrapLength; at < length; at += wrapLength) {
        if (block.at(at).isLowSurrogate())
            ++at;
        if (at < length)
            wraps.push_back(at);
    }
    return wraps;
}

SourceText::SourceText() = default;

int SourceText::replaceEnds(int first, int erased, int inserted)
{
    const int wraps = m_ends.erase(first, erased);
    std::vector<LineEnd> ends(std::size_t(inserted), m_convention);
    const std::size_t given = std::min(ends.size(), m_expected.size());
    std::copy_n(m_expected.begin(), given, ends.begin());
    m_expected.erase(m_expected.begin(), m_expected.begin() + qsizetype(given));
    m_ends.insert(first, ends.data(), inserted);
    return wraps;
}

QString SourceText::decode(QStringView raw, int firstBlock,
                           const std::function<char16_t(qsizetype)> &originalAt) const
{
    const qsizetype separators = raw.count(QChar(blockSeparator));
    QString text;
    text.resize(raw.size() + separators);
    QChar *out = text.data();
    qsizetype written = 0;
    // Lines that all end alike need no look at the index.
    const int ends = blockCount() - 1;
    LineEnd uniform = LineEnd::None;
    for (const LineEnd end : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr}) {
        if (count(end) == ends)
            uniform = end;
    }
    const std::vector<LineEnd> blockEnds
        = uniform == LineEnd::None ? lineEnds(firstBlock, int(separators)) : std::vector<LineEnd>();
    std::size_t next = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        if (c == blockSeparator) {
            const LineEnd end = uniform != LineEnd::None ? uniform
                : next < blockEnds.size()                ? blockEnds[next++]
                                                         : LineEnd::None;
            for (const QChar lineEnd : lineEndText(end))
                out[written++] = lineEnd;
            continue;
        }
        if (originalAt && mayBeStandIn(c)) {
            const char16_t original = originalAt(i);
            if (original != 0 && standInFor(original) == c) {
                out[written++] = QChar(original);
                continue;
            }
        }
        out[written++] = QChar(c);
    }
    text.truncate(written);
    return text;
}
