#pragma once

#include "core/text/lineendindex.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <vector>

// A text as a plain-text document holds it: every line end and every display wrap of
// a long line is a block separator ('\n' here), and a character that a block cannot
// hold inside a line is a stand-in, marked with the original.
struct EncodedBlocks
{
    QString text;
    QList<QPair<int, char16_t>> marks; // stand-ins: index in text, original character
    std::vector<LineEnd> ends; // how each '\n' of text ended its line, in order
};

// The source text behind the editor, without the widget: the line end of every block,
// offsets of the text (a CR LF counts two, a wrap nothing) against positions of the
// document, stand-ins, and where long lines are cut into pieces for display.
class SourceText
{
public:
    // Lines longer than this are shown in pieces of wrapLength characters: every
    // paint shapes each line it shows whole, and every key lays out its line again.
    static constexpr int longLineLength = 10000;
    static constexpr int wrapLength = 200;
    // A large text goes in by slices of this size, so that its encoded copy never
    // exists whole beside the text and the document.
    static constexpr qsizetype sliceLength = qsizetype(1) << 20;
    static constexpr char16_t blockSeparator = 0x2029; // the document's, in its raw text

    // Characters a block cannot hold inside a line: the document would take them for
    // a block separator or a frame.
    static bool needsStandIn(char16_t c) { return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1; }
    static char16_t standInFor(char16_t c)
    {
        return c == 0x2029 ? char16_t(0x00B6) : char16_t(0xFFFD); // PILCROW, REPLACEMENT
    }
    static bool mayBeStandIn(char16_t c) { return c == 0x00B6 || c == 0xFFFD; }

    // Turns a text into what the document holds, a slice at a time.
    class Encoder
    {
    public:
        explicit Encoder(QStringView text)
            : m_text(text)
        { }
        // The next slice, up to end (never between the CR and the LF of a line end).
        EncodedBlocks next(qsizetype end);
        // The next slice of about sliceLength characters.
        EncodedBlocks next() { return next(sliceEnd(m_text, m_done + sliceLength)); }
        bool atEnd() const { return m_done >= m_text.size(); }
        qsizetype encoded() const { return m_done; }
        qsizetype size() const { return m_text.size(); }

    private:
        QStringView m_text;
        qsizetype m_done = 0;
        qsizetype m_lineEnd = -1; // the end of the line being encoded
        qsizetype m_nextWrap = -1; // where that line is wrapped next, -1 when not long
    };
    static EncodedBlocks encode(QStringView text) { return Encoder(text).next(text.size()); }
    // The end of the slice that starts before end: a CR LF stays whole.
    static qsizetype sliceEnd(QStringView text, qsizetype end);

    // Where a block of the document is cut by new wraps (positions in it), when an
    // edit made it too long: a line over longLineLength, or a piece of one grown
    // twice as long as a piece. A surrogate pair stays whole.
    static std::vector<int> wrapsFor(QStringView block, bool isPiece);

    SourceText();

    // The end of every block, the last one None.
    void assign(const std::vector<LineEnd> &ends) { m_ends.assign(ends); }
    // The line end most lines use (CR LF for ties and for none).
    LineEnd majority() const
    {
        return majorityLineEnd(count(LineEnd::CrLf), count(LineEnd::Lf), count(LineEnd::Cr));
    }
    int blockCount() const { return m_ends.size(); }
    LineEnd lineEnd(int block) const { return m_ends.at(block); }
    std::vector<LineEnd> lineEnds(int firstBlock, int count) const
    {
        return m_ends.slice(firstBlock, count);
    }
    int count(LineEnd end) const { return m_ends.count(end); }

    // The line end that the lines mostly use (CR LF for no line end and for ties);
    // Enter and inserted text use it.
    LineEnd convention() const { return m_convention; }
    void setConvention(LineEnd end) { m_convention = end; }

    // The ends of the separators a write is about to insert, in order; the rest
    // take the convention.
    void expectEnds(std::vector<LineEnd> ends) { m_expected = std::move(ends); }
    // The separators of blocks first to first + erased went, inserted came in their
    // place. Returns how many of those that went were wraps.
    int replaceEnds(int first, int erased, int inserted);

    // Characters of the text in a document of the given number of positions.
    int length(int positions) const { return positions + m_ends.extraBefore(blockCount()); }
    // The offset in the text of a position in the given block.
    int offset(int position, int block) const
    {
        return offsetsArePositions() ? position : position + m_ends.extraBefore(block);
    }
    int extraBefore(int block) const { return m_ends.extraBefore(block); }
    // Lines of the text before a block: the pieces of a long line are one line.
    int linesBefore(int block) const { return block - m_ends.wrapsBefore(block); }
    bool offsetsArePositions() const { return m_ends.offsetsArePositions(); }

    // The position of an offset of the text, given the start and the length of any
    // block. An offset between the CR and the LF of a line end is the line's end.
    template<typename BlockStart, typename BlockLength>
    int position(int offset, BlockStart blockStart, BlockLength blockLength) const
    {
        if (offsetsArePositions())
            return offset;
        // The last block whose start offset is <= offset.
        int low = 0;
        int high = blockCount() - 1;
        while (low < high) {
            const int middle = low + (high - low + 1) / 2;
            if (blockStart(middle) + m_ends.extraBefore(middle) <= offset)
                low = middle;
            else
                high = middle - 1;
        }
        const int blockEnd = blockStart(low) + blockLength(low);
        return qMin(offset - m_ends.extraBefore(low), blockEnd);
    }

    // The text of raw document characters from a block's start on (block separators
    // as blockSeparator): line ends as the blocks ended, stand-ins as the originals
    // that originalAt gives for an index of raw (0 for none; not asked when empty).
    QString decode(QStringView raw, int firstBlock,
                   const std::function<char16_t(qsizetype)> &originalAt = {}) const;

private:
    LineEndIndex m_ends; // one entry per block, in block order
    LineEnd m_convention = LineEnd::CrLf;
    std::vector<LineEnd> m_expected;
};
