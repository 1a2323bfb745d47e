#include "core/ruby/rubytext.h"

qsizetype commonEndingLength(const QString &katakanaBase, const QString &reading)
{
    const qsizetype n = katakanaBase.size();
    qsizetype k = 0;
    while (k < n && k < reading.size()
           && katakanaBase.at(n - 1 - k) == reading.at(reading.size() - 1 - k))
        ++k;
    // An ending that starts between the halves of a surrogate pair would cut a
    // character in two, in the reading and in the editor's selection.
    if (k > 0 && katakanaBase.at(n - k).isLowSurrogate())
        --k;
    return k;
}

OkuriganaOmission omitOkurigana(const QString &selection, const QString &reading)
{
    OkuriganaOmission result;
    const qsizetype n = selection.size();
    result.omitted = commonEndingLength(katakanaForm(selection), reading);
    result.reading = result.omitted > 0 ? reading.left(reading.size() - result.omitted) : reading;
    result.baseLength = n - result.omitted;
    return result;
}

QString rubyElement(const QString &base, const QString &reading)
{
    // Made in one piece: a whole page makes one for every word.
    QString element;
    element.reserve(base.size() + reading.size() + 51);
    element.append(u"<ruby><rb>"_qs).append(base).append(u"</rb><rp>(</rp><rt>"_qs);
    element.append(reading).append(u"</rt><rp>)</rp></ruby>"_qs);
    return element;
}

QString rubyElementWithAttribute(const QString &base, const QString &attribute,
                                 const QString &reading)
{
    return QStringLiteral("<ruby><rb>") + base + QStringLiteral("</rb><rp>(</rp><rt ") + attribute
        + QLatin1Char('>') + reading + QStringLiteral("</rt><rp>)</rp></ruby>");
}
