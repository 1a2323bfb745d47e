#include "core/reading/userreadings.h"

#include "core/text/kana.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>

namespace {

constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// A line must not break the file's shape. A kanji beyond the BMP (𠮟, 𩸽) is a
// surrogate pair and welcome; only a lone surrogate is not text.
bool storable(QStringView text)
{
    for (QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull())
            return false;
    }
    return !text.isEmpty() && text.size() <= 200 && text.isValidUtf16();
}

// Characters kept either side of a word remembered in its place.
constexpr qsizetype kContext = 4;

// The stretch of context next to the word, up to a line end or a tab.
QString nearContext(QStringView text, bool before)
{
    QStringView near = before ? text.right(kContext) : text.left(kContext);
    // A pair is never cut at the edge.
    if (!near.isEmpty() && (before ? near.front().isLowSurrogate() : near.back().isHighSurrogate()))
        near = before ? near.sliced(1) : near.chopped(1);
    for (qsizetype i = 0; i < near.size(); ++i) {
        const QChar c = near.at(before ? near.size() - 1 - i : i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c.isNull()
            || (c.isSurrogate() && !QStringView(near).isValidUtf16())) {
            near = before ? near.right(i) : near.left(i);
            break;
        }
    }
    return near.toString();
}

} // namespace

UserReadings::UserReadings(const QString &path)
    : m_path(path)
{ }

QString UserReadings::standardPath()
{
    // One name for every folder of the program, as the settings' "rubello"; the
    // folder earlier versions named "Rubello" is taken over once.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = data + QStringLiteral("/rubello");
    const QString former = data + QStringLiteral("/Rubello");
    if (!QFileInfo::exists(folder) && QFileInfo(former).isDir())
        QDir().rename(former, folder);
    return QDir(folder).filePath(QStringLiteral("readings.tsv"));
}

Result<void> UserReadings::read(QMultiHash<QString, Entry> &into) const
{
    into.clear();
    QFile file(m_path);
    if (!file.exists())
        return {};
    const auto damaged = [this, &into](int number, const QString &why = {}, int line = 0) {
        into.clear();
        return std::unexpected(Error {.kind = ErrorKind::Damaged,
                                      .detail = why,
                                      .systemCode = number,
                                      .path = m_path,
                                      .line = line});
    };
    if (file.size() > kMaxFileSize)
        return damaged(EFBIG);
    if (!file.open(QIODevice::ReadOnly))
        return damaged(EIO, file.errorString());
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return damaged(EILSEQ);
    int lineNumber = 0;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        const QStringView content = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        if (content.isEmpty())
            continue;
        const QList<QStringView> fields = content.split(QLatin1Char('\t'));
        const auto context = [&fields](qsizetype i) {
            return i >= fields.size() || fields.at(i).isEmpty() || storable(fields.at(i));
        };
        if (fields.size() < 2 || fields.size() > 5 || !storable(fields.at(0))
            || !storable(fields.at(1)) || !context(2) || !context(3) || !context(4))
            return damaged(EINVAL, {}, lineNumber);
        into.insert(fields.at(0).toString(),
                    {fields.at(1).toString(), fields.value(2).toString(),
                     fields.value(3).toString(), fields.value(4).toString()});
    }
    return {};
}

Result<void> UserReadings::load()
{
    if (!m_loaded) {
        m_loaded = true;
        if (const Result<void> read = this->read(m_readings); !read)
            m_loadError = read.error();
    }
    if (m_loadError)
        return std::unexpected(*m_loadError);
    return {};
}

Result<QString> UserReadings::lookup(const QString &base, QStringView before, QStringView after,
                                     const QString &word)
{
    load(); // a damaged file's error is load()'s to give; its owner reports it
    return find(base, before, after, word);
}

QString UserReadings::find(const QString &base, QStringView before, QStringView after,
                           const QString &word) const
{
    QString plain, placed;
    qsizetype fit = -1;
    for (auto it = m_readings.constFind(base); it != m_readings.cend() && it.key() == base; ++it) {
        if (it->word != word)
            continue;
        if (it->before.isEmpty() && it->after.isEmpty()) {
            plain = it->reading;
        } else if (before.endsWith(it->before) && after.startsWith(it->after)
                   && it->before.size() + it->after.size() > fit) {
            placed = it->reading;
            fit = it->before.size() + it->after.size();
        }
    }
    return fit >= 0 ? placed : plain;
}

