#include "toolerrors.h"

#include "core/errortext.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace {

// The kinds the window tells about as a document's failure: what went wrong and
// what became of the file.
bool isDocumentKind(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::TooLarge:
    case ErrorKind::OutOfMemory:
    case ErrorKind::UnknownEncoding:
    case ErrorKind::BadEncoding:
    case ErrorKind::NotText:
    case ErrorKind::NoEncodingFits:
    case ErrorKind::NotReversible:
    case ErrorKind::Unencodable:
    case ErrorKind::NotARegularFile:
    case ErrorKind::UndecodableName:
    case ErrorKind::ChangedOnDisk:
    case ErrorKind::NoSpace:
    case ErrorKind::NoBackup:
    case ErrorKind::WriteRolledBack:
    case ErrorKind::WriteLeftBackup:
        return true;
    default:
        return false;
    }
}

} // namespace

QString errorReason(const Error &error)
{
    const QString system = error.systemCode ? QString::fromLocal8Bit(std::strerror(error.systemCode))
                                            : error.detail;
    if (error.kind == ErrorKind::Refused) {
        if (error.systemCode == EISDIR)
            return QCoreApplication::translate("rubello-ruby", "フォルダーです (-r で中のページに振ります)");
        if (error.systemCode == ELOOP)
            return QCoreApplication::translate("rubello-ruby", "リンクがたどってきたフォルダーに戻ります");
        if (error.systemCode == EXDEV)
            return QCoreApplication::translate("rubello-ruby", "指定したフォルダーの外へのリンクです (たどりません)");
        return system;
    }
    // A page changed under the tool is left as the other program wrote it.
    if (error.kind == ErrorKind::ChangedOnDisk)
        return error.writing
            ? QCoreApplication::translate("rubello-ruby", "書いている間にほかのプログラムが変更したため、置き換えていません")
            : QCoreApplication::translate("rubello-ruby", "読んでいる間にほかのプログラムが変更しました");
    // The user's readings: the tools go on without them.
    if (error.kind == ErrorKind::Damaged)
        return QCoreApplication::translate("rubello-ruby", "読みの修正ファイル %1 が壊れているため、使わずに続けます (%2)")
            .arg(error.path,
                 error.line > 0 ? QCoreApplication::translate("rubello-ruby", "%1 行目").arg(error.line)
                     : error.systemCode == EFBIG
                     ? QCoreApplication::translate("rubello-ruby", "大きすぎます")
                     : error.systemCode == EILSEQ
                     ? QCoreApplication::translate("rubello-ruby", "UTF-8 ではありません")
                     : error.detail);
    // The window's sentences, on one line.
    if (isDocumentKind(error.kind)) {
        Error said = error;
        if (said.detail.isEmpty())
            said.detail = system;
        return documentErrorSentence(said).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
    }
    const QString sentence = errorSentence(error);
    if (sentence.isEmpty() || system.isEmpty() || errorSentenceIsWhole(error.kind))
        return sentence.isEmpty() ? system : sentence;
    return sentence + QStringLiteral(" (") + system + QLatin1Char(')');
}
