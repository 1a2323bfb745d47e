#include "app/documentcommands.h"

#include "app/commandaction.h"
#include "app/startup.h"
#include "core/document/declarations.h"
#include "core/document/encodings.h"
#include "core/paths.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"
#include "ui/progresswindow.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QTextDocument>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");
const QString kModifiedMarker = QCoreApplication::translate("DocumentCommands", " (更新)");
const QString kNewLine = QStringLiteral("\r\n");

} // namespace

DocumentCommands::DocumentCommands(EditorControl *editor, PlatformServices &platform,
                                   QWidget *parent)
    : QObject(parent)
    , m_editor(editor)
    , m_platform(platform)
    , m_parent(parent)
    , m_session(editor->session())
{
    m_session.setSystemCodePage([&platform] { return platform.codePage(); });
    m_session.startNew();
    // The marker shows what the session says, whatever changed it.
    connect(&m_session, &DocumentSession::modifiedChanged, this, &DocumentCommands::updateCaption);
    createActions();
}

void DocumentCommands::createActions()
{
    Actions &a = m_actions;
    a.newDocument = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "新規作成 (&N)"), {QKeySequence(Qt::CTRL | Qt::Key_N)});
    a.open = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "開く (&O)..."), {QKeySequence(Qt::CTRL | Qt::Key_O)});
    a.save = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "上書き保存 (&S)"), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    a.saveAs = createCommandAction(this, QT_TRANSLATE_NOOP("MainWindow", "名前を付けて保存 (&A)..."));
    connect(a.newDocument, &QAction::triggered, this, &DocumentCommands::newDocument);
    connect(a.open, &QAction::triggered, this, &DocumentCommands::open);
    connect(a.save, &QAction::triggered, this, &DocumentCommands::save);
    connect(a.saveAs, &QAction::triggered, this, &DocumentCommands::saveAs);
    // Save needs a file to write to; a new document has none.
    a.save->setEnabled(false);
    connect(this, &DocumentCommands::hasFileChanged, a.save, &QAction::setEnabled);

    for (const TextEncoding &encoding : choosableEncodings()) {
        const QString name = encodingDisplayName(encoding);
        a.reopen << new QAction(name, this);
        a.convert << new QAction(name, this);
        connect(a.reopen.last(), &QAction::triggered, this, [this, encoding] { reopenAs(encoding); });
        connect(a.convert.last(), &QAction::triggered, this, [this, encoding] { convertTo(encoding); });
    }

    auto *lineEnds = new QActionGroup(this);
    a.newLf = lineEnds->addAction(QStringLiteral("LF (&L)"));
    a.newCrLf = lineEnds->addAction(QStringLiteral("CR LF (&C)"));
    for (QAction *item : {a.newLf, a.newCrLf})
        item->setCheckable(true);
    connect(a.newLf, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::Lf); });
    connect(a.newCrLf, &QAction::triggered, this, [this] { setNewLineEnd(LineEnd::CrLf); });
    setNewLineEnd(LineEnd::Lf); // the platform's line end
}

void DocumentCommands::setNewLineEnd(LineEnd end)
{
    m_newLineEnd = end;
    (end == LineEnd::CrLf ? m_actions.newCrLf : m_actions.newLf)->setChecked(true);
    if (m_session.path().isEmpty() && m_editor->document()->isEmpty()) {
        m_editor->setLineEndConvention(end);
        emit documentShown(QString());
    }
}

QString DocumentCommands::documentName() const
{
    return m_session.hasFile() ? m_session.fileName() : kProgramTitle;
}

QString DocumentCommands::caption() const
{
    const QString name = documentName();
    return m_session.isModified() ? name + kModifiedMarker : name;
}

void DocumentCommands::updateCaption()
{
    emit captionChanged(caption());
}

bool DocumentCommands::maybeSave()
{
    if (!m_session.isModified())
        return true;
    const QString prompt = documentName() + QCoreApplication::translate("DocumentCommands", "　の内容は更新されています。")
        + kNewLine + QCoreApplication::translate("DocumentCommands", "保存しますか？");
    const auto answer
        = m_platform.showMessage(m_parent, QMessageBox::Question, kProgramTitle, prompt,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        saveAs();
        // A cancelled or failed save keeps the changes: going on would lose them.
        return !m_session.isModified();
    case QMessageBox::No:
        return true;
    default:
        return false; // cancelled: the command stops
    }
}

void DocumentCommands::newDocument()
{
    if (!maybeSave())
        return;
    m_recoveredCopy.clear();
    m_editor->setText(QString());
    m_editor->setLineEndConvention(m_newLineEnd);
    m_session.startNew();
    emit documentShown(QString());
    emit hasFileChanged(false);
    updateCaption();
}

