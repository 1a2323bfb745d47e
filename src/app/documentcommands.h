#pragma once

#include "core/document/documentsession.h"
#include "core/text/lineendindex.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class EditorControl;
class PlatformServices;
class QAction;
class QWidget;
struct TextEncoding;

// The File menu's document commands and the encoding commands, with the actions
// the window places in its menus: they ask the user what the session cannot
// decide and show what it reports.
class DocumentCommands : public QObject
{
    Q_OBJECT

public:
    DocumentCommands(EditorControl *editor, PlatformServices &platform, QWidget *parent);

    struct Actions
    {
        QAction *newDocument, *open, *save, *saveAs;
        QAction *newLf, *newCrLf; // the line end of new documents, one checked
        // One per choosable encoding, in the same order.
        QList<QAction *> reopen, convert;
    };
    const Actions &actions() const { return m_actions; }

    DocumentSession &session() { return m_session; }
    const DocumentSession &session() const { return m_session; }
    bool isModified() const { return m_session.isModified(); }
    // The name and the marker of a changed document, as the window shows them.
    QString caption() const;

    // Where the Open and Save As dialogs start for a document without a file.
    void setSuggestedFile(std::function<QString()> file) { m_suggestedFile = std::move(file); }
    // The line end a new document's Enter gives; the document in the window
    // takes it while it is new and empty.
    void setNewLineEnd(LineEnd end);
    LineEnd newLineEnd() const { return m_newLineEnd; }

public slots:
    void newDocument();
    void open();
    void save();
    void saveAs();
    // Asks whether a changed document is saved first: true when the command
    // asking may go on, false when it must not (cancelled, or the save did not happen).
    bool maybeSave();
    // Asks first, then reads path; false when the document stays.
    bool openFile(const QString &path);
    // Reads path without asking; a failure keeps the document as it was.
    bool load(const QString &path);
    void reopenAs(const TextEncoding &encoding);
    void convertTo(const TextEncoding &encoding);
    // Offers to read the file again when it changed on disk and the document did not.
    void offerReload();
    // Offers back the text a window ended with unsaved (NAME.unsaved) for the
    // document's file, or for a new document: open it, discard it or keep it for later.
    void offerUnsavedCopies();

signals:
    void captionChanged(const QString &caption);
    // A load shows the file's folder in the panel first.
    void folderChosen(const QString &folder);
    // After a load, a save or a conversion: the text and encoding for the status bar.
    void documentShown(const QString &text);
    void statusMessage(const QString &message);
    // Opened or saved: a recent file.
    void fileUsed(const QString &path);
    void hasFileChanged(bool hasFile);

private:
    void createActions();
    void updateCaption();
    // The file's name, or the program's title for a document without a file.
    QString documentName() const;
    // Encodes and writes the text after the questions a save may need; false when
    // nothing was written, as when the file is no longer the one seen before them.
    bool writeTo(const QString &path, const FileIdentity &seen);
    // Asks before Save writes over a file that another program changed or removed;
    // approved is the file as it was when the user was asked.
    bool confirmOverwriteOnDisk(FileIdentity *approved);
    // Asks before a save whose encoding the text's own declaration contradicts.
    // May fix the declarations at the user's word: text is then the new text.
    bool declarationAllowsSave(QString &text);
    // The page's declarations made to name the encoding, as one edit; how many.
    int fixDeclarations(const QByteArray &encoding);
    void showLoaded(const QString &text);

    EditorControl *m_editor;
    PlatformServices &m_platform;
    QWidget *m_parent;
    DocumentSession &m_session; // the editor's document's
    std::function<QString()> m_suggestedFile;
    // Where the file dialogs start: a full path, a file or a folder.
    QString dialogStart(bool save) const;
    QString m_caption; // as last shown, without the marker
    bool m_offeringReload = false;
    LineEnd m_newLineEnd = LineEnd::Lf;
    QString m_recoveredCopy; // removed once the text it gave back is saved
    Actions m_actions {};
};
