#include "core/ruby/htmlnames.h"
#include "core/ruby/htmlscan.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using htmlnames::isNameChar;

HtmlPlace placeOf(const HtmlScan &scan, qsizetype start, qsizetype end)
{
    const auto &ranges = scan.ranges;
    auto it = std::upper_bound(ranges.begin(), ranges.end(), start,
                               [](qsizetype at, const HtmlRange &r) { return at < r.end; });
    for (; it != ranges.end() && it->start < std::max(end, start + 1); ++it) {
        if (it->place != HtmlPlace::Text)
            return it->place;
    }
    return HtmlPlace::Text;
}

HtmlRange rubyElementAround(const HtmlScan &scan, qsizetype start, qsizetype end)
{
    const auto &elements = scan.rubyElements;
    auto it = std::upper_bound(elements.begin(), elements.end(), start,
                               [](qsizetype at, const HtmlRange &r) { return at < r.end; });
    if (it != elements.end() && it->start <= start && end <= it->end)
        return *it;
    return {-1, -1, HtmlPlace::InsideRuby};
}

bool parseRubyElement(const QString &element, QString *base, QString *reading)
{
    const HtmlScan scan = scanHtml(element, false);
    if (scan.rubyElements.size() != 1 || scan.rubyElements.first().start != 0
        || scan.rubyElements.first().end != element.size())
        return false;
    base->clear();
    reading->clear();
    // Which of rb, rt, rp the text is in: the last tag before it says.
    enum { Base, Reading, Parenthesis } part = Base;
    for (const HtmlRange &r : scan.ranges) {
        const QStringView piece = QStringView(element).sliced(r.start, r.end - r.start);
        if (r.place == HtmlPlace::Tag) {
            // Neighbouring tags come as one range: look at each tag in it.
            for (qsizetype lt = piece.indexOf(u'<'); lt >= 0; lt = piece.indexOf(u'<', lt + 1)) {
                const bool closing = piece.sliced(lt).startsWith(u"</");
                const QStringView name = piece.sliced(lt + (closing ? 2 : 1));
                const auto is = [&](QLatin1StringView n) {
                    return name.startsWith(n, Qt::CaseInsensitive)
                        && (name.size() == n.size() || !isNameChar(name.at(n.size())));
                };
                if (is("rt"_L1))
                    part = closing ? Base : Reading;
                else if (is("rp"_L1))
                    part = closing ? Base : Parenthesis;
                else if (is("rb"_L1) || is("rtc"_L1))
                    part = Base;
            }
        } else if (r.place == HtmlPlace::InsideRuby || r.place == HtmlPlace::Reference) {
            if (part == Base)
                base->append(piece);
            else if (part == Reading)
                reading->append(piece);
        }
    }
    return true;
}