QString DocumentCommands::dialogStart(bool save) const
{
    const QString suggested = m_suggestedFile ? m_suggestedFile() : QString();
    if (!m_session.hasFile()) {
        // A new document is not offered another file's name to write over.
        const QFileInfo panel(suggested.isEmpty() ? QDir::currentPath() : suggested);
        return save && panel.isFile() ? panel.absolutePath() : panel.absoluteFilePath();
    }
    // A document with a file starts at that file (Save As) or its folder (Open), and
    // there at the panel's highlighted file when the panel shows the same folder.
    const QFileInfo document(m_session.path());
    if (save)
        return document.absoluteFilePath();
    const QFileInfo panel(suggested);
    if (!suggested.isEmpty() && panel.isFile() && panel.absolutePath() == document.absolutePath())
        return panel.absoluteFilePath();
    return document.absolutePath();
}

void DocumentCommands::open()
{
    if (!maybeSave())
        return;
    const std::optional<QString> path = m_platform.askOpenPath(
        m_parent, QCoreApplication::translate("DocumentCommands", "ファイルを開く"), dialogStart(false));
    if (!path)
        return;
    load(*path);
}

bool DocumentCommands::openFile(const QString &path)
{
    return maybeSave() && load(path);
}

bool DocumentCommands::load(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    emit folderChosen(path.left(slash + 1));
    emit captionChanged(path.mid(slash + 1));

    ProgressWindow progress(m_parent, QCoreApplication::translate("DocumentCommands", "読み込んでいます..."));
    const MappedLargeBlocks mapped; // the peak of a load: bytes, text and document
    const Result<LoadedText> loaded = m_session.read(path, &progress);
    if (!loaded) {
        // The document stays with its own file: a following Save writes there.
        updateCaption();
        if (loaded.error().kind != ErrorKind::Cancelled)
            showDocumentError(m_platform, m_parent, loaded.error());
        return false;
    }
    progress.setCancellable(false);
    m_editor->setText(loaded->text, &progress);
    m_editor->setSelectionStart(0);
    m_session.setLoaded(path, loaded->encoding);
    showLoaded(loaded->text);
    if (!loaded->overruledDeclaration.isEmpty()) {
        emit statusMessage(
            QCoreApplication::translate("DocumentCommands", "本文の宣言（%1）はファイルの中身と合わないため、%2 として読み込みました。")
                .arg(QString::fromLatin1(loaded->overruledDeclaration),
                     encodingDisplayName(loaded->encoding)));
    }
    emit fileUsed(path);
    offerUnsavedCopies();
    return true;
}

void DocumentCommands::showLoaded(const QString &text)
{
    emit documentShown(text);
    emit hasFileChanged(true);
    updateCaption();
}

