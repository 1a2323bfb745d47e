#include "core/ruby/gradelevels.h"

#include <QFile>
#include <QHash>

namespace {

// Read once from the table built into the program.
const QHash<char32_t, int> &grades()
{
    static const QHash<char32_t, int> table = [] {
        QHash<char32_t, int> read;
        QFile file(QStringLiteral(":/core/kanjigrades.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return read;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QList<QByteArray> fields = line.split('\t');
            const QList<uint> kanji = QString::fromUtf8(fields.first()).toUcs4();
            if (fields.size() == 2 && kanji.size() == 1)
                read.insert(kanji.first(), fields.at(1).toInt());
        }
        return read;
    }();
    return table;
}

} // namespace

int kanjiGrade(char32_t c)
{
    return grades().value(c, 0);
}

QSet<char32_t> knownKanjiOfLevel(int level)
{
    QSet<char32_t> known;
    for (auto it = grades().cbegin(); it != grades().cend(); ++it) {
        if (it.value() <= level)
            known.insert(it.key());
    }
    return known;
}

std::optional<int> gradeLevelFromName(QStringView name)
{
    if (name == u"jouyou")
        return kJouyouLevel;
    if (name.size() == 1 && name.at(0) >= u'1' && name.at(0) <= u'6')
        return name.at(0).unicode() - u'0';
    return std::nullopt;
}
