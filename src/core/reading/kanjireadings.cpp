#include "core/reading/kanjireadings.h"

#include "core/text/kana.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThreadPool>
#include <QXmlStreamReader>

#include <mutex>
#include <vector>

#include <cerrno>

#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

bool isKana(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'ぁ' && u <= u'ゖ') || (u >= u'ァ' && u <= u'ヶ');
}

// The voiced (and for ハ行 the half-voiced) forms of a katakana letter.
QString voicedForms(QChar c)
{
    static const QString plain = QStringLiteral("カキクケコサシスセソタチツテト");
    static const QString halfVoiced = QStringLiteral("ハヒフヘホ");
    const char16_t u = c.unicode();
    if (plain.contains(c))
        return QString(QChar(char16_t(u + 1)));
    if (halfVoiced.contains(c))
        return QString(QChar(char16_t(u + 1))) + QChar(char16_t(u + 2));
    return {};
}

bool endsDoubled(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'ツ' || u == u'チ' || u == u'ク' || u == u'キ';
}

struct Item
{
    qsizetype start;
    qsizetype length;
    QStringList readings; // empty for a kana, matched as written
    QString kana;
};

class Divider
{
public:
    Divider(const std::vector<Item> &items, const QString &reading)
        : m_items(items)
        , m_reading(reading)
        , m_width(reading.size() + 1)
        , m_memo(items.size() * m_width, -1)
        , m_choice(items.size() * m_width, 0)
    { }

    // Distinct divisions of the reading from here on, counted up to 2.
    int count(size_t i, qsizetype at)
    {
        if (i == m_items.size())
            return at == m_reading.size() ? 1 : 0;
        int &memo = m_memo[i * m_width + at];
        if (memo >= 0)
            return memo;
        memo = 0;
        const Item &item = m_items[i];
        QList<qsizetype> lengths;
        if (item.readings.isEmpty()) {
            if (QStringView(m_reading).sliced(at).startsWith(item.kana))
                lengths.append(item.kana.size());
        } else {
            for (const QString &r : item.readings)
                forms(r, i, at, lengths);
        }
        int total = 0;
        for (const qsizetype length : lengths) {
            const int n = count(i + 1, at + length);
            if (n > 0)
                m_choice[i * m_width + at] = length;
            total += n;
        }
        memo = std::min(total, 2);
        return memo;
    }

    qsizetype choice(size_t i, qsizetype at) const { return m_choice[i * m_width + at]; }

private:
    // Lengths of the forms of r that the reading has at this place, each once.
    void forms(const QString &r, size_t i, qsizetype at, QList<qsizetype> &lengths) const
    {
        const qsizetype n = r.size();
        if (n == 0 || at + n > m_reading.size())
            return;
        const QStringView here = QStringView(m_reading).sliced(at, n);
        const bool first = i == 0 || m_items[i - 1].readings.isEmpty();
        const bool last = i + 1 == m_items.size() || m_items[i + 1].readings.isEmpty();
        const QString voiced = first ? QString() : voicedForms(r.at(0));
        const auto startFits = [&] { return here.at(0) == r.at(0) || voiced.contains(here.at(0)); };
        const bool middleFits = here.sliced(1, n - 2 > 0 ? n - 2 : 0)
            == QStringView(r).sliced(1, n - 2 > 0 ? n - 2 : 0);
        if (!startFits() || (n > 1 && !middleFits))
            return;
        const QChar end = here.at(n - 1);
        const bool endFits = n == 1 || end == r.at(n - 1)
            || (!last && n > 1 && end == u'ッ' && endsDoubled(r.at(n - 1)));
        if (endFits && !lengths.contains(n))
            lengths.append(n);
    }

    const std::vector<Item> &m_items;
    const QString &m_reading;
    const qsizetype m_width;
    std::vector<int> m_memo;
    std::vector<qsizetype> m_choice;
};

// Longest base and reading divided; longer ones stay one group.
constexpr qsizetype kMaxBase = 32;
constexpr qsizetype kMaxReading = 96;

} // namespace

bool isKanji(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF) || c == U'々'
        || c == U'〆' || c == U'〇';
}

QString commonKanjiForms(const QString &text)
{
    static const QHash<char16_t, char16_t> variants {
        {u'﨑', u'崎'}, {u'髙', u'高'}, {u'澤', u'沢'}, {u'邊', u'辺'}, {u'邉', u'辺'},
        {u'齋', u'斎'}, {u'齊', u'斉'}, {u'德', u'徳'}, {u'嶋', u'島'}, {u'冨', u'富'},
        {u'櫻', u'桜'}, {u'廣', u'広'}, {u'國', u'国'}, {u'眞', u'真'}, {u'栁', u'柳'},
        {u'濱', u'浜'}};
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (const auto found = variants.constFind(u); found != variants.cend()) {
            c = QChar(*found);
        } else if (u >= 0xF900 && u <= 0xFAFF) {
            const QString common = QString(c).normalized(QString::NormalizationForm_C);
            if (common.size() == 1)
                c = common.front();
        }
    }
    return out;
}

