#pragma once

#include "core/phoneticservice.h"

#include <QString>

#include <memory>

namespace MeCab {
class Model;
class Tagger;
} // namespace MeCab

// Readings from MeCab with the IPADIC dictionary in UTF-8. The dictionary is
// opened on the first lookup and kept; a failed opening is tried again on the
// next lookup, so a dictionary installed meanwhile is found.
class MecabPhoneticService : public PhoneticService
{
public:
    // The folder of a compiled dictionary; empty means the system's MeCab
    // configuration and then the standard IPADIC UTF-8 folder.
    explicit MecabPhoneticService(const QString &dictionaryFolder = QString());
    ~MecabPhoneticService() override;

    PhoneticResult reading(const QString &text) override;

    bool isOpen() const { return m_tagger != nullptr; }

private:
    PhoneticResult open();

    QString m_dictionaryFolder;
    std::unique_ptr<MeCab::Model> m_model;
    std::unique_ptr<MeCab::Tagger> m_tagger;
};

// The folder that mecab-ipadic-utf8 installs.
QString standardIpadicUtf8Folder();

// The reading service over MeCab with the IPADIC dictionary.
std::unique_ptr<PhoneticService> createMecabPhoneticService();
