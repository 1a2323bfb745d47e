#include "core/reading/wordlist.h"

#include "core/reading/readingstage.h"
#include "core/text/kana.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThreadPool>

#include <algorithm>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The Debian lists are EUC-JP; a list may say otherwise on its first line.
bool saysUtf8(const QByteArray &bytes)
{
    return bytes.left(bytes.indexOf('\n')).contains("coding: utf-8");
}

// Kanji of a word of kanji (JIS X 0208 rows 16 on, 々〆〇, JIS X 0212 kanji)
// and hiragana that opens with a kanji, as 雪解け水; 0 for any other word.
int eucKanji(QByteArrayView word)
{
    int count = 0;
    for (qsizetype i = 0; i < word.size();) {
        const uchar b = uchar(word[i]);
        const uchar next = i + 1 < word.size() ? uchar(word[i + 1]) : 0;
        if (b == 0x8F && i + 2 < word.size() && next >= 0xB0) {
            i += 3;
            ++count;
        } else if ((b >= 0xB0 && b <= 0xFE && next >= 0xA1)
                   || (b == 0xA1 && next >= 0xB9 && next <= 0xBB)) {
            i += 2;
            ++count;
        } else if (b == 0xA4 && next >= 0xA1 && next <= 0xF6 && count > 0) {
            i += 2;
        } else {
            return 0;
        }
    }
    return count;
}

int utf8Kanji(QByteArrayView word)
{
    int count = 0;
    for (const char32_t c : QString::fromUtf8(word).toUcs4()) {
        if (stagekit::allKanji(QString::fromUcs4(&c, 1)))
            ++count;
        else if (c < U'ぁ' || c > U'ゖ' || count == 0)
            return 0;
    }
    return count;
}

// A key without okurigana: hiragana and ー only.
bool plainKey(QByteArrayView key, bool utf8)
{
    if (key.isEmpty())
        return false;
    if (utf8) {
        for (const QChar c : QString::fromUtf8(key))
            if (!((c >= u'ぁ' && c <= u'ゖ') || c == u'ー'))
                return false;
        return true;
    }
    if (key.size() % 2)
        return false;
    for (qsizetype i = 0; i < key.size(); i += 2) {
        const uchar b = uchar(key[i]), c = uchar(key[i + 1]);
        if (!((b == 0xA4 && c >= 0xA1 && c <= 0xF6) || (b == 0xA1 && c == 0xBC)))
            return false;
    }
    return true;
}

// Opening a converter costs more than the lookup it serves: one a thread.
QStringEncoder &eucJpEncoder()
{
    thread_local QStringEncoder encoder("EUC-JP", QStringConverter::Flag::Stateless);
    return encoder;
}

QStringDecoder &eucJpDecoder()
{
    thread_local QStringDecoder decoder("EUC-JP", QStringConverter::Flag::Stateless);
    return decoder;
}

} // namespace

QString RareWordList::systemFile()
{
    return QStringLiteral("/usr/share/skk/SKK-JISYO.L");
}

const RareWordList &RareWordList::system()
{
    static const RareWordList list(systemFile());
    return list;
}

void RareWordList::prepareSystem()
{
    // The list is made before the pool, so that it outlives the pool's wait at exit.
    const RareWordList &list = system();
    QThreadPool::globalInstance()->start([&list] { list.ensureLoaded(); });
}

void RareWordList::ensureLoaded() const
{
    std::call_once(m_once, [this] {
        m_loaded = load();
        m_done = true;
    });
}

std::optional<Error> RareWordList::loadError() const
{
    ensureLoaded();
    return m_loaded ? std::nullopt : std::optional<Error>(m_loaded.error());
}

bool RareWordList::isEmpty() const
{
    ensureLoaded();
    return m_entries.empty();
}

