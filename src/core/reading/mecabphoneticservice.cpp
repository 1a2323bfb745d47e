#include "core/reading/mecabphoneticservice.h"

#include "core/reading/readingengine.h"
#include "core/text/kana.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>

#include <mecab.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

bool isUtf8(const char *charset)
{
    QByteArray name = QByteArray(charset ? charset : "").toLower();
    name.replace('-', QByteArray()).replace('_', QByteArray());
    return name == "utf8";
}

QByteArrayView column(const char *feature, int index)
{
    if (!feature || index < 0)
        return {};
    const QByteArrayView columns(feature);
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        start = columns.indexOf(',', start);
        if (start < 0)
            return {};
        ++start;
    }
    qsizetype end = columns.indexOf(',', start);
    if (end < 0)
        end = columns.size();
    const QByteArrayView value = columns.sliced(start, end - start);
    if (value.isEmpty() || value == "*")
        return {};
    return value;
}

// Where the dictionary's own description puts the reading: IPADIC and
// NAIST-jdic name it in their yomi output format, UniDic lists its kana column.
int readingColumnOf(const QString &folder)
{
    QFile dicrc(QDir(folder).filePath(QStringLiteral("dicrc")));
    if (!dicrc.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromUtf8(dicrc.read(1 << 20));
    static const QRegularExpression yomi(
        QStringLiteral(R"(^node-format-yomi\s*=\s*%pS%f\[(\d+)\]\s*$)"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression kanaList(QStringLiteral(R"(^;\s*f\[(\d+)\]:\s*kana\s*$)"),
                                             QRegularExpression::MultilineOption);
    static const QRegularExpression kanaFormat(QStringLiteral(R"(\tkana:%f\[(\d+)\])"));
    for (const QRegularExpression *pattern : {&yomi, &kanaList, &kanaFormat}) {
        const QRegularExpressionMatch match = pattern->match(text);
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return -1;
}

bool isNumeralPos(QByteArrayView pos2)
{
    return pos2 == "数" || pos2 == "数詞";
}

Error missingDictionary()
{
    return {.kind = ErrorKind::DictionaryMissing,
            .detail = QString::fromLocal8Bit(MeCab::getLastError()),
            .systemCode = ENOENT};
}

struct OpenedModel
{
    std::unique_ptr<MeCab::Model> model;
    QString folder;
};

Result<OpenedModel> openModel(const QList<QByteArray> &arguments)
{
    QList<QByteArray> owned = arguments;
    std::vector<char *> argv;
    argv.reserve(owned.size());
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    OpenedModel opened;
    opened.model.reset(MeCab::createModel(int(argv.size()), argv.data()));
    if (!opened.model)
        return std::unexpected(missingDictionary());
    const MeCab::DictionaryInfo *info = opened.model->dictionary_info();
    if (!info)
        return std::unexpected(Error {.kind = ErrorKind::DictionaryMissing, .systemCode = ENOENT});
    opened.folder = QFileInfo(QString::fromLocal8Bit(info->filename)).absolutePath();
    // Every dictionary in the chain (system and user) must speak UTF-8, or the
    // readings come back as mojibake.
    for (; info; info = info->next) {
        if (!isUtf8(info->charset)) {
            return std::unexpected(Error {.kind = ErrorKind::DictionaryUnusable,
                                          .systemCode = EILSEQ,
                                          .path = QString::fromLocal8Bit(info->filename),
                                          .encodings = {QString::fromLatin1(info->charset)}});
        }
    }
    return opened;
}

// NUL and lone surrogates become U+FFFD, one code unit each, so offsets hold.
QString analysable(const QString &text)
{
    QString clean = text;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (c.isNull()) {
            clean[i] = QChar::ReplacementCharacter;
        } else if (c.isHighSurrogate()) {
            if (i + 1 < clean.size() && clean.at(i + 1).isLowSurrogate())
                ++i;
            else
                clean[i] = QChar::ReplacementCharacter;
        } else if (c.isLowSurrogate()) {
            clean[i] = QChar::ReplacementCharacter;
        }
    }
    return clean;
}

// The UTF-16 offset of every UTF-8 byte offset of clean's encoding.
std::vector<qsizetype> byteOffsets(const QString &clean, qsizetype bytes)
{
    std::vector<qsizetype> at(size_t(bytes) + 1, 0);
    qsizetype byte = 0;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char32_t u = clean.at(i).unicode();
        int width = u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (clean.at(i).isHighSurrogate())
            width = 4;
        for (int k = 0; k < width && byte < bytes; ++k)
            at[size_t(byte++)] = i;
        if (width == 4)
            ++i;
    }
    at[size_t(bytes)] = clean.size();
    return at;
}

// The first four columns, up to one that says nothing (the fourth only for
// 人名,姓 and 人名,名), as the part of speech.
QByteArrayView posColumns(const char *feature)
{
    const QByteArrayView columns(feature ? feature : "");
    qsizetype end = 0;
    for (int c = 0; c < 4 && end < columns.size(); ++c) {
        const qsizetype start = c ? end + 1 : 0;
        qsizetype next = columns.indexOf(',', start);
        if (next < 0)
            next = columns.size();
        const QByteArrayView part = columns.sliced(start, next - start);
        if (part.isEmpty() || part == "*")
            break;
        end = next;
    }
    return columns.first(end);
}

// The string for bytes the dictionary repeats, made once and shared after; the
// cache is emptied when it grows large (readings of a big site).
template<typename Make>
QString made(QHash<QByteArray, QString> &cache, QByteArrayView bytes, Make make)
{
    const auto found = cache.constFind(QByteArray::fromRawData(bytes.data(), bytes.size()));
    if (found != cache.cend())
        return *found;
    if (cache.size() >= 50000)
        cache.clear();
    return *cache.insert(bytes.toByteArray(), make());
}

AnalysedWord gapToken(const QString &text, qsizetype start, qsizetype end)
{
    const QString surface = text.sliced(start, end - start);
    return {start, end - start, surface, katakanaForm(surface), false, QString(), true};
}

} // namespace

QString standardIpadicUtf8Folder()
{
    return QStringLiteral("/var/lib/mecab/dic/ipadic-utf8");
}

QStringList MecabPhoneticService::standardIpadicFolders()
{
    return {standardIpadicUtf8Folder(),
            QStringLiteral("/usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8"),
            QStringLiteral("/usr/share/mecab/dic/ipadic-utf8")};
}

MecabPhoneticService::MecabPhoneticService(const QString &dictionaryFolder,
                                           const QStringList &ipadicFolders)
    : m_dictionaryFolder(dictionaryFolder)
    , m_ipadicFolders(ipadicFolders)
{ }

MecabPhoneticService::~MecabPhoneticService() = default;

Result<void> MecabPhoneticService::open()
{
    // With a folder of our own the system's settings file is not needed.
    const auto inFolder = [](const QString &folder) {
        return QList<QByteArray> {"rubello", "-r", "/dev/null", "-d", folder.toLocal8Bit()};
    };
    QList<QList<QByteArray>> attempts;
    if (m_dictionaryFolder.isEmpty()) {
        for (const QString &folder : m_ipadicFolders) {
            if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("sys.dic"))))
                attempts.append(inFolder(folder));
        }
        attempts.append(QList<QByteArray> {"rubello"});
    } else {
        attempts.append(inFolder(m_dictionaryFolder));
    }

    Error failure {.kind = ErrorKind::DictionaryMissing, .systemCode = ENOENT};
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        const Result<void> opened = openWith(attempts.at(i));
        if (opened)
            return {};
        // The last failure names the system's setting, which is what the user must mend.
        if (i == 0 || i == attempts.size() - 1)
            failure = opened.error();
    }
    return std::unexpected(failure);
}