Result<void> UserReadings::remember(const QString &base, const QString &reading)
{
    return remember(base, reading, QStringView(), QStringView());
}

Result<void> UserReadings::remember(const QString &base, const QString &reading,
                                    QStringView before, QStringView after, const QString &word)
{
    if (m_path.isEmpty())
        return {}; // no file: corrections are not kept at all
    if (!storable(base) || !storable(reading) || (!word.isEmpty() && !storable(word)))
        return std::unexpected(Error {ErrorKind::Refused, base, EINVAL, m_path});
    load();
    const QString nearBefore = nearContext(before, true), nearAfter = nearContext(after, false);
    const bool placed = !nearBefore.isEmpty() || !nearAfter.isEmpty();
    if (find(base, {}, {}, word) == reading
        && (!placed || find(base, nearBefore, nearAfter, word) == reading))
        return {};
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return std::unexpected(
            Error {ErrorKind::PermissionDenied, {}, EACCES, info.absolutePath()});
    // The write bit, not access(): the user's choice holds even for root.
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        return std::unexpected(Error {ErrorKind::ReadOnly, {}, EACCES, m_path});
    // Another window may have written since we read: re-read and merge under a lock.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(5000))
        return std::unexpected(Error {ErrorKind::Busy, {}, EBUSY, m_path});
    QMultiHash<QString, Entry> current;
    // A damaged file is the user's to mend; it is never overwritten. The correction
    // is kept for this run only, and the caller is told so.
    if (Result<void> again = read(current); !again) {
        keepInMemory(m_readings, base, {reading, nearBefore, nearAfter, word});
        again.error().writing = true;
        return again;
    }
    keepInMemory(current, base, {reading, nearBefore, nearAfter, word});
    m_readings = current;

    QStringList lines;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        QString line = it.key() + QLatin1Char('\t') + it->reading;
        if (!it->before.isEmpty() || !it->after.isEmpty() || !it->word.isEmpty())
            line += QLatin1Char('\t') + it->before + QLatin1Char('\t') + it->after;
        if (!it->word.isEmpty())
            line += QLatin1Char('\t') + it->word;
        lines.append(line + QLatin1Char('\n'));
    }
    lines.sort();
    const QByteArray out = lines.join(QString()).toUtf8();
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        return std::unexpected(Error {ErrorKind::WriteFailed, file.errorString(), EIO, m_path});
    return {};
}

void UserReadings::keepInMemory(QMultiHash<QString, Entry> &readings, const QString &base,
                                const Entry &entry)
{
    const bool placed = !entry.before.isEmpty() || !entry.after.isEmpty();
    for (auto it = readings.begin(); it != readings.end();) {
        if (it.key() == base && it->word == entry.word
            && ((it->before.isEmpty() && it->after.isEmpty())
                || (it->before == entry.before && it->after == entry.after)))
            it = readings.erase(it);
        else
            ++it;
    }
    readings.insert(base, {entry.reading, QString(), QString(), entry.word});
    if (placed)
        readings.insert(base, entry);
}

bool isAcceptableReading(QStringView reading)
{
    if (reading.isEmpty() || reading.size() > kMaxReadingLength)
        return false;
    for (QChar c : reading) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x3096) || (u >= 0x309B && u <= 0x309E)
            || (u >= 0x30A1 && u <= 0x30FA) || (u >= 0x30FC && u <= 0x30FE)
            || (u >= 0xFF66 && u <= 0xFF9F);
        if (!kana)
            return false;
    }
    return true;
}

QString fullwidthKatakana(const QString &reading)
{
    for (QChar c : reading) {
        // Half-width katakana and their sound marks join up under NFKC.
        if (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)
            return katakanaForm(reading.normalized(QString::NormalizationForm_KC));
    }
    return katakanaForm(reading);
}
