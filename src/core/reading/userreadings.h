#pragma once

#include "core/errorreport.h"

#include <QHash>
#include <QString>

// Readings the user chose instead of the proposed ones, kept between runs in a
// plain UTF-8 file: base text, a tab and the reading in full-width katakana,
// a line per word. Nothing else is ever written to its folder.
class UserReadings
{
public:
    explicit UserReadings(const QString &path = standardPath());

    // Reads the file on first use; a damaged file reports once and counts as empty.
    ErrorReport load();
    QString lookup(const QString &base);
    // Remembers and writes the whole file atomically.
    ErrorReport remember(const QString &base, const QString &reading);

    QString path() const { return m_path; }
    static QString standardPath();

private:
    QString m_path;
    bool m_loaded = false;
    bool m_damaged = false;
    QHash<QString, QString> m_readings;
};

// A reading as the user typed it in any kana form, in full-width katakana.
QString fullwidthKatakana(const QString &reading);
