#include "core/reading/phoneticservice.h"

namespace {

bool endsSentence(QChar c)
{
    switch (c.unicode()) {
    case u'。':
    case u'！':
    case u'？':
    case u'\r':
    case u'\n':
        return true;
    default:
        return false;
    }
}

} // namespace

ReadingContext readingContext(const QString &text, qsizetype start, qsizetype length)
{
    start = qBound<qsizetype>(0, start, text.size());
    length = qBound<qsizetype>(0, length, text.size() - start);
    ReadingContext context {QString(), text.sliced(start, length), QString()};
    if (context.selection.contains(QLatin1Char('<'))
        || context.selection.contains(QLatin1Char('>')))
        return context;

    qsizetype from = start;
    const qsizetype lowest = qMax<qsizetype>(0, start - kMaxContext);
    while (from > lowest) {
        const QChar c = text.at(from - 1);
        if (c == QLatin1Char('<'))
            return context; // inside a tag: no sentence
        if (c == QLatin1Char('>') || endsSentence(c))
            break;
        --from;
    }
    qsizetype to = start + length;
    const qsizetype highest = qMin<qsizetype>(text.size(), to + kMaxContext);
    while (to < highest) {
        const QChar c = text.at(to);
        if (c == QLatin1Char('>'))
            return context;
        if (c == QLatin1Char('<') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            break;
        ++to;
        if (endsSentence(c))
            break;
    }
    context.before = text.sliced(from, start - from);
    context.after = text.sliced(start + length, to - start - length);
    return context;
}
