#pragma once

#include "core/readingtoken.h"

#include <QString>

#include <memory>

namespace MeCab {
class Model;
class Tagger;
} // namespace MeCab

// Words and readings straight from MeCab with IPADIC in UTF-8, opened from its
// folder (no system settings file), once, on the first call.
class MecabTokenizer
{
public:
    explicit MecabTokenizer(const QString &dictionaryFolder = QString());
    ~MecabTokenizer();

    // Opens the dictionary if it is not open yet; an empty result means ready.
    QString open();
    QList<ReadingToken> tokenize(const QString &text);

    // A TextTokenizer over this object, which must outlive it.
    TextTokenizer asTokenizer();

private:
    QString m_folder;
    std::unique_ptr<MeCab::Model> m_model;
    std::unique_ptr<MeCab::Tagger> m_tagger;
};
