#pragma once

#include "core/reading/phoneticservice.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class ReadingEngine;

namespace MeCab {
class Lattice;
class Model;
class Tagger;
} // namespace MeCab

// Readings from MeCab. IPADIC in UTF-8 is opened by its folder; without it the
// system's dictionary serves only when its layout says where the reading is
// (IPADIC and NAIST-jdic: column 7; UniDic: its kana column). The dictionary
// is opened on the first lookup and kept; a failed opening is tried again on
// the next lookup, so a dictionary installed meanwhile is found.
class MecabPhoneticService : public PhoneticService
{
public:
    // The folder of a compiled dictionary; empty means the IPADIC folders and
    // then the system's MeCab configuration (MECABRC honoured).
    explicit MecabPhoneticService(const QString &dictionaryFolder = QString(),
                                  const QStringList &ipadicFolders = standardIpadicFolders());
    ~MecabPhoneticService() override;

    Result<QString> reading(const QString &text) override;
    Result<QList<AnalysedWord>> tokens(const QString &text) override;
    Result<QList<QList<AnalysedWord>>> analyses(const QString &text, int paths) override;

    bool isOpen() const { return m_tagger != nullptr; }
    QString openedFolder() const { return m_openedFolder; }

    static QStringList standardIpadicFolders();

private:
    Result<void> open();
    // One way of opening MeCab: its command-line arguments.
    Result<void> openWith(const QList<QByteArray> &arguments);
    // Up to paths analyses of text, the best first; the words cover the text
    // without gaps (text between words is a word read as itself).
    Result<QList<QList<AnalysedWord>>> analyse(const QString &text, int paths);
    ReadingEngine &engine();

    QString m_dictionaryFolder;
    QStringList m_ipadicFolders;
    QString m_openedFolder;
    int m_readingColumn = -1;
    std::unique_ptr<MeCab::Model> m_model;
    std::unique_ptr<MeCab::Tagger> m_tagger;
    // Kept from one text to the next: a whole page is thousands of pieces.
    std::unique_ptr<MeCab::Lattice> m_lattice;
    int m_requestType = 0; // the lattice's own, for one analysis
    // The dictionary's parts of speech and readings as strings, each made once.
    QHash<QByteArray, QString> m_posNames;
    QHash<QByteArray, QString> m_readings;
    // What a dictionary entry gives, by the address of its feature text, which
    // stays in the opened dictionary: most words are found without hashing a string.
    struct EntryFields
    {
        QString reading; // empty: none given, the surface is read as written
        QString pos;
        bool numeral = false;
    };
    QHash<const char *, EntryFields> m_entries;
    std::unique_ptr<ReadingEngine> m_engine; // for reading()
};

// The folder that mecab-ipadic-utf8 installs.
QString standardIpadicUtf8Folder();

// The reading service over MeCab with the IPADIC dictionary.
std::unique_ptr<PhoneticService> createMecabPhoneticService();
