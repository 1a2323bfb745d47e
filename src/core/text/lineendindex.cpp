#include "core/text/lineendindex.h"

#include <algorithm>

QStringView lineEndText(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf:
        return u"\r\n";
    case LineEnd::Lf:
        return u"\n";
    case LineEnd::Cr:
        return u"\r";
    default:
        return {};
    }
}

LineEnd majorityLineEnd(int crLf, int lf, int cr)
{
    if (lf > crLf && lf > cr)
        return LineEnd::Lf;
    if (cr > crLf && cr > lf)
        return LineEnd::Cr;
    return LineEnd::CrLf;
}

LineEndIndex::LineEndIndex()
{
    const LineEnd last = LineEnd::None;
    insert(0, &last, 1);
}

void LineEndIndex::update(int node)
{
    Node &n = m_nodes[std::size_t(node)];
    n.size = 1 + nodeSize(n.left) + nodeSize(n.right);
    n.extra = extraLength(n.end) + nodeExtra(n.left) + nodeExtra(n.right);
    n.wraps = int(n.end == LineEnd::Wrap) + nodeWraps(n.left) + nodeWraps(n.right);
}

int LineEndIndex::newNode(LineEnd end)
{
    int node;
    if (m_free.empty()) {
        node = int(m_nodes.size());
        m_nodes.emplace_back();
    } else {
        node = m_free.back();
        m_free.pop_back();
        m_nodes[std::size_t(node)] = Node();
    }
    m_nodes[std::size_t(node)].end = end;
    ++m_counts[std::size_t(end)];
    return node;
}

// A balanced subtree whose priorities grow with its height, so merging it keeps the
// whole tree about as deep as a random treap.
int LineEndIndex::build(const LineEnd *ends, int count)
{
    if (count <= 0)
        return -1;
    const int middle = count / 2;
    const int left = build(ends, middle);
    const int right = build(ends + middle + 1, count - middle - 1);
    const int node = newNode(ends[middle]);
    const std::uint32_t height = 1
        + std::max(left < 0 ? 0u : m_nodes[std::size_t(left)].priority >> 24,
                   right < 0 ? 0u : m_nodes[std::size_t(right)].priority >> 24);
    m_seed = m_seed * 1664525u + 1013904223u; // a plain LCG is random enough for balance
    Node &n = m_nodes[std::size_t(node)];
    n.left = left;
    n.right = right;
    n.priority = (height << 24) | (m_seed >> 8);
    update(node);
    return node;
}

void LineEndIndex::split(int node, int count, int &first, int &rest)
{
    if (node < 0) {
        first = rest = -1;
        return;
    }
    const int leftSize = nodeSize(m_nodes[std::size_t(node)].left);
    if (count <= leftSize) {
        int left = -1;
        split(m_nodes[std::size_t(node)].left, count, first, left);
        m_nodes[std::size_t(node)].left = left;
        rest = node;
    } else {
        int right = -1;
        split(m_nodes[std::size_t(node)].right, count - leftSize - 1, right, rest);
        m_nodes[std::size_t(node)].right = right;
        first = node;
    }
    update(node);
}

int LineEndIndex::merge(int first, int rest)
{
    if (first < 0)
        return rest;
    if (rest < 0)
        return first;
    if (m_nodes[std::size_t(first)].priority >= m_nodes[std::size_t(rest)].priority) {
        const int right = merge(m_nodes[std::size_t(first)].right, rest);
        m_nodes[std::size_t(first)].right = right;
        update(first);
        return first;
    }
    const int left = merge(first, m_nodes[std::size_t(rest)].left);
    m_nodes[std::size_t(rest)].left = left;
    update(rest);
    return rest;
}

// Frees a subtree; returns how many of its entries were wraps.
int LineEndIndex::release(int node)
{
    int wraps = 0;
    std::vector<int> pending;
    if (node >= 0)
        pending.push_back(node);
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        const Node &n = m_nodes[std::size_t(at)];
        if (n.left >= 0)
            pending.push_back(n.left);
        if (n.right >= 0)
            pending.push_back(n.right);
        wraps += n.end == LineEnd::Wrap ? 1 : 0;
        --m_counts[std::size_t(n.end)];
        m_free.push_back(at);
    }
    return wraps;
}

