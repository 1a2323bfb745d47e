#pragma once

#include <QFile>
#include <QTest>

#include <type_traits>

// A case table in tests/data: a row a line, fields separated by tabs, the first field
// the row's name; lines starting with "#" are comments. In a field \r \n \t \\ stand
// for themselves, \xHH for a byte, \uXXXX and \UXXXXXXXX for a character, and \*N;
// makes the character before it N of them.
template<typename Out>
Out caseField(const QByteArray &raw)
{
    constexpr bool bytes = std::is_same_v<Out, QByteArray>;
    const QString field = QString::fromUtf8(raw);
    Out out;
    const auto add = [&out](const QString &text) {
        if constexpr (bytes)
            out += text.toUtf8();
        else
            out += text;
    };
    qsizetype plain = 0; // start of the text not yet taken
    for (qsizetype i = 0; i + 1 < field.size(); ++i) {
        if (field[i] != u'\\')
            continue;
        add(field.mid(plain, i - plain));
        const char16_t c = field[++i].unicode();
        const int hex = c == u'x' ? 2 : c == u'u' ? 4 : c == u'U' ? 8 : 0;
        const uint code = field.mid(i + 1, hex).toUInt(nullptr, 16);
        const qsizetype end = c == u'*' ? field.indexOf(u';', i) : i + hex;
        if (c == u'x' && bytes)
            out += char(code);
        else if (hex)
            add(QStringView(QChar::fromUcs4(code)).toString()); // no byte-order mark dropped
        else if (c == u'*')
            out += Out(field.mid(i + 1, end - i - 1).toLongLong() - 1, out.back());
        else
            add(QString(c == u'r' ? u'\r' : c == u'n' ? u'\n' : c == u't' ? u'\t' : c));
        plain = (i = end) + 1;
    }
    add(field.mid(plain));
    return out;
}

inline QByteArray caseBytes(const QByteArray &field)
{
    return caseField<QByteArray>(field);
}
inline QString caseText(const QByteArray &field)
{
    return caseField<QString>(field);
}

// Adds each row of a table as a test row whose one column "f" holds its fields after
// the name.
inline void addCaseRows(const char *table)
{
    QTest::addColumn<QByteArrayList>("f");
    QFile file(QStringLiteral(RUBELLO_TEST_DATA "/") + QLatin1String(table));
    QVERIFY2(file.open(QIODevice::ReadOnly), table);
    for (const QByteArray &line : file.readAll().split('\n')) {
        QByteArrayList fields = line.split('\t');
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            QTest::newRow(fields.takeFirst().constData()) << fields;
    }
}
