#pragma once

#include "core/reading/phoneticservice.h"
#include "ui/platform.h"

#include <QCoreApplication>

#include <cstdio>

// Answers nothing and opens nothing: a benchmark calls the window's commands directly.
class BenchPlatform : public PlatformServices
{
    class NoPhonetics : public PhoneticService
    {
    public:
        Result<QString> reading(const QString &) override { return QString(); }
    };

public:
    explicit BenchPlatform(QByteArray page)
        : m_page(std::move(page))
    { }
    QMessageBox::StandardButton showMessage(QWidget *, QMessageBox::Icon, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
        return QMessageBox::Ok;
    }
    std::optional<QString> askOpenPath(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> askSavePath(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool openWithDesktop(const QString &) override { return true; }
    PhoneticService &phoneticService() override { return m_phonetics; }
    QString programFolder() const override { return QCoreApplication::applicationDirPath(); }
    QByteArray codePage() const override { return m_page; }

private:
    QByteArray m_page;
    NoPhonetics m_phonetics;
};
