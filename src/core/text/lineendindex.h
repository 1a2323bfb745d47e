#pragma once

#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

// How a line of the editor ends. Wrap is no character at all: a display-only break
// inside a line too long to lay out whole. None marks the last line, which has no end.
enum class LineEnd : std::int8_t { CrLf, Lf, Cr, Wrap, None };

// The characters of the line end in the text (empty for Wrap and None).
QStringView lineEndText(LineEnd end);

// Characters of the text minus positions of the document for one line end: a CR LF
// is two characters held as one separator, a wrap is a separator and no character.
constexpr int extraLength(LineEnd end)
{
    return end == LineEnd::CrLf ? 1 : end == LineEnd::Wrap ? -1 : 0;
}

// The convention of a text whose line ends were counted: the most common one, CR LF
// when there is a tie or no line end at all.
LineEnd majorityLineEnd(int crLf, int lf, int cr);

// The line end of every block of a document, in block order, with the sum of their
// extra lengths before any block: a treap keyed by block number, so inserting or
// removing lines and summing a prefix all take O(log n) in the number of lines.
class LineEndIndex
{
public:
    LineEndIndex();

    void assign(const std::vector<LineEnd> &ends);
    int size() const { return nodeSize(m_root); }
    LineEnd at(int index) const;
    // Sum of extraLength over the first count entries.
    int extraBefore(int count) const;
    // How many of the first count entries are wraps.
    int wrapsBefore(int count) const;
    // count entries from index on, in order.
    std::vector<LineEnd> slice(int index, int count) const;
    void insert(int index, const LineEnd *ends, int count);
    // Removes count entries from index on; returns how many of them were wraps.
    int erase(int index, int count);
    int count(LineEnd end) const { return m_counts[std::size_t(end)]; }
    // No line end is longer or shorter than its separator: offsets are positions.
    bool offsetsArePositions() const
    {
        return count(LineEnd::CrLf) == 0 && count(LineEnd::Wrap) == 0;
    }

private:
    struct Node
    {
        int left = -1;
        int right = -1;
        int size = 1;
        int extra = 0; // sum of extraLength over the subtree
        int wraps = 0; // wraps in the subtree
        std::uint32_t priority = 0;
        LineEnd end = LineEnd::None;
    };

    int nodeSize(int node) const { return node < 0 ? 0 : m_nodes[std::size_t(node)].size; }
    int nodeExtra(int node) const { return node < 0 ? 0 : m_nodes[std::size_t(node)].extra; }
    int nodeWraps(int node) const { return node < 0 ? 0 : m_nodes[std::size_t(node)].wraps; }
    template<typename Parts>
    int sumBefore(int count, Parts parts) const;
    void update(int node);
    int newNode(LineEnd end);
    int build(const LineEnd *ends, int count);
    void split(int node, int count, int &first, int &rest);
    int merge(int first, int rest);
    int release(int node);

    std::vector<Node> m_nodes;
    std::vector<int> m_free;
    int m_root = -1;
    std::array<int, 5> m_counts {};
    std::uint32_t m_seed = 0x9E3779B9u;
};
