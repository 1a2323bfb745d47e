#include "core/mecabphoneticservice.h"

#include "core/rubytext.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <mecab.h>

#include <cerrno>

namespace {

// IPADIC's feature columns: part of speech (4), conjugation (2), base form,
// reading, pronunciation. The reading keeps ジュウ where the pronunciation has ジュー.
constexpr int kReadingColumn = 7;

const QString kMissingDictionary = QStringLiteral(
    "読みの辞書を開けません。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ mecab-ipadic-utf8) "
    "が見つかりません。");

bool isUtf8(const char *charset)
{
    QByteArray name = QByteArray(charset ? charset : "").toLower();
    name.replace('-', QByteArray()).replace('_', QByteArray());
    return name == "utf8";
}

// The reading column of a token, or an empty view when the token has none.
QByteArrayView readingColumn(const char *feature)
{
    if (!feature)
        return {};
    const QByteArrayView columns(feature);
    qsizetype start = 0;
    for (int column = 0; column < kReadingColumn; ++column) {
        start = columns.indexOf(',', start);
        if (start < 0)
            return {};
        ++start;
    }
    qsizetype end = columns.indexOf(',', start);
    if (end < 0)
        end = columns.size();
    const QByteArrayView reading = columns.sliced(start, end - start);
    if (reading.isEmpty() || reading == "*")
        return {};
    return reading;
}

struct Opened
{
    std::unique_ptr<MeCab::Model> model;
    QString error;
    int errorNumber = 0;
};

Opened openModel(const QList<QByteArray> &arguments)
{
    QList<QByteArray> owned = arguments;
    std::vector<char *> argv;
    argv.reserve(owned.size());
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    Opened opened;
    opened.model.reset(MeCab::createModel(int(argv.size()), argv.data()));
    if (!opened.model) {
        opened.error = kMissingDictionary + QStringLiteral("\n(")
            + QString::fromLocal8Bit(MeCab::getLastError()) + QLatin1Char(')');
        opened.errorNumber = ENOENT;
        return opened;
    }
    const MeCab::DictionaryInfo *info = opened.model->dictionary_info();
    if (!info) {
        opened.model.reset();
        opened.error = kMissingDictionary;
        opened.errorNumber = ENOENT;
        return opened;
    }
    // Every dictionary in the chain (system and user) must speak UTF-8, or the
    // readings come back as mojibake.
    for (; info; info = info->next) {
        if (!isUtf8(info->charset)) {
            opened.error = QStringLiteral("読みの辞書 %1 の文字コードが UTF-8 ではありません (%2)。"
                                          "MeCab の IPADIC 辞書 (UTF-8 版、パッケージ "
                                          "mecab-ipadic-utf8) を使ってください。")
                               .arg(QString::fromLocal8Bit(info->filename),
                                    QString::fromLatin1(info->charset));
            opened.errorNumber = EILSEQ;
            opened.model.reset();
            return opened;
        }
    }
    return opened;
}

} // namespace

QString standardIpadicUtf8Folder()
{
    return QStringLiteral("/var/lib/mecab/dic/ipadic-utf8");
}

MecabPhoneticService::MecabPhoneticService(const QString &dictionaryFolder)
    : m_dictionaryFolder(dictionaryFolder)
{ }

MecabPhoneticService::~MecabPhoneticService() = default;

PhoneticResult MecabPhoneticService::open()
{
    // With a folder of our own the system's settings file is not needed.
    const auto inFolder = [](const QString &folder) {
        return QList<QByteArray> {"rubello", "-r", "/dev/null", "-d", folder.toLocal8Bit()};
    };
    QList<QList<QByteArray>> attempts;
    if (m_dictionaryFolder.isEmpty()) {
        attempts.append(QList<QByteArray> {"rubello"});
        attempts.append(inFolder(standardIpadicUtf8Folder()));
    } else {
        attempts.append(inFolder(m_dictionaryFolder));
    }

    Opened first;
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        Opened opened = openModel(attempts.at(i));
        if (opened.model) {
            m_tagger.reset(opened.model->createTagger());
            if (!m_tagger) {
                opened.error = kMissingDictionary + QStringLiteral("\n(")
                    + QString::fromLocal8Bit(MeCab::getLastError()) + QLatin1Char(')');
                opened.errorNumber = ENOENT;
            } else {
                m_model = std::move(opened.model);
                return {};
            }
        }
        // The first failure names the system's setting, which is what the user must mend.
        if (i == 0)
            first = std::move(opened);
    }
    return {QString(), first.error, first.errorNumber};
}

PhoneticResult MecabPhoneticService::reading(const QString &text)
{
    if (!m_tagger) {
        const PhoneticResult opened = open();
        if (!opened.ok())
            return opened;
    }

    const QByteArray sentence = text.toUtf8();
    std::unique_ptr<MeCab::Lattice> lattice(m_model->createLattice());
    lattice->set_sentence(sentence.constData(), size_t(sentence.size()));
    if (!m_tagger->parse(lattice.get())) {
        return {QString(),
                QStringLiteral("読みを取得できません: ") + QString::fromUtf8(lattice->what()), EIO};
    }

    // Text between tokens (spaces, line breaks) is carried over as it stands,
    // so the reading covers the whole text.
    const char *const begin = lattice->sentence();
    QString result;
    result.reserve(text.size() * 2);
    qsizetype done = 0;
    for (const MeCab::Node *node = lattice->bos_node(); node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
            continue;
        const qsizetype start = node->surface - begin;
        if (start < done || start + node->length > sentence.size())
            continue;
        if (start > done)
            result += QString::fromUtf8(sentence.sliced(done, start - done));
        const QByteArrayView reading = readingColumn(node->feature);
        if (reading.isEmpty())
            result += katakanaForm(QString::fromUtf8(sentence.sliced(start, node->length)));
        else
            result += QString::fromUtf8(reading);
        done = start + node->length;
    }
    if (done < sentence.size())
        result += QString::fromUtf8(sentence.sliced(done));
    return {result, QString()};
}

std::unique_ptr<PhoneticService> createMecabPhoneticService()
{
    return std::make_unique<MecabPhoneticService>();
}
