#include "core/reading/readingtables.h"

#include "core/text/kana.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <ranges>

namespace {

Result<QList<QStringList>> tableRows(const QString &path, qsizetype columns)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const ErrorKind kind = file.exists() ? ErrorKind::ReadFailed : ErrorKind::NotFound;
        return std::unexpected(Error {kind, file.errorString(), kind == ErrorKind::NotFound ? ENOENT : EIO, path});
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError())
        return std::unexpected(Error {ErrorKind::Damaged, {}, EILSEQ, path});
    QList<QStringList> rows;
    for (const QString &line : text.split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList fields = line.split(u'\t');
        while (fields.size() < columns)
            fields.append(QString());
        rows.append(fields);
    }
    return rows;
}

} // namespace

Result<ReadingTables> ReadingTables::load(const QString &folder)
{
    const QDir dir(folder);
    ReadingTables tables;
    const auto unbound = [](const QStringList &f) { return f[2].isEmpty() && f[3].isEmpty(); };
    const auto read = [&dir](const char *name, qsizetype columns) {
        return tableRows(dir.filePath(QString::fromLatin1(name)), columns);
    };
    const Result<QList<QStringList>> counters = read("counters.tsv", 7),
                                     native = read("native.tsv", 2), fixed = read("fixed.tsv", 4),
                                     joints = read("joints.tsv", 2), clans = read("clans.tsv", 2),
                                     homographs = read("homographs.tsv", 4),
                                     stems = read("stems.tsv", 3);
    for (const auto *table : {&counters, &native, &fixed, &joints, &clans, &homographs, &stems})
        if (!*table)
            return std::unexpected(table->error());
    for (const QStringList &f : *counters) {
        tables.counters.insert(f[0], {f[1], f[2], f[3], f[4], f[5], f[6]});
        if (const qsizetype plus = f[0].indexOf(u'+'); plus > 0)
            tables.countersAfter[f[0].sliced(plus + 1)].append({f[0].first(plus), f[0]});
    }
    for (const QStringList &f : *native)
        tables.native.insert(f[0], katakanaForm(f[1]));
    // A word's rows are tried in the table's order, those bound to a context before
    // the one that reads it anywhere, wherever that stands. A multi-hash hands a
    // key's values back last inserted first: the rows go in from the bottom.
    QList<QStringList> fixedRows = *fixed;
    std::ranges::stable_partition(fixedRows, std::not_fn(unbound));
    for (const QStringList &f : std::views::reverse(fixedRows)) {
        tables.fixed.insert(f[0], {katakanaForm(f[1]), f[2], f[3]});
        tables.fixedStarts.add(f[0]);
    }
    for (const QStringList &f : *stems)
        tables.misreadStems.insert(f[0], {katakanaForm(f[1]), katakanaForm(f[2])});
    for (const QStringList &f : *joints) {
        tables.joints.insert(f[0], katakanaForm(f[1]));
        tables.jointStarts.add(f[0]);
    }
    for (const QStringList &f : *clans)
        tables.clans.insert(f[0], {katakanaForm(f[1]), f.value(2).split(u'|', Qt::SkipEmptyParts)});
    for (const QStringList &f : *homographs) {
        // ほう? : the row's reading is the likely one, not a sure one.
        QString reading = f[1];
        const bool leaning = reading.size() > 1 && reading.endsWith(u'?');
        if (leaning)
            reading.chop(1);
        tables.homographs[f[0]].append({reading == u"?" ? QString() : katakanaForm(reading),
                                        f[2].split(u'|', Qt::SkipEmptyParts),
                                        f[3].split(u'|', Qt::SkipEmptyParts), leaning});
        tables.homographStarts.add(f[0]);
    }
    return tables;
}

const Result<ReadingTables> &ReadingTables::builtIn()
{
    static const Result<ReadingTables> tables = load(QStringLiteral(":/reading"));
    return tables;
}

namespace {

bool matchesAny(const QString &alternatives, QStringView text, bool atEnd)
{
    if (alternatives.isEmpty())
        return true;
    for (const QString &one : alternatives.split(u'|', Qt::SkipEmptyParts))
        if (atEnd ? text.endsWith(one) : text.startsWith(one))
            return true;
    return false;
}

} // namespace

bool ReadingTables::Fixed::fits(QStringView textBefore, QStringView textAfter) const
{
    return matchesAny(before, textBefore, true) && matchesAny(after, textAfter, false);
}
