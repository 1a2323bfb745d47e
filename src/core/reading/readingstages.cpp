#include "core/reading/readingstages.h"

#include "core/reading/kanjireadings.h"
#include "core/reading/userreadings.h"
#include "core/text/kana.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

// ---- tables ----

QList<QStringList> tableRows(const QString &path, qsizetype columns)
{
    QList<QStringList> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
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

// ---- helpers the stages share ----

namespace stagekit {

bool allKanji(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4())
        if (!isKanji(c))
            return false;
    return true;
}

bool isKatakanaReading(const QString &reading)
{
    return !reading.isEmpty() && !containsKanji(reading);
}

bool isNoun(const ReadingWord &word)
{
    return word.pos.startsWith(QStringLiteral("名詞"));
}

ReadingWord merged(const QList<ReadingWord> &words, qsizetype first, qsizetype last,
                   const QString &reading, ReadingSource source)
{
    ReadingWord word = words.at(first);
    for (qsizetype i = first + 1; i < last; ++i)
        word.surface += words.at(i).surface;
    word.length = word.surface.size();
    word.reading = reading;
    word.source = source;
    word.candidates.clear();
    word.parts.clear();
    return word;
}

QString partsReading(const QList<std::pair<qsizetype, QString>> &parts)
{
    QString reading;
    for (const auto &part : parts)
        reading += part.second;
    return reading;
}

} // namespace stagekit

using namespace stagekit;

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

// ---- tables ----

ReadingTables ReadingTables::load(const QString &folder)
{
    const QDir dir(folder);
    ReadingTables tables;
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("counters.tsv")), 7))
        tables.counters.insert(f[0], {f[1], f[2], f[3], f[4], f[5], f[6]});
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("fixed.tsv")), 4))
        tables.fixed.insert(f[0], {katakanaForm(f[1]), f[2], f[3]});
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("joints.tsv")), 2))
        tables.joints.insert(f[0], katakanaForm(f[1]));
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("native.tsv")), 2))
        tables.native.insert(f[0], katakanaForm(f[1]));
    for (const QStringList &f : tableRows(dir.filePath(QStringLiteral("clans.tsv")), 2))
        tables.clans.insert(f[0], katakanaForm(f[1]));
    return tables;
}

const ReadingTables &ReadingTables::builtIn()
{
    static const ReadingTables tables = load(QStringLiteral(":/reading"));
    return tables;
}

// ---- fixed readings ----

FixedStage::FixedStage(const ReadingTables &tables)
    : m_tables(tables)
{ }

void FixedStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (word.source == ReadingSource::User)
            continue;
        const QStringView before = QStringView(sentence.text).left(word.start);
        const QStringView after = QStringView(sentence.text).sliced(word.start + word.length);
        for (const ReadingTables::Fixed &fixed : m_tables.fixed.values(word.surface)) {
            if (!matchesAny(fixed.before, before, true) || !matchesAny(fixed.after, after, false))
                continue;
            if (fixed.reading != word.reading) {
                if (word.source == ReadingSource::Dictionary && isKatakanaReading(word.reading))
                    word.candidates.prepend(word.reading);
                word.reading = fixed.reading;
                word.source = ReadingSource::Rule;
                word.parts.clear();
            }
            break;
        }
        mendParts(word, sentence.text);
    }
}

// A fixed word among the parts of a compound the analyzer cut up (山手線 with
// 山手 before 線, 坂本龍馬 with 龍 馬). A single part needs a fixed word bound to
// its place: 他 alone is not ほか inside 他部署.
void FixedStage::mendParts(ReadingWord &word, const QString &text) const
{
    QList<std::pair<qsizetype, QString>> &parts = word.parts;
    const QString was = word.reading;
    qsizetype at = word.start;
    for (qsizetype p = 0; p < parts.size(); at += parts.at(p++).first) {
        for (qsizetype n = qMin<qsizetype>(3, parts.size() - p); n >= 1; --n) {
            if (n == parts.size())
                continue;
            qsizetype length = 0;
            for (qsizetype k = p; k < p + n; ++k)
                length += parts.at(k).first;
            const QStringView before = QStringView(text).left(at);
            const QStringView after = QStringView(text).sliced(at + length);
            const auto fits = [&](const ReadingTables::Fixed &fixed) {
                return (n > 1 || !fixed.before.isEmpty() || !fixed.after.isEmpty())
                    && matchesAny(fixed.before, before, true)
                    && matchesAny(fixed.after, after, false);
            };
            const QList<ReadingTables::Fixed> all = m_tables.fixed.values(text.sliced(at, length));
            const auto found = std::find_if(all.cbegin(), all.cend(), fits);
            if (found == all.cend())
                continue;
            parts.remove(p, n);
            parts.insert(p, {length, found->reading});
            break;
        }
    }
    if (const QString reading = partsReading(parts); !parts.isEmpty() && reading != was) {
        word.candidates.prepend(was);
        word.reading = reading;
        word.source = ReadingSource::Rule;
    }
}

