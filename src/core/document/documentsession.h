#pragma once

#include "core/document/documentfile.h"
#include "core/document/encodings.h"
#include "core/document/safesave.h"
#include "core/text/edithistory.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// The document as a file and its history: where it is, what it is written in,
// the undo history whose clean point is the file's text, whether the text is
// still the file's, and whether the file changed under it. It asks nothing; the
// window asks the user, tells it what was decided, and shows what it reports.
class DocumentSession : public QObject
{
    Q_OBJECT

public:
    // systemCodePage gives what a new document is written in (UTF-8 when not given).
    explicit DocumentSession(std::function<QByteArray()> systemCodePage = {},
                             QObject *parent = nullptr);
    void setSystemCodePage(std::function<QByteArray()> systemCodePage);

    // The text's undo history; its steps change only through the session, so that
    // the modified state follows every one of them.
    const EditHistory &history() const { return m_history; }
    // The serial of the step recorded, 0 when it joined the step before.
    quint64 record(EditStep step);
    // The step to take back or to do again; nullptr when there is none.
    const EditStep *undo();
    const EditStep *redo();
    // A change the history could not follow: no step is left, and the text is no
    // longer known to be the file's.
    void clearHistory();

    // The document's file; a new document keeps the last one's path, without a file.
    QString path() const { return m_path; }
    QString fileName() const;
    // Read from or written to path: Save writes there, Reopen reads it.
    bool hasFile() const { return m_hasFile; }
    // What a save writes: a new document the system's code page.
    TextEncoding encoding() const;
    // The text differs from the file's, or the file is to be written in another encoding.
    bool isModified() const;

    // The largest file a load accepts; a save beyond it asks first.
    qint64 loadLimit() const { return m_loadLimit; }
    void setLoadLimit(qint64 bytes) { m_loadLimit = bytes; }

    // An empty document without a file; call after the editor got its empty text.
    void startNew();
    Result<LoadedText> read(const QString &path, Progress *progress = nullptr) const;
    // The document's own file again, in the encoding given.
    Result<LoadedText> readAs(const TextEncoding &encoding) const;
    // The text read from path is in the editor now.
    void setLoaded(const QString &path, const TextEncoding &encoding);

    // Before a save: the label of a declaration in text that names another encoding.
    QByteArray contradictingDeclaration(const QString &text) const;
    Result<QByteArray> encode(const QString &text) const;
    // Writes bytes to path unless the file is no longer seen (as it was when the
    // user was asked); on success path is the document's file and the text its own.
    Result<void> save(const QString &path, const QByteArray &bytes, const FileIdentity &seen);

    // How the file on disk stands against what was last read or written.
    enum class DiskChange { None, Changed, Removed };
    // now is the file as it is, for a save the user then approves.
    DiskChange diskChange(FileIdentity *now) const;
    // The file changed on disk while the document did not, and the user has not
    // declined this change yet: a reload may be offered.
    // now, when given, is the file as it was seen.
    bool reloadOffered(FileIdentity *now = nullptr) const;
    void declineReload(const FileIdentity &seen);

    // The file is to be written in encoding from now on: the document counts as
    // changed until it is saved.
    void convertTo(const TextEncoding &encoding);

signals:
    // The text became the file's again, or stopped being it.
    void modifiedChanged(bool modified);

private:
    // Tells a change of the modified state, once.
    void followModified();

    EditHistory m_history;
    bool m_shownModified = false;
    std::function<QByteArray()> m_systemCodePage;
    QString m_path;
    bool m_hasFile = false;
    TextEncoding m_encoding; // empty: the system's code page
    bool m_converted = false;
    FileIdentity m_identity; // the file as last read or written
    FileIdentity m_reloadDeclined;
    qint64 m_loadLimit = kMaxDocumentBytes;
};