bool containsKanji(QStringView text)
{
    // Walked in place: every word and stretch of a page is asked, so no copy.
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        if (isKanji(c))
            return true;
    }
    return false;
}

namespace {

// A reading as KANJIDIC writes it (カ, か.わる, -さ), as its stem in katakana;
// empty for a suffix reading (-り of 人), which belongs to set words like 一人.
QString readingStem(QStringView field)
{
    if (field.isEmpty() || !isKana(field.at(0)))
        return {};
    QString stem = field.left(field.indexOf(u'.') < 0 ? field.size() : field.indexOf(u'.')).toString();
    if (stem.endsWith(u'-'))
        stem.chop(1);
    return katakanaForm(stem);
}

bool isOn(QStringView field)
{
    return !field.isEmpty() && field.at(0) >= u'ァ' && field.at(0) <= u'ヶ';
}

// A gzip file read unpacked, a buffer at a time: the XML reader pulls from it,
// so neither the unpacked file nor its text is ever held whole.
class GunzipDevice : public QIODevice
{
public:
    explicit GunzipDevice(QFile &packed)
        : m_packed(packed)
        , m_in(1 << 16, Qt::Uninitialized)
    {
        m_ready = inflateInit2(&m_stream, 16 + MAX_WBITS) == Z_OK;
        open(QIODevice::ReadOnly);
    }
    ~GunzipDevice() override
    {
        if (m_ready)
            inflateEnd(&m_stream);
    }
    // The whole stream was unpacked, to its checked end.
    bool complete() const { return m_status == Z_STREAM_END; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        if (!m_ready || m_status != Z_OK)
            return m_status == Z_STREAM_END ? 0 : -1;
        m_stream.next_out = reinterpret_cast<Bytef *>(data);
        m_stream.avail_out = static_cast<uInt>(qMin<qint64>(size, 1 << 20));
        while (m_stream.avail_out > 0 && m_status == Z_OK) {
            if (m_stream.avail_in == 0) {
                const qint64 got = m_packed.read(m_in.data(), m_in.size());
                if (got <= 0) {
                    m_status = Z_DATA_ERROR; // cut short
                    break;
                }
                m_stream.next_in = reinterpret_cast<Bytef *>(m_in.data());
                m_stream.avail_in = static_cast<uInt>(got);
            }
            m_status = inflate(&m_stream, Z_NO_FLUSH);
        }
        const qint64 done = qMin<qint64>(size, 1 << 20) - m_stream.avail_out;
        return done > 0 || m_status == Z_STREAM_END ? done : -1;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile &m_packed;
    QByteArray m_in;
    z_stream m_stream {};
    bool m_ready = false;
    int m_status = Z_OK;
};

// The kanji of a KANJIDIC2 file with their Japanese readings.
KanjiReadings::Table supplementTable(const QString &path)
{
    KanjiReadings::Table table;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return table;
    GunzipDevice unpacked(file);
    QXmlStreamReader xml(&unpacked);
    QList<uint> literal;
    QStringList on, common, names;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == u"character") {
                literal.clear(), on.clear(), common.clear(), names.clear();
            } else if (name == u"literal") {
                literal = xml.readElementText().toUcs4();
            } else if (name == u"reading" || name == u"nanori") {
                // Read before the text: the name's view ends with the element.
                const bool nanori = name == u"nanori";
                // Readings of other languages are written in Latin letters or
                // hangul, so they have no stem.
                const QString field = xml.readElementText();
                const QString stem = readingStem(field);
                QStringList &into = nanori ? names : common;
                if (!stem.isEmpty() && !into.contains(stem)) {
                    into.append(stem);
                    if (!nanori && isOn(field))
                        on.append(stem);
                }
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"character"
                   && literal.size() == 1 && !common.isEmpty()) {
            table.readings.insert(literal.first(), common);
            table.names.insert(literal.first(), names);
            table.on.insert(literal.first(), on);
        }
    }
    // A file cut short or damaged adds none, rather than the kanji before the fault.
    return xml.hasError() || !unpacked.complete() ? KanjiReadings::Table() : table;
}

} // namespace

QString KanjiReadings::systemFile()
{
    return QStringLiteral("/usr/share/edict/kanjidic");
}

QString KanjiReadings::supplementFile()
{
    return QStringLiteral("/usr/share/edict/kanjidic2.xml.gz");
}

const KanjiReadings &KanjiReadings::system()
{
    static const KanjiReadings loaded = [] {
        KanjiReadings readings;
        if (readings.load(systemFile()))
            readings.useSupplement(supplementFile());
        return readings;
    }();
    return loaded;
}