// ---- unknown words ----

UnknownStage::UnknownStage(const KanjiReadings &kanji)
    : m_kanji(kanji)
{ }

void UnknownStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        if (!containsKanji(word.surface) || isKatakanaReading(word.reading)
            || (word.source != ReadingSource::Dictionary && word.known))
            continue;
        word.reading = composedReading(word.surface, m_kanji);
        word.parts.clear();
        word.source = ReadingSource::Guess;
        // Each kanji's first native reading as a second proposal (鉤爪).
        QString native;
        for (const char32_t c : word.surface.toUcs4()) {
            const QStringList all = m_kanji.readings(c, false);
            const QString on = m_kanji.onReading(c);
            QString kun;
            for (const QString &r : all)
                if (r != on && kun.isEmpty() && !m_kanji.isOnReading(c, r))
                    kun = r;
            native += isKanji(c) ? (kun.isEmpty() ? on : kun) : katakanaForm(QString::fromUcs4(&c, 1));
        }
        word.candidates.clear();
        if (!native.isEmpty() && native != word.reading && !containsKanji(native))
            word.candidates.append(native);
    }
}

// ---- ranking ----

void RankingStage::rewrite(ReadingSentence &sentence) const
{
    for (ReadingWord &word : sentence.words) {
        QStringList ranked;
        const auto add = [&ranked](const QString &reading) {
            if (isKatakanaReading(reading) && !ranked.contains(reading))
                ranked.append(reading);
        };
        add(word.reading);
        for (const QString &reading : std::as_const(word.candidates))
            add(reading);
        for (const QList<ReadingWord> &analysis : std::as_const(sentence.alternatives))
            for (const ReadingWord &other : analysis)
                if (other.start == word.start && other.length == word.length)
                    add(other.reading);
        word.candidates = ranked.mid(0, 6);
    }
}

// ---- the user's readings ----

UserStage::UserStage(UserReadings &user)
    : m_user(user)
{ }

void UserStage::rewrite(ReadingSentence &sentence) const
{
    const QList<ReadingWord> &words = sentence.words;
    const QStringView text(sentence.text);
    QList<ReadingWord> out;
    for (qsizetype i = 0; i < words.size();) {
        // The longest stretch of up to four words the user has a reading for.
        qsizetype end = qMin(words.size(), i + 4);
        QString reading;
        for (; end > i && reading.isEmpty(); --end) {
            const ReadingWord &last = words.at(end - 1);
            const qsizetype start = words.at(i).start;
            const QString base = sentence.text.sliced(start, last.start + last.length - start);
            if (containsKanji(base))
                reading = m_user.lookup(base, text.left(start).toString(),
                                        text.sliced(start + base.size()).left(200).toString());
        }
        if (reading.isEmpty()) {
            out.append(words.at(i++));
            continue;
        }
        ++end;
        ReadingWord word = merged(words, i, end, reading, ReadingSource::User);
        QStringList others = end == i + 1 ? words.at(i).candidates : QStringList();
        others.removeAll(reading);
        word.candidates = (QStringList {reading} + others).mid(0, 6);
        out.append(word);
        i = end;
    }
    sentence.words = std::move(out);
}

QList<std::shared_ptr<ReadingStage>> standardStages(const ReadingTables &tables,
                                                     const KanjiReadings &kanji,
                                                     UserReadings *user)
{
    QList<std::shared_ptr<ReadingStage>> stages {
        std::make_shared<NumberStage>(tables), std::make_shared<UnknownStage>(kanji),
        std::make_shared<JoiningStage>(tables, kanji), std::make_shared<FixedStage>(tables),
        std::make_shared<RankingStage>()};
    if (user)
        stages.append(std::make_shared<UserStage>(*user));
    return stages;
}
