#pragma once

#include <QList>
#include <QString>

// What a stretch of an HTML source is, for deciding where ruby may go.
enum class HtmlPlace {
    Text, // text content: ruby may go here
    Tag, // inside <...>, outside attribute values
    AttributeValue,
    Comment,
    Declaration, // <!DOCTYPE ...>, <?...?>, other <!...>
    CData,
    Reference, // &amp; &#12354; ...
    Script,
    Style,
    Textarea,
    Title,
    InsideRuby, // text of an existing ruby element
    InsideCode, // text of <code> or <pre> when those are skipped
    Unsure, // after an unclosed tag, comment or raw-text element: left alone
    RawText, // <xmp> <iframe> <noembed> <noframes> <noscript> <plaintext>: never markup
    Foreign, // SVG or MathML outside <foreignObject>: a <ruby> there closes the <svg>
    Select, // <select> and <datalist>: tags in an option are dropped, its text shown bare
    Table, // in a table outside its cells: moved out of the table, with its white space
};

struct HtmlRange
{
    qsizetype start;
    qsizetype end;
    HtmlPlace place;
};

struct HtmlScan
{
    QList<HtmlRange> ranges; // cover the whole text, in order, without gaps
    // Outermost <ruby>...</ruby>, with their tags; InsideRuby, or Unsure for one
    // that is to be left alone (in a template, or one that ended SVG to open).
    QList<HtmlRange> rubyElements;
    // In those elements, in order: the ruby and rb tags and the rt, rp and rtc
    // parts with their text, which removing ruby drops.
    QList<HtmlRange> rubyMarkup;
};

// One pass over the source, linear in its length, following the states of a
// browser's tokenizer (raw text, RCDATA, script data with its escaped states,
// plaintext, bogus comments) and the parts of tree building that decide whether
// text is HTML text (SVG and MathML with their integration points, <select>).
// Only Text is text a browser shows where a <ruby> element may go. Markup that
// breaks off leaves the rest of the text Unsure rather than guessing.
HtmlScan scanHtml(const QString &html, bool skipCodeAndPre = true);

// The place of the stretch [start, end): the first range in it that is not
// text, or Text when it is all text.
HtmlPlace placeOf(const HtmlScan &scan, qsizetype start, qsizetype end);

// The existing ruby element that holds [start, end), or {-1, -1}.
HtmlRange rubyElementAround(const HtmlScan &scan, qsizetype start, qsizetype end);

// Base and reading of a ruby element's source (rb text, or ruby text without
// rt and rp; rt text). Returns false when it is not one ruby element.
bool parseRubyElement(const QString &element, QString *base, QString *reading);