struct KanjiReadings::Supplement
{
    QString path;
    std::once_flag read;
    Table table;
};

void KanjiReadings::useSupplement(const QString &path)
{
    m_supplement = std::make_shared<Supplement>();
    m_supplement->path = path;
}

void KanjiReadings::readSupplement() const
{
    if (m_supplement)
        std::call_once(m_supplement->read,
                       [this] { m_supplement->table = supplementTable(m_supplement->path); });
}

void KanjiReadings::prepareSystem()
{
    // Made here, before the pool, so that it outlives the pool's wait at exit.
    const KanjiReadings &readings = system();
    QThreadPool::globalInstance()->start([&readings] { readings.readSupplement(); });
}

const KanjiReadings::Table &KanjiReadings::tableFor(char32_t kanji) const
{
    if (!m_supplement || m_table.readings.contains(kanji))
        return m_table;
    // KANJIDIC's own entries stay as they are: the supplement answers only for
    // the kanji it lacks.
    readSupplement();
    return m_supplement->table;
}

Result<void> KanjiReadings::load(const QString &path)
{
    m_table = {};
    const auto failed = [this](const Error &error) {
        m_loadError = error;
        return std::unexpected(error);
    };
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(Error {.kind = ErrorKind::KanjiDictionaryMissing,
                             .detail = file.errorString(),
                             .systemCode = errno ? errno : ENOENT,
                             .path = path});
    }
    QStringDecoder decode("EUC-JP");
    if (!decode.isValid()) {
        return failed(Error {
            .kind = ErrorKind::UnknownEncoding, .systemCode = EINVAL, .encodings = {u"EUC-JP"_s}});
    }
    const QString text = decode(file.readAll());
    for (const QStringView line : QStringView(text).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u' ', Qt::SkipEmptyParts);
        const QList<uint> kanji = fields.first().toUcs4();
        if (kanji.size() != 1)
            continue;
        QStringList *target = &m_table.readings[kanji.first()];
        for (qsizetype i = 1; i < fields.size(); ++i) {
            const QStringView field = fields.at(i);
            if (field == u"T1") {
                target = &m_table.names[kanji.first()];
                continue;
            }
            if (field == u"T2" || field.startsWith(u'{'))
                break;
            const QString stem = readingStem(field);
            if (!stem.isEmpty() && !target->contains(stem))
                target->append(stem);
            if (isOn(field) && target == &m_table.readings[kanji.first()] && !stem.isEmpty())
                m_table.on[kanji.first()].append(stem);
        }
    }
    if (m_table.readings.isEmpty())
        return failed(
            Error {.kind = ErrorKind::KanjiDictionaryEmpty, .systemCode = EINVAL, .path = path});
    m_loadError.reset();
    return {};
}

// Forms of the 2004 JIS standard that KANJIDIC lists under their older shape.
static char32_t listedForm(char32_t kanji)
{
    static const QHash<char32_t, char32_t> forms {
        {U'剝', U'剥'}, {U'𠮟', U'叱'}, {U'塡', U'填'}, {U'頰', U'頬'}, {U'摑', U'掴'},
        {U'餠', U'餅'}, {U'繫', U'繋'}, {U'醬', U'醤'}, {U'蔣', U'蒋'}, {U'嚙', U'噛'},
        {U'囊', U'嚢'}, {U'瘦', U'痩'}, {U'禱', U'祷'}, {U'屛', U'屏'}, {U'搔', U'掻'}};
    return forms.value(kanji, kanji);
}

QString KanjiReadings::onReading(char32_t kanji) const
{
    kanji = listedForm(kanji);
    return tableFor(kanji).on.value(kanji).value(0);
}

bool KanjiReadings::isOnReading(char32_t kanji, const QString &reading) const
{
    kanji = listedForm(kanji);
    return tableFor(kanji).on.value(kanji).contains(reading);
}

QStringList KanjiReadings::readings(char32_t kanji, bool withNames) const
{
    kanji = listedForm(kanji);
    const Table &table = tableFor(kanji);
    QStringList result = table.readings.value(kanji);
    if (withNames)
        result += table.names.value(kanji);
    return result;
}

