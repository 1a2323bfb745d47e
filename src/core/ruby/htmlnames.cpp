#include "core/ruby/htmlnames.h"

using namespace Qt::StringLiterals;

namespace htmlnames {

bool endsForeignContent(QStringView name, bool fontBreaks)
{
    return (fontBreaks && name == "font"_L1)
        || isOneOf(name,
                   {"b"_L1,       "big"_L1,  "blockquote"_L1, "body"_L1,  "br"_L1,   "center"_L1,
                    "code"_L1,    "dd"_L1,   "div"_L1,        "dl"_L1,    "dt"_L1,   "em"_L1,
                    "embed"_L1,   "h1"_L1,   "h2"_L1,         "h3"_L1,    "h4"_L1,   "h5"_L1,
                    "h6"_L1,      "head"_L1, "hr"_L1,         "i"_L1,     "img"_L1,  "li"_L1,
                    "listing"_L1, "menu"_L1, "meta"_L1,       "nobr"_L1,  "ol"_L1,   "p"_L1,
                    "pre"_L1,     "ruby"_L1, "s"_L1,          "small"_L1, "span"_L1, "strong"_L1,
                    "strike"_L1,  "sub"_L1,  "sup"_L1,        "table"_L1, "tt"_L1,   "u"_L1,
                    "ul"_L1,      "var"_L1});
}

bool isVoid(QStringView name)
{
    return isOneOf(name,
                   {"area"_L1, "base"_L1, "basefont"_L1, "bgsound"_L1, "br"_L1, "col"_L1,
                    "embed"_L1, "frame"_L1, "hr"_L1, "img"_L1, "input"_L1, "keygen"_L1, "link"_L1,
                    "meta"_L1, "param"_L1, "source"_L1, "track"_L1, "wbr"_L1});
}

bool keptOpen(QStringView name)
{
    return !isVoid(name)
        && !isOneOf(name,
                    {"html"_L1, "head"_L1, "body"_L1, "frameset"_L1, "image"_L1, "isindex"_L1});
}

bool endsOpen(QStringView name, QStringView open)
{
    if (open == "dd"_L1 || open == "dt"_L1)
        return name == "dd"_L1 || name == "dt"_L1;
    if (open == "li"_L1)
        return name == "li"_L1;
    return open == "p"_L1
        && isOneOf(name,
                   {"address"_L1,  "article"_L1,    "aside"_L1,   "blockquote"_L1, "center"_L1,
                    "details"_L1,  "dialog"_L1,     "dir"_L1,     "div"_L1,        "dl"_L1,
                    "fieldset"_L1, "figcaption"_L1, "figure"_L1,  "footer"_L1,     "header"_L1,
                    "hgroup"_L1,   "main"_L1,       "menu"_L1,    "nav"_L1,        "ol"_L1,
                    "p"_L1,        "section"_L1,    "summary"_L1, "ul"_L1,         "h1"_L1,
                    "h2"_L1,       "h3"_L1,         "h4"_L1,      "h5"_L1,         "h6"_L1,
                    "pre"_L1,      "listing"_L1,    "form"_L1,    "table"_L1,      "xmp"_L1,
                    "li"_L1,       "dd"_L1,         "dt"_L1,      "plaintext"_L1});
}

bool isSpecial(QStringView name)
{
    return boundsScope(name, u"")
        || isOneOf(name,
                   {"address"_L1, "area"_L1,     "article"_L1,  "aside"_L1,    "base"_L1,
                    "basefont"_L1, "bgsound"_L1, "blockquote"_L1, "body"_L1,  "br"_L1,
                    "button"_L1,  "center"_L1,   "col"_L1,      "colgroup"_L1, "dd"_L1,
                    "details"_L1, "dir"_L1,      "div"_L1,      "dl"_L1,       "dt"_L1,
                    "embed"_L1,   "fieldset"_L1, "figcaption"_L1, "figure"_L1, "footer"_L1,
                    "form"_L1,    "frame"_L1,    "frameset"_L1, "h1"_L1,       "h2"_L1,
                    "h3"_L1,      "h4"_L1,       "h5"_L1,       "h6"_L1,       "head"_L1,
                    "header"_L1,  "hgroup"_L1,   "hr"_L1,       "iframe"_L1,   "img"_L1,
                    "input"_L1,   "li"_L1,       "link"_L1,     "listing"_L1,  "main"_L1,
                    "menu"_L1,    "meta"_L1,     "nav"_L1,      "noembed"_L1,  "noframes"_L1,
                    "noscript"_L1, "ol"_L1,      "p"_L1,        "param"_L1,    "plaintext"_L1,
                    "pre"_L1,     "script"_L1,   "section"_L1,  "select"_L1,   "source"_L1,
                    "style"_L1,   "summary"_L1,  "tbody"_L1,    "textarea"_L1, "tfoot"_L1,
                    "thead"_L1,   "title"_L1,    "tr"_L1,       "track"_L1,    "ul"_L1,
                    "wbr"_L1,     "xmp"_L1});
}

bool boundsScope(QStringView name, QStringView searched)
{
    if (searched == "p"_L1 && name == "button"_L1)
        return true;
    if (searched == "li"_L1 && (name == "ol"_L1 || name == "ul"_L1))
        return true;
    return isOneOf(name,
                   {"applet"_L1, "caption"_L1, "html"_L1, "table"_L1, "td"_L1, "th"_L1,
                    "marquee"_L1, "object"_L1, "template"_L1});
}

bool isRawText(QStringView name)
{
    return isOneOf(name,
                   {"script"_L1, "style"_L1, "textarea"_L1, "title"_L1, "xmp"_L1, "iframe"_L1,
                    "noembed"_L1, "noframes"_L1, "noscript"_L1, "plaintext"_L1});
}

bool isTablePart(QStringView name)
{
    return isOneOf(name, {"tr"_L1, "tbody"_L1, "thead"_L1, "tfoot"_L1, "colgroup"_L1, "col"_L1});
}

bool isCell(QStringView name)
{
    return isOneOf(name, {"td"_L1, "th"_L1, "caption"_L1});
}

} // namespace htmlnames