void LineEndIndex::assign(const std::vector<LineEnd> &ends)
{
    m_nodes.clear();
    m_free.clear();
    m_counts = {};
    m_root = build(ends.data(), int(ends.size()));
}

LineEnd LineEndIndex::at(int index) const
{
    int node = m_root;
    while (node >= 0) {
        const Node &n = m_nodes[std::size_t(node)];
        const int leftSize = nodeSize(n.left);
        if (index < leftSize) {
            node = n.left;
        } else if (index == leftSize) {
            return n.end;
        } else {
            index -= leftSize + 1;
            node = n.right;
        }
    }
    return LineEnd::None;
}

int LineEndIndex::extraBefore(int count) const
{
    // Files whose lines all end alike need no walk.
    const int ends = size() - 1;
    if (m_counts[std::size_t(LineEnd::CrLf)] == ends)
        return std::min(count, ends);
    if (m_counts[std::size_t(LineEnd::Lf)] + m_counts[std::size_t(LineEnd::Cr)] == ends)
        return 0;
    return sumBefore(count, [this](const Node &n) {
        return std::pair(nodeExtra(n.left), extraLength(n.end));
    });
}

int LineEndIndex::wrapsBefore(int count) const
{
    if (m_counts[std::size_t(LineEnd::Wrap)] == 0)
        return 0;
    return sumBefore(count, [this](const Node &n) {
        return std::pair(nodeWraps(n.left), int(n.end == LineEnd::Wrap));
    });
}

// One walk down the tree for every sum kept in its nodes: parts gives a node's left
// subtree's sum and its own entry's share.
template<typename Parts>
int LineEndIndex::sumBefore(int count, Parts parts) const
{
    int sum = 0;
    int node = m_root;
    while (node >= 0 && count > 0) {
        const Node &n = m_nodes[std::size_t(node)];
        const int leftSize = nodeSize(n.left);
        if (count <= leftSize) {
            node = n.left;
        } else {
            const auto [left, own] = parts(n);
            sum += left + own;
            count -= leftSize + 1;
            node = n.right;
        }
    }
    return sum;
}

std::vector<LineEnd> LineEndIndex::slice(int index, int count) const
{
    std::vector<LineEnd> ends;
    count = std::max(0, std::min(count, size() - index));
    ends.reserve(std::size_t(count));
    // In order from the index on, with a stack instead of recursion.
    std::vector<int> path; // nodes whose entry and right subtree are still to come
    int node = m_root;
    int before = 0;
    while (node >= 0) {
        const Node &n = m_nodes[std::size_t(node)];
        const int at = before + nodeSize(n.left);
        if (index <= at) {
            path.push_back(node);
            node = n.left;
        } else {
            before = at + 1;
            node = n.right;
        }
    }
    while (!path.empty() && int(ends.size()) < count) {
        const int top = path.back();
        path.pop_back();
        ends.push_back(m_nodes[std::size_t(top)].end);
        for (int child = m_nodes[std::size_t(top)].right; child >= 0;
             child = m_nodes[std::size_t(child)].left)
            path.push_back(child);
    }
    return ends;
}

void LineEndIndex::insert(int index, const LineEnd *ends, int count)
{
    if (count <= 0)
        return;
    const int added = build(ends, count);
    int first = -1;
    int rest = -1;
    split(m_root, index, first, rest);
    m_root = merge(merge(first, added), rest);
}

int LineEndIndex::erase(int index, int count)
{
    if (count <= 0)
        return 0;
    int first = -1;
    int middle = -1;
    int rest = -1;
    split(m_root, index, first, rest);
    split(rest, count, middle, rest);
    m_root = merge(first, rest);
    return release(middle);
}
