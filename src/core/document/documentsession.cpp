#include "core/document/documentsession.h"

#include "core/document/declarations.h"
#include "core/paths.h"

DocumentSession::DocumentSession(std::function<QByteArray()> systemCodePage, QObject *parent)
    : QObject(parent)
{
    setSystemCodePage(std::move(systemCodePage));
    startNew();
}

void DocumentSession::setSystemCodePage(std::function<QByteArray()> systemCodePage)
{
    if (!systemCodePage)
        systemCodePage = [] { return QByteArrayLiteral("UTF-8"); };
    m_systemCodePage = std::move(systemCodePage);
}

void DocumentSession::followModified()
{
    const bool modified = isModified();
    if (modified == m_shownModified)
        return;
    m_shownModified = modified;
    emit modifiedChanged(modified);
}

quint64 DocumentSession::record(EditStep step)
{
    const quint64 serial = m_history.record(std::move(step));
    followModified();
    return serial;
}

const EditStep *DocumentSession::undo()
{
    const EditStep *step = m_history.undo();
    followModified();
    return step;
}

const EditStep *DocumentSession::redo()
{
    const EditStep *step = m_history.redo();
    followModified();
    return step;
}

void DocumentSession::clearHistory()
{
    m_history.clear();
    followModified();
}

QString DocumentSession::fileName() const
{
    return fileNameOfPath(m_path);
}

TextEncoding DocumentSession::encoding() const
{
    if (m_encoding.isSystem())
        return {m_systemCodePage(), false};
    return m_encoding;
}

bool DocumentSession::isModified() const
{
    return m_converted || !m_history.isClean();
}

void DocumentSession::startNew()
{
    m_hasFile = false;
    m_encoding = {};
    m_converted = false;
    m_history.setClean();
    followModified();
}

Result<LoadedText> DocumentSession::read(const QString &path, Progress *progress) const
{
    return openDocumentFile(path, m_systemCodePage(), m_loadLimit, progress);
}

Result<LoadedText> DocumentSession::readAs(const TextEncoding &encoding) const
{
    return openDocumentFileAs(m_path, encoding);
}

void DocumentSession::setLoaded(const QString &path, const TextEncoding &encoding)
{
    m_path = path;
    m_hasFile = true;
    m_encoding = encoding;
    m_converted = false;
    m_identity = fileIdentity(path);
    m_reloadDeclined = FileIdentity();
    m_history.setClean();
    followModified();
}

QByteArray DocumentSession::contradictingDeclaration(const QString &text) const
{
    const QByteArray declared = declaredLabel(text);
    if (declared.isEmpty() || declarationAgrees(declared, encoding().name))
        return {};
    return declared;
}

Result<QByteArray> DocumentSession::encode(const QString &text) const
{
    return encodeDocument(text, encoding());
}

Result<void> DocumentSession::save(const QString &path, const QByteArray &bytes,
                                   const FileIdentity &seen)
{
    const Result<FileIdentity> written = saveBytesSafely(path, bytes, &seen);
    if (!written)
        return std::unexpected(written.error());
    m_path = path;
    m_hasFile = true;
    m_converted = false;
    m_identity = *written;
    m_reloadDeclined = FileIdentity();
    m_history.setClean();
    followModified();
    return {};
}

DocumentSession::DiskChange DocumentSession::diskChange(FileIdentity *now) const
{
    *now = fileIdentity(m_path);
    if (!m_identity.exists)
        return DiskChange::None;
    // What is no file now (a folder, a FIFO) is refused by the write itself.
    if (*now == m_identity || (now->exists && !now->regular))
        return DiskChange::None;
    return now->exists ? DiskChange::Changed : DiskChange::Removed;
}

bool DocumentSession::reloadOffered(FileIdentity *now) const
{
    if (isModified() || !m_hasFile || !m_identity.exists)
        return false;
    const FileIdentity seen = fileIdentity(m_path);
    if (now)
        *now = seen;
    return seen.exists && seen != m_identity && seen != m_reloadDeclined;
}

void DocumentSession::declineReload(const FileIdentity &seen)
{
    m_reloadDeclined = seen;
}

void DocumentSession::convertTo(const TextEncoding &encoding)
{
    m_encoding = encoding;
    m_converted = true;
    followModified();
}
