#pragma once

#include "core/reading/readingengine.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTextDocument;

class PhoneticService;
class UserReadings;
class QWidget;

// Every platform service a window uses, behind one object handed in at
// construction, so tests can script the answers.
class PlatformServices
{
public:
    virtual ~PlatformServices() = default;

    virtual QMessageBox::StandardButton showMessage(QWidget *parent, QMessageBox::Icon icon,
                                                    const QString &title, const QString &text,
                                                    QMessageBox::StandardButtons buttons)
        = 0;

    // A question whose two answers carry captions of their own; true for the first.
    // Closing the box answers the second.
    virtual bool askTwoWay(QWidget *parent, const QString &title, const QString &text,
                           const QString &first, const QString &second)
    {
        Q_UNUSED(first);
        Q_UNUSED(second);
        return showMessage(parent, QMessageBox::Question, title, text,
                           QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    }

    // A question with three answers of their own captions: 0, 1 or 2; closing the box
    // answers the third. Scripted as Yes, No and Cancel.
    virtual int askThreeWay(QWidget *parent, const QString &title, const QString &text,
                            const QStringList &captions)
    {
        Q_UNUSED(captions);
        const auto answer = showMessage(parent, QMessageBox::Question, title, text,
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return answer == QMessageBox::Yes ? 0 : answer == QMessageBox::No ? 1 : 2;
    }

    // The file dialogs, HTML pages offered first. preset is the file (or folder)
    // the dialog starts at; nothing when the user cancels. Open accepts only a
    // file that exists; Save asks before it names one.
    virtual std::optional<QString> askOpenPath(QWidget *parent, const QString &title,
                                               const QString &preset)
        = 0;
    virtual std::optional<QString> askSavePath(QWidget *parent, const QString &title,
                                               const QString &preset)
        = 0;
    // The font and colour dialogs; nothing when the user cancels.
    virtual std::optional<QFont> askFont(QWidget *parent, const QFont &initial)
    {
        Q_UNUSED(parent);
        Q_UNUSED(initial);
        return std::nullopt;
    }
    virtual std::optional<QColor> askColor(QWidget *parent, const QColor &initial)
    {
        Q_UNUSED(parent);
        Q_UNUSED(initial);
        return std::nullopt;
    }

    // The desktop's open action for a local file or an address; does not wait.
    virtual bool openWithDesktop(const QString &fileOrAddress) = 0;

    // The reading service, created on first use and kept for the run.
    virtual PhoneticService &phoneticService() = 0;

    // The reading engine over the service and the user's readings, for the
    // window to keep; F5 and whole-page ruby ask it.
    virtual std::unique_ptr<ReadingEngine> readingEngine(UserReadings *userReadings)
    {
        return std::make_unique<ReadingEngine>(phoneticService(), userReadings);
    }

    virtual QString programFolder() const = 0;

    // The user's remembered readings (a file under the user's data folder);
    // empty when corrections are not kept.
    virtual QString userReadingsFile() const { return QString(); }

    // Name of the document code page, e.g. "UTF-8" or "windows-31j".
    virtual QByteArray codePage() const = 0;

    // --- Web browser, help window, printing ---

    // Shows a local page in a web browser, never in this program (the desktop
    // may name it the handler of HTML); false when there is no browser.
    virtual bool openInBrowser(const QString &localFile) { return openWithDesktop(localFile); }

    // Shows the help page in a window of the program's own.
    virtual void showHelpWindow(QWidget *parent, const QString &helpPage)
    {
        Q_UNUSED(parent);
        Q_UNUSED(helpPage);
    }

    // Puts text on the clipboard.
    virtual void copyText(const QString &text) { Q_UNUSED(text); }

    // The print dialog, then the document printed; false when cancelled. Its title
    // heads every page.
    virtual bool printDocument(QWidget *parent, QTextDocument &document)
    {
        Q_UNUSED(parent);
        Q_UNUSED(document);
        return false;
    }
    // The pages as they would be printed, in a preview window that can print them.
    virtual void previewDocument(QWidget *parent, QTextDocument &document)
    {
        Q_UNUSED(parent);
        Q_UNUSED(document);
    }
};
