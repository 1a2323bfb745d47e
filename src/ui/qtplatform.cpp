#include "ui/qtplatform.h"

#include "core/reading/userreadings.h"

#include "core/reading/mecabphoneticservice.h"
#include "core/desktop/browserchoice.h"
#include "ui/helpwindow.h"

#include <QClipboard>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>

#include <langinfo.h>

QStringList nameFiltersFromDialogFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

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

namespace {

CommonDialogResult showFileDialog(QWidget *parent, bool save, CommonDialogState &state)
{
    QFileDialog dialog(parent, state.DialogTitle);
    const QStringList filters = nameFiltersFromDialogFilter(state.Filter);
    dialog.setNameFilters(filters);
    if (state.FilterIndex >= 1 && state.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(state.FilterIndex - 1));
    if (!state.FileName.isEmpty())
        dialog.selectFile(state.FileName);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !state.confirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(state.existingFileOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {CommonDialogResult::Cancelled, 0, QString()};
    state.FileName = dialog.selectedFiles().constFirst();
    state.FilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return {CommonDialogResult::Accepted, 0, QString()};
}

CommonDialogResult showFontDialog(QWidget *parent, CommonDialogState &state)
{
    QFont initial(state.FontName);
    if (state.FontSize > 0)
        initial.setPointSizeF(state.FontSize);
    initial.setBold(state.FontBold);
    initial.setItalic(state.FontItalic);
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, initial, parent);
    if (!accepted)
        return {CommonDialogResult::Cancelled, 0, QString()};
    state.FontName = chosen.family();
    state.FontSize = chosen.pointSizeF();
    state.FontBold = chosen.bold();
    state.FontItalic = chosen.italic();
    return {CommonDialogResult::Accepted, 0, QString()};
}

CommonDialogResult showColorDialog(QWidget *parent, CommonDialogState &state)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(state.Color), parent);
    if (!chosen.isValid())
        return {CommonDialogResult::Cancelled, 0, QString()};
    state.Color = chosen.rgb();
    return {CommonDialogResult::Accepted, 0, QString()};
}

std::optional<QString> askFilePath(QWidget *parent, bool save, const QString &title,
                                   const QString &preset)
{
    QFileDialog dialog(parent, title);
    dialog.setNameFilters(nameFiltersFromDialogFilter(
        QStringLiteral("HTMLファイル(*.html,*.htm)|*.html;*.htm|すべてのファイル(*.*)|*.*|")));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

CommonDialogResult QtPlatformServices::showCommonDialog(QWidget *parent, CommonDialogKind kind,
                                                        CommonDialogState &state)
{
    switch (kind) {
    case CommonDialogKind::Open:
        return showFileDialog(parent, false, state);
    case CommonDialogKind::Save:
        return showFileDialog(parent, true, state);
    case CommonDialogKind::Font:
        return showFontDialog(parent, state);
    case CommonDialogKind::Color:
        return showColorDialog(parent, state);
    }
    return {CommonDialogResult::Cancelled, 0, QString()};
}

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

bool QtPlatformServices::printDocument(QWidget *parent, QTextDocument &document)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.metaInformation(QTextDocument::DocumentTitle));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    document.print(&printer);
    return true;
}
