#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <algorithm>
#include <initializer_list>

// What the HTML rules say about characters and element names, as the scan of
// a page needs it.
namespace htmlnames {

// The character tests are asked of every character of a page: inline.
inline bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

inline bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return isAsciiLetter(c) || (u >= u'0' && u <= u'9') || u == u'-' || u == u':' || u == u'_';
}

// The tokenizer's white space; a CR is one too, as it becomes a LF before.
inline bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\n' || u == u'\r' || u == u'\f';
}

inline bool isOneOf(QStringView name, std::initializer_list<QLatin1StringView> names)
{
    return std::any_of(names.begin(), names.end(), [&](QLatin1StringView n) { return name == n; });
}

// Start tags that end SVG or MathML content.
bool endsForeignContent(QStringView name, bool fontBreaks);
bool isVoid(QStringView name);
// Start tags a browser takes in without keeping an element open.
bool keptOpen(QStringView name);
// Whether a start tag ends an open element first: a p before a block, an li
// before an li, a dd or dt before either.
bool endsOpen(QStringView name, QStringView open);
// Elements an end tag of another name does not close past.
bool isSpecial(QStringView name);
// Elements that bound a search for an open element ("in scope"); a p also
// stops at a button, an li at a list.
bool boundsScope(QStringView name, QStringView searched);
// Elements whose text a browser never reads as markup: their end tag is taken
// with their content.
bool isRawText(QStringView name);
// Parts of a table other than its cells.
bool isTablePart(QStringView name);
bool isCell(QStringView name);

} // namespace htmlnames
