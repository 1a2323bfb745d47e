#include "ui/qtplatform.h"

#include "core/reading/userreadings.h"

#include "core/reading/mecabphoneticservice.h"
#include "core/desktop/browserchoice.h"
#include "ui/helpwindow.h"
#include "ui/printing.h"

#include <QClipboard>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>

#include <langinfo.h>

QtPlatformServices::QtPlatformServices() = default;
QtPlatformServices::~QtPlatformServices() = default;

QMessageBox::StandardButton QtPlatformServices::showMessage(QWidget *parent, QMessageBox::Icon icon,
                                                            const QString &title,
                                                            const QString &text,
                                                            QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    // A message may quote markup (<script>); it is never read as rich text.
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}

bool QtPlatformServices::askTwoWay(QWidget *parent, const QString &title, const QString &text,
                                   const QString &first, const QString &second)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = box.addButton(first, QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(second, QMessageBox::RejectRole);
    // The safe answer is the one Enter and Esc give.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

int QtPlatformServices::askThreeWay(QWidget *parent, const QString &title, const QString &text,
                                    const QStringList &captions)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QPushButton *> buttons;
    for (const QString &caption : captions.first(qMin<qsizetype>(3, captions.size())))
        buttons << box.addButton(
            caption, buttons.size() < 2 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    // The safe answer is the one Enter and Esc give.
    box.setDefaultButton(buttons.constLast());
    box.setEscapeButton(buttons.constLast());
    box.exec();
    const qsizetype answer = buttons.indexOf(box.clickedButton());
    return answer < 0 ? 2 : int(answer);
}

void configureFileDialog(QFileDialog &dialog, bool save, const QString &preset)
{
    const QString html = QCoreApplication::translate("QtPlatformServices", "HTMLファイル (*.html *.htm *.xhtml)");
    dialog.setNameFilters({html, QCoreApplication::translate("QtPlatformServices", "すべてのファイル (*)")});
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without an extension under the HTML filter is an HTML page.
    const auto suffixFor = [&dialog, save, html](const QString &filter) {
        dialog.setDefaultSuffix(save && filter == html ? QStringLiteral("html") : QString());
    };
    suffixFor(html);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixFor);
    // The preset is a full path: a folder, or a file in the folder to start in.
    const QFileInfo start(preset);
    if (preset.isEmpty())
        return;
    if (start.isDir()) {
        dialog.setDirectory(start.absoluteFilePath());
    } else {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
}

namespace {

std::optional<QString> askFilePath(QWidget *parent, bool save, const QString &title,
                                   const QString &preset)
{
    QFileDialog dialog(parent, title);
    configureFileDialog(dialog, save, preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtPlatformServices::askOpenPath(QWidget *parent, const QString &title,
                                                       const QString &preset)
{
    return askFilePath(parent, false, title, preset);
}

std::optional<QString> QtPlatformServices::askSavePath(QWidget *parent, const QString &title,
                                                       const QString &preset)
{
    return askFilePath(parent, true, title, preset);
}

std::optional<QFont> QtPlatformServices::askFont(QWidget *parent, const QFont &initial)
{
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, initial, parent);
    return accepted ? std::optional(chosen) : std::nullopt;
}

std::optional<QColor> QtPlatformServices::askColor(QWidget *parent, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    return chosen.isValid() ? std::optional(chosen) : std::nullopt;
}

bool QtPlatformServices::openWithDesktop(const QString &fileOrAddress)
{
    const QUrl url = QUrl(fileOrAddress, QUrl::StrictMode);
    const bool isAddress = url.isValid() && url.scheme().size() > 1;
    return QDesktopServices::openUrl(isAddress ? url : QUrl::fromLocalFile(fileOrAddress));
}

PhoneticService &QtPlatformServices::phoneticService()
{
    if (!m_phonetic)
        m_phonetic = createMecabPhoneticService();
    return *m_phonetic;
}

QString QtPlatformServices::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

QByteArray QtPlatformServices::codePage() const
{
    // A locale without a character set of its own (C, POSIX) reports ASCII; Qt
    // itself takes the system's text as UTF-8 then, and so do we.
    const QByteArray codeset(nl_langinfo(CODESET));
    const bool ascii = codeset == "ANSI_X3.4-1968"
        || codeset.compare("ASCII", Qt::CaseInsensitive) == 0 || codeset == "US-ASCII";
    if (!codeset.isEmpty() && !ascii && QStringDecoder(codeset.constData()).isValid())
        return codeset;
    return QByteArrayLiteral("UTF-8");
}

QString QtPlatformServices::userReadingsFile() const
{
    return UserReadings::standardPath();
}

bool QtPlatformServices::openInBrowser(const QString &localFile)
{
    // Not the desktop's open action: it gives an HTML file to this program when
    // the desktop names it the handler of HTML.
    const BrowserCommand command = browserCommandFor(
        localFile, DesktopEnvironment::fromProcess(QCoreApplication::applicationFilePath()));
    return command.isValid() && QProcess::startDetached(command.program, command.arguments);
}

void QtPlatformServices::showHelpWindow(QWidget *parent, const QString &helpPage)
{
    if (!m_help) {
        m_help = new HelpWindow(parent);
        m_help->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_help->showPage(helpPage);
}

void QtPlatformServices::copyText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

namespace {

void printPages(const QTextDocument &document, QPrinter *printer)
{
    const QRectF paper(QPointF(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());
    SourcePages(document, document.metaInformation(QTextDocument::DocumentTitle), printer, paper).print(printer);
}

} // namespace

bool QtPlatformServices::printDocument(QWidget *parent, QTextDocument &document)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.metaInformation(QTextDocument::DocumentTitle));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printPages(document, &printer);
    return true;
}

void QtPlatformServices::previewDocument(QWidget *parent, QTextDocument &document)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.metaInformation(QTextDocument::DocumentTitle));
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter *target) { printPages(document, target); });
    preview.exec();
}
