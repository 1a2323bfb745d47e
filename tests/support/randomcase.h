#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// A random Replace all case made of pieces of an alphabet. Most searches are cut
// from the document so that they are found, a third of the replacements contain
// the search text, and a third of the selections are as long as the search text.
struct RandomCase
{
    QString text;
    QString search;
    QString replacement;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    bool fromTop = false;

    static RandomCase draw(QRandomGenerator &random, const QStringList &alphabet, int maxPieces)
    {
        const auto pieces = [&](int most) {
            QString text;
            for (int i = random.bounded(most + 1); i > 0; --i)
                text += alphabet.at(random.bounded(int(alphabet.size())));
            return text;
        };
        RandomCase drawn;
        drawn.text = pieces(maxPieces);
        drawn.search = pieces(3);
        if (!drawn.text.isEmpty() && random.bounded(4) != 0)
            drawn.search
                = drawn.text.mid(random.bounded(int(drawn.text.size())), 1 + random.bounded(3));
        drawn.replacement = pieces(3);
        if (random.bounded(3) == 0)
            drawn.replacement = drawn.search + drawn.replacement;
        drawn.selStart = random.bounded(int(drawn.text.size()) + 1);
        const qsizetype rest = drawn.text.size() - drawn.selStart;
        drawn.selLength = random.bounded(int(qMin<qsizetype>(4, rest)) + 1);
        if (random.bounded(3) == 0)
            drawn.selLength = qMin(drawn.search.size(), rest);
        drawn.fromTop = random.bounded(2) == 0;
        return drawn;
    }

    // For failure messages, line ends made visible.
    QByteArray describe() const
    {
        const auto shown = [](QString text) {
            return text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
        };
        return QStringLiteral("text \"%1\" search \"%2\" replacement \"%3\" selection %4+%5 top %6")
            .arg(shown(text), shown(search), shown(replacement))
            .arg(selStart)
            .arg(selLength)
            .arg(fromTop)
            .toUtf8();
    }
};
