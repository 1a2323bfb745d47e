#include "core/reading/sinojapanesereading.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

namespace {

bool isKatakana(QChar c)
{
    return c.unicode() >= u'ァ' && c.unicode() <= u'ヺ';
}

// Kanji → first on reading; read once, on the first compound that needs it.
const QHash<QChar, QString> &onReadings()
{
    static const QHash<QChar, QString> readings = [] {
        QHash<QChar, QString> table;
        QFile file(kanjidicPath());
        if (!file.open(QIODevice::ReadOnly) || file.size() > 32 * 1024 * 1024)
            return table;
        QStringDecoder decoder("EUC-JP");
        if (!decoder.isValid())
            return table;
        const QString text = decoder.decode(file.readAll());
        for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
            if (line.size() < 3 || line.startsWith(QLatin1Char('#')) || line.at(0).isSurrogate())
                continue;
            for (const QStringView field : line.split(QLatin1Char(' '))) {
                if (field == u"T1")
                    break; // name readings follow
                if (field.isEmpty() || !isKatakana(field.front()))
                    continue;
                QString reading = field.toString();
                reading.remove(QLatin1Char('-'));
                reading = reading.section(QLatin1Char('.'), 0, 0);
                if (!reading.isEmpty())
                    table.insert(line.at(0), reading);
                break;
            }
        }
        return table;
    }();
    return readings;
}

bool startsWithAny(const QString &text, const QString &letters)
{
    return !text.isEmpty() && letters.contains(text.front());
}

} // namespace

QString kanjidicPath()
{
    return QStringLiteral("/usr/share/edict/kanjidic");
}

QString sinoJapaneseReading(QStringView kanji)
{
    static const QString kRow = QStringLiteral("カキクケコ");
    static const QString sRow = QStringLiteral("サシスセソ");
    static const QString tRow = QStringLiteral("タチツテト");
    static const QString hRow = QStringLiteral("ハヒフヘホ");
    const QHash<QChar, QString> &table = onReadings();
    QString out;
    for (const QChar c : kanji) {
        // 行 in compounds the dictionary lacks is nearly always a line (空行, 次行).
        QString next = c == QChar(u'行') ? QStringLiteral("ギョウ") : table.value(c);
        if (next.isEmpty())
            return QString();
        // 促音化: ツ, チ before k, s, t, h; ク, キ before k. After っ an h becomes p.
        const bool beforeKsth = startsWithAny(next, kRow + sRow + tRow + hRow);
        if ((out.endsWith(QChar(u'ツ')) || out.endsWith(QChar(u'チ'))) && beforeKsth
            && out.size() > 1) {
            out.back() = QChar(u'ッ');
        } else if ((out.endsWith(QChar(u'ク')) || out.endsWith(QChar(u'キ')))
                   && startsWithAny(next, kRow) && out.size() > 1) {
            out.back() = QChar(u'ッ');
        }
        if (out.endsWith(QChar(u'ッ')) && startsWithAny(next, hRow))
            next[0] = QChar(char16_t(next.front().unicode() + 2));
        out += next;
    }
    return out;
}