QList<ReadingPart> divideReading(const QString &base, const QString &reading,
                                 const KanjiReadings &kanji, NameReadings names)
{
    const QString target = katakanaForm(reading);
    if (base.isEmpty() || base.size() > kMaxBase || target.isEmpty() || target.size() > kMaxReading)
        return {};
    // Names readings (日 に in 日本) only when the common ones find no division.
    for (const bool withNames : {false, true}) {
        if (withNames && names == NameReadings::Never)
            break;
        std::vector<Item> items;
        char32_t previous = 0;
        bool usable = true;
        for (qsizetype i = 0; i < base.size() && usable;) {
            const bool pair = base.at(i).isHighSurrogate() && i + 1 < base.size()
                && base.at(i + 1).isLowSurrogate();
            const qsizetype width = pair ? 2 : 1;
            const char32_t code
                = pair ? QChar::surrogateToUcs4(base.at(i), base.at(i + 1)) : base.at(i).unicode();
            Item item {i, width, {}, {}};
            if (isKanji(code)) {
                const char32_t of = code == U'々' ? previous : code;
                item.readings = kanji.readings(of, withNames);
                usable = !item.readings.isEmpty();
                previous = of;
            } else if (isKana(base.at(i))) {
                item.kana = katakanaForm(base.sliced(i, 1));
            } else {
                usable = false;
            }
            items.push_back(item);
            i += width;
        }
        if (!usable)
            return {};
        Divider divider(items, target);
        const int n = divider.count(0, 0);
        if (n > 1)
            return {};
        if (n == 0)
            continue;
        QList<ReadingPart> parts;
        qsizetype at = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            const qsizetype length = divider.choice(i, at);
            parts.append(
                {items[i].start, items[i].length, at, length, !items[i].readings.isEmpty()});
            at += length;
        }
        return parts;
    }
    return {};
}

namespace {

// Kana of a surface anchor its reading, the long vowel mark too.
bool isKanaMark(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'ぁ' && u <= u'ゖ') || (u >= u'ァ' && u <= u'ヺ') || u == u'ー';
}

} // namespace

QString composedReading(QStringView kanji, const KanjiReadings &readings,
                        const QHash<QString, QString> &inCompounds)
{
    static const QString kRow = QStringLiteral("カキクケコ");
    static const QString ksthRow = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホ");
    static const QString hRow = QStringLiteral("ハヒフヘホ");
    QString out;
    char32_t previous = 0;
    for (const char32_t c : kanji.toUcs4()) {
        if (!isKanji(c)) {
            out += katakanaForm(QString::fromUcs4(&c, 1));
            continue;
        }
        const char32_t of = c == U'々' ? previous : c;
        previous = of;
        QString next = out.isEmpty() ? QString() : inCompounds.value(QString::fromUcs4(&of, 1));
        if (next.isEmpty())
            next = readings.onReading(of);
        if (next.isEmpty())
            next = readings.readings(of, false).value(0);
        if (next.isEmpty())
            return QString();
        // ツ, チ before k, s, t, h and ク, キ before k become ッ; after ッ an h becomes p.
        if (out.size() > 1 && !next.isEmpty()
            && (((out.endsWith(u'ツ') || out.endsWith(u'チ')) && ksthRow.contains(next.front()))
                || ((out.endsWith(u'ク') || out.endsWith(u'キ')) && kRow.contains(next.front()))))
            out.back() = QChar(u'ッ');
        if (out.endsWith(u'ッ') && hRow.contains(next.front()))
            next[0] = QChar(char16_t(next.front().unicode() + 2));
        out += next;
    }
    return out;
}

std::optional<QString> partReading(const QString &surface, const QString &reading, qsizetype from,
                                   qsizetype to, const KanjiReadings &kanji)
{
    if (from == 0 && to == surface.size())
        return reading;
    struct Segment
    {
        qsizetype start, end;
        bool kana;
    };
    QList<Segment> segments;
    QString pattern = QStringLiteral("^");
    for (qsizetype i = 0; i < surface.size();) {
        qsizetype j = i + 1;
        const bool kana = isKanaMark(surface.at(i));
        while (j < surface.size() && !kana && !isKanaMark(surface.at(j)))
            ++j;
        segments.append({i, j, kana});
        pattern += kana ? QRegularExpression::escape(katakanaForm(surface.sliced(i, 1)))
                        : QStringLiteral("(.+?)");
        i = j;
    }
    const QRegularExpressionMatch match
        = QRegularExpression(pattern + QLatin1Char('$')).match(katakanaForm(reading));
    if (!match.hasMatch())
        return std::nullopt;
    QString out;
    int group = 0;
    for (const Segment &segment : segments) {
        const QString text = segment.kana ? katakanaForm(surface.sliced(segment.start, 1))
                                          : match.captured(++group);
        const qsizetype a = qMax(from, segment.start), b = qMin(to, segment.end);
        if (a >= b)
            continue;
        if (a == segment.start && b == segment.end) {
            out += text;
            continue;
        }
        const QString base = surface.sliced(segment.start, segment.end - segment.start);
        const QList<ReadingPart> parts = divideReading(base, text, kanji);
        if (parts.isEmpty())
            return std::nullopt;
        for (const ReadingPart &part : parts) {
            const qsizetype at = segment.start + part.baseStart;
            if (at >= a && at + part.baseLength <= b)
                out += text.sliced(part.readingStart, part.readingLength);
        }
    }
    return out;
}

