#pragma once

#include "core/ruby/htmlscan.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// The text of one block as a browser shows it, with where each character came
// from in the page.
struct BlockText
{
    QString text;
    // Per character of text: its offset in the page, or below 0 for one that
    // may take no ruby there (from a character reference, or standing for code).
    QList<qsizetype> source;
};

// Hands over the blocks of a page's shown text in order: text pieces joined
// across inline elements, comments and character references (&shy; and <wbr>
// join without a character); a line break between Japanese characters dropped,
// as CSS drops it; block elements, <br>, cells, existing ruby and what is not
// shown end a block. Very long blocks come in parts cut at a sentence end.
// The sink returns false to stop; then so does this.
bool forEachBlock(const QString &html, const HtmlScan &scan,
                  const std::function<bool(const BlockText &)> &sink);

// The block that holds [start, end) of the page as one stretch of its text,
// and where that stretch starts in it; nothing when no block holds it whole.
std::optional<std::pair<BlockText, qsizetype>> blockAround(const QString &html,
                                                          const HtmlScan &scan, qsizetype start,
                                                          qsizetype end);

// A variation selector, which belongs to the character before it: U+FE00-FE0F,
// or the first half of U+E0100-E01EF.
bool isVariationSelectorAt(const QString &text, qsizetype at);