bool DocumentCommands::writeTo(const QString &path, const FileIdentity &seen)
{
    QString text = m_editor->text();
    if (!declarationAllowsSave(text))
        return false;
    const Result<QByteArray> encoded = m_session.encode(text);
    if (!encoded) {
        showDocumentError(m_platform, m_parent, encoded.error());
        return false;
    }
    const qint64 limit = m_session.loadLimit();
    if (encoded->size() > limit) {
        const QString prompt = QCoreApplication::translate("DocumentCommands", "保存すると %1 バイトになり、このプログラムで"
                                              "開ける大きさ（%2 バイトまで）を超えます。")
                                   .arg(encoded->size())
                                   .arg(limit)
            + kNewLine + QCoreApplication::translate("DocumentCommands", "保存しますか？");
        if (m_platform.showMessage(m_parent, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    if (isReadOnlyForOwner(path)) {
        const QString prompt = fileNameOfPath(path) + QCoreApplication::translate("DocumentCommands", "　は読み取り専用です。")
            + kNewLine + QCoreApplication::translate("DocumentCommands", "上書きしますか？");
        if (m_platform.showMessage(m_parent, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    // The file must still be the one seen before the questions.
    if (const Result<void> saved = m_session.save(path, *encoded, seen); !saved) {
        showDocumentError(m_platform, m_parent, saved.error());
        return false;
    }
    emit documentShown(text);
    // The kept copy has done its work once its text is saved.
    if (!m_recoveredCopy.isEmpty())
        QFile::remove(std::exchange(m_recoveredCopy, QString()));
    return true;
}

bool DocumentCommands::confirmOverwriteOnDisk(FileIdentity *approved)
{
    const DocumentSession::DiskChange change = m_session.diskChange(approved);
    if (change == DocumentSession::DiskChange::None)
        return true;
    const QString name = m_session.fileName();
    if (change == DocumentSession::DiskChange::Removed) {
        return m_platform.askTwoWay(m_parent, kProgramTitle,
                                    name + QCoreApplication::translate("DocumentCommands", "　は削除されたか、移動されました。")
                                        + kNewLine + QCoreApplication::translate("DocumentCommands", "作成し直しますか？"),
                                    QCoreApplication::translate("DocumentCommands", "作成し直す"), QCoreApplication::translate("DocumentCommands", "キャンセル"));
    }
    return m_platform.askTwoWay(m_parent, kProgramTitle,
                                name
                                    + QCoreApplication::translate("DocumentCommands", "　は他のプログラムによって変更されています。")
                                    + kNewLine + QCoreApplication::translate("DocumentCommands", "上書きしますか？"),
                                QCoreApplication::translate("DocumentCommands", "上書き"), QCoreApplication::translate("DocumentCommands", "保存しない"));
}

void DocumentCommands::offerReload()
{
    FileIdentity now;
    if (m_offeringReload || !m_session.reloadOffered(&now))
        return;
    QScopedValueRollback guard(m_offeringReload, true);
    const QString prompt = m_session.fileName()
        + QCoreApplication::translate("DocumentCommands", "　は他のプログラムによって変更されました。") + kNewLine
        + QCoreApplication::translate("DocumentCommands", "読み込み直しますか？");
    if (m_platform.showMessage(m_parent, QMessageBox::Question, kProgramTitle, prompt,
                               QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes) {
        m_session.declineReload(now);
        return;
    }
    // The document may have changed while the question was up.
    if (!m_session.isModified())
        load(m_session.path());
}

void DocumentCommands::save()
{
    FileIdentity approved;
    if (!confirmOverwriteOnDisk(&approved) || !writeTo(m_session.path(), approved))
        return;
    updateCaption();
}

void DocumentCommands::saveAs()
{
    const std::optional<QString> chosen = m_platform.askSavePath(
        m_parent, QCoreApplication::translate("DocumentCommands", "名前を付けて保存"), dialogStart(true));
    if (!chosen)
        return; // a cancel is no failure
    // The document keeps its path until the new file is really written.
    const QString path = *chosen;
    if (!writeTo(path, fileIdentity(path)))
        return;
    emit hasFileChanged(true);
    updateCaption();
    emit fileUsed(path);
}

bool DocumentCommands::declarationAllowsSave(QString &text)
{
    const QByteArray declared = m_session.contradictingDeclaration(text);
    if (declared.isEmpty())
        return true;
    const TextEncoding encoding = m_session.encoding();
    const QString prompt
        = QCoreApplication::translate("DocumentCommands", "本文の文字コードの宣言（%1）が、保存する文字コード（%2）と違います。")
              .arg(QString::fromLatin1(declared), encodingDisplayName(encoding))
        + kNewLine + QCoreApplication::translate("DocumentCommands", "宣言を直して保存しますか？");
    const int answer
        = m_platform.askThreeWay(m_parent, kProgramTitle, prompt,
                                 {QCoreApplication::translate("DocumentCommands", "宣言を直す"), QCoreApplication::translate("DocumentCommands", "このまま保存"),
                                  QCoreApplication::translate("DocumentCommands", "キャンセル")});
    if (answer == 0 && fixDeclarations(encoding.name) > 0)
        text = m_editor->text();
    return answer != 2;
}

int DocumentCommands::fixDeclarations(const QByteArray &encoding)
{
    const QString text = m_editor->text();
    const DeclarationRewrite rewrite = rewriteDeclarations(text, encoding);
    if (rewrite.isEmpty())
        return 0;
    // One write: one undo step. The caret stays where it was in the text.
    const int caret = m_editor->selectionStart();
    m_editor->setSelectionStart(int(rewrite.start));
    m_editor->setSelectionLength(int(rewrite.length));
    m_editor->replaceSelection(rewrite.replacement);
    const int shift = int(rewrite.replacement.size() - rewrite.length);
    m_editor->setSelectionStart(caret >= rewrite.start + rewrite.length
                              ? caret + shift
                              : qMin<int>(caret, int(rewrite.start)));
    return rewrite.count;
}

void DocumentCommands::reopenAs(const TextEncoding &encoding)
{
    if (!m_session.hasFile())
        return;
    if (m_session.isModified()) {
        const QString prompt = m_session.fileName() + QCoreApplication::translate("DocumentCommands", "　の内容は更新されています。")
            + kNewLine
            + QCoreApplication::translate("DocumentCommands", "変更を捨てて、%1 で開き直しますか？")
                  .arg(encodingDisplayName(encoding));
        if (m_platform.showMessage(m_parent, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }
    const Result<LoadedText> reread = m_session.readAs(encoding);
    if (!reread) {
        showDocumentError(m_platform, m_parent, reread.error());
        return;
    }
    m_editor->setText(reread->text);
    m_editor->setSelectionStart(0);
    m_session.setLoaded(m_session.path(), reread->encoding);
    showLoaded(reread->text);
}

void DocumentCommands::convertTo(const TextEncoding &encoding)
{
    const QString text = m_editor->text();
    if (const Result<QByteArray> converted = encodeDocument(text, encoding); !converted) {
        showConversionError(m_platform, m_parent, converted.error(), encodingDisplayName(encoding));
        return;
    }
    if (encoding == m_session.encoding())
        return;
    // The file still holds the old encoding: the document counts as changed.
    m_session.convertTo(encoding);
    // The page's declarations name the new encoding, or browsers read it as the old.
    const int fixed = fixDeclarations(encoding.name);
    emit documentShown(fixed > 0 ? m_editor->text() : text);
    updateCaption();
    emit statusMessage(
        fixed > 0 ? QCoreApplication::translate("DocumentCommands", "文字コードを %1 に変換し、宣言 %2 か所を書き換えました。")
                        .arg(encodingDisplayName(encoding))
                        .arg(fixed)
                  : QCoreApplication::translate("DocumentCommands", "文字コードを %1 に変換しました。")
                        .arg(encodingDisplayName(encoding)));
}
