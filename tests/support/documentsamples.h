#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

// Generated documents for the load and save round trips: lines of ASCII and Japanese
// text ended at random by CR LF, LF or a lone CR, with and without a final line end.
struct SampleDocument
{
    QByteArray bytes; // the file as written
    QByteArray expected; // the file after load and save: each lone CR becomes CR LF
};

inline QStringList sampleWords(const QByteArray &codePage)
{
    QStringList words = {QStringLiteral("<p>"),
                         QStringLiteral("</p>"),
                         QStringLiteral("abc"),
                         QStringLiteral(" "),
                         QStringLiteral("href=\"a.htm\""),
                         QStringLiteral("&amp;"),
                         QStringLiteral("\t"),
                         QStringLiteral("\\"),
                         QStringLiteral("~"),
                         QStringLiteral("日本語"),
                         QStringLiteral("漢字"),
                         QStringLiteral("ひらがな"),
                         QStringLiteral("カタカナ"),
                         QStringLiteral("ｶﾀｶﾅ"),
                         QStringLiteral("ルビ"),
                         QStringLiteral("～"),
                         QStringLiteral("－"),
                         QStringLiteral("①"),
                         QStringLiteral("纊"),
                         QStringLiteral("ⅰ"),
                         QStringLiteral("髙"),
                         QStringLiteral("￤"),
                         QStringLiteral("〒"),
                         QStringLiteral("、。"),
                         QStringLiteral("送り仮名")};
    if (codePage == "UTF-8") {
        words << QStringLiteral("〜") << QStringLiteral("−") << QStringLiteral("—")
              << QStringLiteral("¥") << QStringLiteral("‾") << QStringLiteral("𠮷")
              << QStringLiteral("é");
    }
    return words;
}

inline QByteArray withLoneCRsEnded(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes.at(i));
        if (bytes.at(i) == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n'))
            out.append('\n');
    }
    return out;
}

inline SampleDocument generateSample(QRandomGenerator &random, const QByteArray &codePage)
{
    static const QString separators[]
        = {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")};
    const QStringList words = sampleWords(codePage);
    QString text;
    const int lines = random.bounded(0, 12);
    for (int line = 0; line < lines; ++line) {
        const int count = random.bounded(0, 8);
        for (int w = 0; w < count; ++w)
            text += words.at(random.bounded(int(words.size())));
        const bool last = line + 1 == lines;
        if (!last || random.bounded(2) == 0)
            text += separators[random.bounded(3)];
    }
    QStringEncoder encoder(codePage.constData(), QStringConverter::Flag::Stateless);
    SampleDocument sample;
    sample.bytes = encoder.encode(text);
    Q_ASSERT(!encoder.hasError());
    sample.expected = withLoneCRsEnded(sample.bytes);
    return sample;
}
