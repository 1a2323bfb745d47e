#include "core/ruby/rubystrip.h"

#include "core/ruby/htmlscan.h"

#include <algorithm>

namespace {

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    });
}

} // namespace

StrippedRuby stripRuby(const QString &html, qsizetype from, qsizetype to)
{
    if (to < 0 || to > html.size())
        to = html.size();
    from = std::clamp<qsizetype>(from, 0, to);
    const HtmlScan scan = scanHtml(html, false);
    StrippedRuby result;
    result.text.reserve(html.size());
    result.start = from;
    result.end = to;
    qsizetype copied = 0;
    qsizetype removed = 0; // characters taken out before `copied`
    auto markup = scan.rubyMarkup.cbegin();
    for (const HtmlRange &element : scan.rubyElements) {
        // An empty stretch touches the element it lies in.
        if (element.end <= from || element.start > to || (element.start == to && from < to)
            || element.place != HtmlPlace::InsideRuby)
            continue;
        while (markup != scan.rubyMarkup.cend() && markup->start < element.start)
            ++markup;
        if (result.elements++ == 0)
            result.start = std::min(from, element.start) - removed;
        // Kept: the stretches between the dropped ones, but not white space that
        // only stands between two parts of the element.
        qsizetype kept = element.start;
        bool afterPart = false;
        for (; markup != scan.rubyMarkup.cend() && markup->end <= element.end; ++markup) {
            const QStringView between = QStringView(html).sliced(kept, markup->start - kept);
            result.text += QStringView(html).sliced(copied, kept - copied);
            if (afterPart && isBlank(between))
                removed += between.size();
            else
                result.text += between;
            removed += markup->end - markup->start;
            copied = kept = markup->end;
            afterPart = true;
        }
        if (kept < element.end) { // never for an element the scan closed
            result.text += QStringView(html).sliced(copied, element.end - copied);
            copied = element.end;
        }
        result.end = std::max(to, element.end) - removed;
    }
    result.text += QStringView(html).sliced(copied);
    if (result.elements == 0)
        result.end = to;
    return result;
}
