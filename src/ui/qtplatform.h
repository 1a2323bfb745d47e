#pragma once

#include "ui/platform.h"

#include <QPointer>

#include <memory>

class HelpWindow;
class QFileDialog;

// The Open and Save As dialogs' filters, start and default extension; preset is a
// full path, a folder or a file in the folder to start in.
void configureFileDialog(QFileDialog &dialog, bool save, const QString &preset);

// The real platform: Qt's message boxes and dialogs, the desktop's open action,
// MeCab readings, the executable's folder and the locale's code page.
class QtPlatformServices : public PlatformServices
{
public:
    QtPlatformServices();
    ~QtPlatformServices() override;

    QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon,
                                            const QString &title, const QString &text,
                                            QMessageBox::StandardButtons buttons) override;
    bool askTwoWay(QWidget *parent, const QString &title, const QString &text,
                   const QString &first, const QString &second) override;
    int askThreeWay(QWidget *parent, const QString &title, const QString &text,
                    const QStringList &captions) override;
    std::optional<QString> askOpenPath(QWidget *parent, const QString &title,
                                       const QString &preset) override;
    std::optional<QString> askSavePath(QWidget *parent, const QString &title,
                                       const QString &preset) override;
    std::optional<QFont> askFont(QWidget *parent, const QFont &initial) override;
    std::optional<QColor> askColor(QWidget *parent, const QColor &initial) override;
    bool openWithDesktop(const QString &fileOrAddress) override;
    PhoneticService &phoneticService() override;
    QString programFolder() const override;
    QString userReadingsFile() const override;
    QByteArray codePage() const override;

    bool openInBrowser(const QString &localFile) override;
    void showHelpWindow(QWidget *parent, const QString &helpPage) override;
    void copyText(const QString &text) override;
    bool printDocument(QWidget *parent, QTextDocument &document) override;
    void previewDocument(QWidget *parent, QTextDocument &document) override;

private:
    std::unique_ptr<PhoneticService> m_phonetic;
    QPointer<HelpWindow> m_help;
};