Result<void> MecabPhoneticService::openWith(const QList<QByteArray> &arguments)
{
    Result<OpenedModel> opened = openModel(arguments);
    if (!opened)
        return std::unexpected(opened.error());
    const int column = readingColumnOf(opened->folder);
    if (column < 0) {
        return std::unexpected(
            Error {.kind = ErrorKind::DictionaryUnusable, .systemCode = EINVAL, .path = opened->folder});
    }
    m_tagger.reset(opened->model->createTagger());
    m_lattice.reset(m_tagger ? opened->model->createLattice() : nullptr);
    if (!m_tagger || !m_lattice)
        return std::unexpected(missingDictionary());
    m_requestType = m_lattice->request_type();
    m_posNames.clear();
    m_readings.clear();
    m_entries.clear();
    m_model = std::move(opened->model);
    m_readingColumn = column;
    m_openedFolder = opened->folder;
    return {};
}

Result<QList<QList<AnalysedWord>>> MecabPhoneticService::analyse(const QString &text, int paths)
{
    QList<QList<AnalysedWord>> analyses;
    const QString clean = analysable(text);
    const QByteArray sentence = clean.toUtf8();
    if (sentence.isEmpty()) {
        analyses.append(QList<AnalysedWord>());
        return analyses;
    }
    const std::vector<qsizetype> at = byteOffsets(clean, sentence.size());
    MeCab::Lattice *const lattice = m_lattice.get();
    lattice->set_request_type(paths > 1 ? MECAB_NBEST : m_requestType);
    lattice->set_sentence(sentence.constData(), size_t(sentence.size()));
    if (!m_tagger->parse(lattice)) {
        return std::unexpected(Error {.kind = ErrorKind::AnalysisFailed,
                                      .detail = QString::fromUtf8(lattice->what()),
                                      .systemCode = EIO});
    }
    do {
        const char *const begin = lattice->sentence();
        QList<AnalysedWord> words;
        words.reserve(qsizetype(lattice->size()) / 2 + 2);
        qsizetype done = 0; // in UTF-16 units
        for (const MeCab::Node *node = lattice->bos_node(); node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
                continue;
            const qsizetype byte = node->surface - begin;
            if (byte < 0 || byte + node->length > sentence.size())
                continue;
            const qsizetype start = at[size_t(byte)];
            const qsizetype end = at[size_t(byte + node->length)];
            if (start < done || end <= start)
                continue;
            if (start > done)
                words.append(gapToken(text, done, start));
            AnalysedWord word;
            word.start = start;
            word.length = end - start;
            word.surface = text.sliced(start, end - start);
            auto entry = m_entries.constFind(node->feature);
            if (entry == m_entries.cend()) {
                EntryFields fields;
                if (const QByteArrayView reading = column(node->feature, m_readingColumn);
                    !reading.isEmpty()) {
                    fields.reading = made(m_readings, reading, [&] {
                        return katakanaForm(QString::fromUtf8(reading));
                    });
                }
                fields.numeral = isNumeralPos(column(node->feature, 1));
                const QByteArrayView pos = posColumns(node->feature);
                fields.pos = made(m_posNames, pos, [&] { return QString::fromUtf8(pos); });
                if (m_entries.size() >= 50000)
                    m_entries.clear();
                entry = m_entries.insert(node->feature, std::move(fields));
            }
            word.reading = entry->reading.isEmpty() ? katakanaForm(word.surface) : entry->reading;
            word.numeral = entry->numeral;
            word.pos = entry->pos;
            word.known = node->stat != MECAB_UNK_NODE;
            words.append(std::move(word));
            done = end;
        }
        if (done < text.size())
            words.append(gapToken(text, done, text.size()));
        analyses.append(words);
    } while (analyses.size() < paths && lattice->next());
    return analyses;
}

Result<QString> MecabPhoneticService::reading(const QString &text)
{
    const Result<ReadingRun> run = engine().readSpan(text, 0, text.size());
    if (!run)
        return std::unexpected(run.error());
    return run->reading;
}

Result<QList<QList<AnalysedWord>>> MecabPhoneticService::analyses(const QString &text, int paths)
{
    if (!m_tagger) {
        if (const Result<void> opened = open(); !opened)
            return std::unexpected(opened.error());
    }
    return analyse(text, paths);
}

ReadingEngine &MecabPhoneticService::engine()
{
    if (!m_engine)
        m_engine = std::make_unique<ReadingEngine>(*this);
    return *m_engine;
}

Result<QList<AnalysedWord>> MecabPhoneticService::tokens(const QString &text)
{
    const Result<QList<QList<AnalysedWord>>> found = analyses(text, 1);
    if (!found)
        return std::unexpected(found.error());
    return found->value(0);
}

std::unique_ptr<PhoneticService> createMecabPhoneticService()
{
    return std::make_unique<MecabPhoneticService>();
}