// The file's bytes are kept and indexed as they are: only the readings of the
// words asked about are ever decoded.
Result<void> RareWordList::load() const
{
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        return std::unexpected(Error {.kind = ErrorKind::WordListUnreadable,
                                      .detail = file.errorString(),
                                      .systemCode = errno ? errno : ENOENT,
                                      .path = m_path});
    }
    m_bytes = file.readAll();
    m_utf8 = saysUtf8(m_bytes);
    if (!m_utf8 && !QStringDecoder("EUC-JP").isValid()) {
        return std::unexpected(Error {
            .kind = ErrorKind::UnknownEncoding, .systemCode = EINVAL, .encodings = {u"EUC-JP"_s}});
    }
    const auto kanjiCount = m_utf8 ? utf8Kanji : eucKanji;
    const QByteArrayView all(m_bytes);
    // Okuri-nasi lines: `reading /word/word;note/`.
    for (qsizetype at = 0; at < all.size();) {
        qsizetype end = all.indexOf('\n', at);
        end = end < 0 ? all.size() : end;
        const QByteArrayView line = all.sliced(at, end - at);
        const qsizetype space = line.indexOf(" /");
        if (!line.startsWith(';') && space > 0 && plainKey(line.first(space), m_utf8)) {
            for (qsizetype w = space + 2; w < line.size();) {
                qsizetype stop = line.indexOf('/', w);
                stop = stop < 0 ? line.size() : stop;
                QByteArrayView word = line.sliced(w, stop - w);
                if (const qsizetype note = word.indexOf(';'); note >= 0)
                    word = word.first(note);
                if (kanjiCount(word) > 0)
                    m_entries.push_back({quint32(at + w), quint32(word.size()), quint32(at),
                                         quint32(space)});
                w = stop + 1;
            }
        }
        at = end + 1;
    }
    if (m_entries.empty()) {
        return std::unexpected(Error {.kind = ErrorKind::WordListUnreadable,
                                      .systemCode = EINVAL, .path = m_path});
    }
    std::stable_sort(m_entries.begin(), m_entries.end(), [this](const Entry &a, const Entry &b) {
        return wordOf(a) < wordOf(b);
    });
    return {};
}

std::string_view RareWordList::wordOf(const Entry &e) const
{
    return std::string_view(m_bytes.constData() + e.wordAt, e.wordLength);
}

QStringList RareWordList::readings(QStringView word) const
{
    ensureLoaded();
    if (m_entries.empty())
        return {};
    // A page asks about the same words again and again: the answers of the
    // last few thousand words are kept, one store a thread and list.
    struct Recent
    {
        quint64 list = 0;
        QHash<QString, QStringList> answers;
    };
    thread_local Recent recent;
    if (recent.list != m_id || recent.answers.size() > 32768) {
        recent.list = m_id;
        recent.answers.clear();
    }
    const QString key = word.toString();
    if (const auto kept = recent.answers.constFind(key); kept != recent.answers.cend())
        return *kept;
    return recent.answers[key] = lookUp(word);
}

QStringList RareWordList::lookUp(QStringView word) const
{
    QByteArray bytes = word.toUtf8();
    if (!m_utf8)
        bytes = eucJpEncoder().encode(word);
    const std::string_view wanted(bytes.constData(), size_t(bytes.size()));
    auto found = std::lower_bound(m_entries.begin(), m_entries.end(), wanted,
                                  [this](const Entry &e, std::string_view w) { return wordOf(e) < w; });
    QStringList readings;
    QList<std::pair<QString, QString>> misreadings; // the reading and the one it points at
    const auto decode = [this](QByteArrayView bytes) {
        return katakanaForm(m_utf8 ? QString::fromUtf8(bytes) : eucJpDecoder().decode(bytes));
    };
    for (; found != m_entries.end() && wordOf(*found) == wanted; ++found) {
        const QString reading = decode(QByteArrayView(m_bytes).sliced(found->keyAt, found->keyLength));
        if (!readings.contains(reading))
            readings.append(reading);
        // `おうそうじ /大掃除;おおそうじ/`: a misreading, pointing at the right one.
        const QByteArrayView after = QByteArrayView(m_bytes).sliced(found->wordAt + found->wordLength);
        if (after.startsWith(';')) {
            const qsizetype stop = after.indexOf('/');
            misreadings.append({reading, decode(after.sliced(1, (stop < 0 ? after.size() : stop) - 1))});
        }
    }
    for (const auto &[misread, right] : std::as_const(misreadings))
        if (misread != right && readings.contains(right))
            readings.removeAll(misread);
    return readings;
}
