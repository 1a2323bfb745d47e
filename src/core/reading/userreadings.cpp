#include "core/reading/userreadings.h"

#include "core/ruby/rubytext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>

namespace {

constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// A line must not break the file's shape.
bool storable(const QString &text)
{
    for (QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull()
            || c.isSurrogate())
            return false;
    }
    return !text.isEmpty() && text.size() <= 200;
}

} // namespace

UserReadings::UserReadings(const QString &path)
    : m_path(path)
{ }

QString UserReadings::standardPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("readings.tsv"));
}

ErrorReport UserReadings::load()
{
    if (m_loaded)
        return {};
    m_loaded = true;
    QFile file(m_path);
    if (!file.exists())
        return {};
    const auto damaged = [this](int number, const QString &why) {
        m_damaged = true;
        m_readings.clear();
        return ErrorReport {
            number,
            QStringLiteral("読みの修正ファイル %1 を読めないため、使わずに続けます (%2)。")
                .arg(QDir::toNativeSeparators(m_path), why)};
    };
    if (file.size() > kMaxFileSize)
        return damaged(EFBIG, QStringLiteral("大きすぎます"));
    if (!file.open(QIODevice::ReadOnly))
        return damaged(EIO, file.errorString());
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return damaged(EILSEQ, QStringLiteral("UTF-8 ではありません"));
    int lineNumber = 0;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        const QStringView content = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        if (content.isEmpty())
            continue;
        const QList<QStringView> fields = content.split(QLatin1Char('\t'));
        if (fields.size() != 2 || !storable(fields.at(0).toString())
            || !storable(fields.at(1).toString()))
            return damaged(EINVAL, QStringLiteral("%1 行目").arg(lineNumber));
        m_readings.insert(fields.at(0).toString(), fields.at(1).toString());
    }
    return {};
}

QString UserReadings::lookup(const QString &base)
{
    load();
    return m_readings.value(base);
}

ErrorReport UserReadings::remember(const QString &base, const QString &reading)
{
    if (m_path.isEmpty())
        return {};
    load();
    // A damaged file is the user's to mend; it is never overwritten.
    if (m_damaged || !storable(base) || !storable(reading))
        return {};
    if (m_readings.value(base) == reading)
        return {};
    m_readings.insert(base, reading);

    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return {EACCES,
                QStringLiteral("フォルダーを作れません: ") + QFileInfo(m_path).absolutePath()};
    QStringList keys = m_readings.keys();
    keys.sort();
    QByteArray out;
    for (const QString &key : keys)
        out += (key + QLatin1Char('\t') + m_readings.value(key) + QLatin1Char('\n')).toUtf8();
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        return {EIO, file.errorString()};
    return {};
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
