#include "app/documentcommands.h"

#include "core/document/safesave.h"
#include "core/paths.h"
#include "ui/editorcontrol.h"
#include "ui/platform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

// The question about one kept copy, with how its text differs from the document's.
QString recoveryQuestion(const QString &copy, const QString &documentName, const LineDifference &difference)
{
    const QString newline = QStringLiteral("\r\n");
    QString text = QCoreApplication::translate("DocumentCommands", "%1 には、保存されずに終わった内容が残っています。")
                       .arg(documentName)
        + newline
        + QCoreApplication::translate("DocumentCommands", "%1（%2）")
              .arg(fileNameOfPath(copy),
                   QFileInfo(copy).lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm")))
        + newline;
    if (difference.firstLine == 0)
        text += QCoreApplication::translate("DocumentCommands", "いまの内容と同じです。");
    else
        text += QCoreApplication::translate("DocumentCommands", "残っている内容は %1 行、いまの内容は %2 行で、%3 行目から違います。")
                    .arg(difference.keptLines)
                    .arg(difference.currentLines)
                    .arg(difference.firstLine);
    return text + newline + QCoreApplication::translate("DocumentCommands", "残っている内容を開きますか？");
}

} // namespace

void DocumentCommands::offerUnsavedCopies()
{
    m_recoveredCopy.clear();
    const QString document = m_session.hasFile() ? m_session.path() : QString();
    for (const QString &copy : unsavedCopiesOf(document)) {
        const Result<LoadedText> kept = m_session.read(copy);
        if (!kept)
            continue; // not readable as a page: left alone
        const QString current = m_editor->text();
        const QString name = document.isEmpty() ? QCoreApplication::translate("DocumentCommands", "名前のない文書") : m_session.fileName();
        const QString question = recoveryQuestion(copy, name, compareLines(kept->text, current));
        const int answer = m_platform.askThreeWay(
            m_parent, QStringLiteral("Rubello"), question,
            {QCoreApplication::translate("DocumentCommands", "開く"), QCoreApplication::translate("DocumentCommands", "破棄する"), QCoreApplication::translate("DocumentCommands", "後で")});
        if (answer == 1) {
            QFile::remove(copy);
        } else if (answer == 0) {
            // One edit over the file's text: the document counts as changed, Save
            // writes the kept text and Undo shows the file's own again.
            m_editor->setSelectionStart(0);
            m_editor->setSelectionLength(int(current.size()));
            m_editor->replaceSelection(kept->text);
            m_editor->setSelectionStart(0);
            m_recoveredCopy = copy;
            updateCaption();
            return;
        }
    }
}
