#include "core/mecabtokenizer.h"

#include "core/mecabphoneticservice.h"

#include <QByteArray>
#include <QByteArrayView>

#include <mecab.h>

#include <vector>

namespace {

// IPADIC: part of speech (4), conjugation (2), base form, then the reading.
constexpr int kReadingColumn = 7;

QString readingOf(const char *feature)
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
    return QString::fromUtf8(reading);
}

// UTF-16 units taken by the UTF-8 sequence that starts with this byte.
int utf16Units(unsigned char lead)
{
    if (lead < 0x80 || lead >= 0xC0)
        return lead >= 0xF0 ? 2 : 1;
    return 0; // continuation byte
}

} // namespace

MecabTokenizer::MecabTokenizer(const QString &dictionaryFolder)
    : m_folder(dictionaryFolder.isEmpty() ? standardIpadicUtf8Folder() : dictionaryFolder)
{ }

MecabTokenizer::~MecabTokenizer() = default;

QString MecabTokenizer::open()
{
    if (m_tagger)
        return {};
    QByteArray folder = m_folder.toLocal8Bit();
    QByteArray args[] = {"rubello", "-r", "/dev/null", "-d", folder};
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    m_model.reset(MeCab::createModel(int(argv.size()), argv.data()));
    const MeCab::DictionaryInfo *info = m_model ? m_model->dictionary_info() : nullptr;
    if (!info) {
        m_model.reset();
        return QStringLiteral("読みの辞書 %1 を開けません (パッケージ mecab-ipadic-utf8)。")
            .arg(m_folder);
    }
    QByteArray charset = QByteArray(info->charset ? info->charset : "").toLower();
    charset.replace('-', QByteArray());
    if (charset != "utf8") {
        m_model.reset();
        return QStringLiteral("読みの辞書 %1 の文字コードが UTF-8 ではありません。").arg(m_folder);
    }
    m_tagger.reset(m_model->createTagger());
    if (!m_tagger) {
        m_model.reset();
        return QStringLiteral("読みの辞書 %1 を開けません。").arg(m_folder);
    }
    return {};
}

QList<ReadingToken> MecabTokenizer::tokenize(const QString &text)
{
    QList<ReadingToken> tokens;
    if (text.isEmpty() || !open().isEmpty())
        return tokens;
    const QByteArray sentence = text.toUtf8();
    std::unique_ptr<MeCab::Lattice> lattice(m_model->createLattice());
    lattice->set_sentence(sentence.constData(), size_t(sentence.size()));
    if (!m_tagger->parse(lattice.get()))
        return tokens;

    // Nodes come in order, so one walk maps byte offsets to UTF-16 offsets.
    const char *const begin = lattice->sentence();
    qsizetype byte = 0;
    qsizetype unit = 0;
    const auto advanceTo = [&](qsizetype target) {
        for (; byte < target; ++byte)
            unit += utf16Units(static_cast<unsigned char>(sentence.at(byte)));
    };
    for (const MeCab::Node *node = lattice->bos_node(); node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE || node->length == 0)
            continue;
        const qsizetype start = node->surface - begin;
        const qsizetype end = start + node->length;
        if (start < byte || end > sentence.size())
            continue;
        advanceTo(start);
        const qsizetype first = unit;
        advanceTo(end);
        // A lone surrogate in the text becomes one byte-long '?' in UTF-8 and
        // shifts the map; such a token is dropped rather than misplaced.
        if (unit > text.size())
            break;
        tokens.append({first, unit - first, readingOf(node->feature)});
    }
    return tokens;
}

TextTokenizer MecabTokenizer::asTokenizer()
{
    return [this](const QString &text) { return tokenize(text); };
}
