#include "ui/errorbox.h"

#include "ui/platform.h"

#include "core/document/documentfile.h"
#include "core/errortext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

QString errorBoxTitle(int number)
{
    // A number tells a user nothing: the title names what went wrong.
    const char *name = nullptr;
    switch (number) {
    case ENOENT:
        name = QT_TRANSLATE_NOOP("Error", "ファイルが見つかりません");
        break;
    case EACCES:
    case EPERM:
        name = QT_TRANSLATE_NOOP("Error", "アクセスが許可されていません");
        break;
    case EISDIR:
        name = QT_TRANSLATE_NOOP("Error", "フォルダーです");
        break;
    case ENOTDIR:
        name = QT_TRANSLATE_NOOP("Error", "フォルダーではありません");
        break;
    case ENOSPC:
    case EDQUOT:
        name = QT_TRANSLATE_NOOP("Error", "ディスクの空きが足りません");
        break;
    case EROFS:
        name = QT_TRANSLATE_NOOP("Error", "書き込みが禁止されています");
        break;
    case EFBIG:
        name = QT_TRANSLATE_NOOP("Error", "ファイルが大きすぎます");
        break;
    case EBUSY:
    case ETXTBSY:
        name = QT_TRANSLATE_NOOP("Error", "ほかのプログラムが使用中です");
        break;
    case EIO:
        name = QT_TRANSLATE_NOOP("Error", "読み書きに失敗しました");
        break;
    case ENAMETOOLONG:
        name = QT_TRANSLATE_NOOP("Error", "ファイル名が長すぎます");
        break;
    case ENOMEM:
        name = QT_TRANSLATE_NOOP("Error", "メモリが足りません");
        break;
    case ESTALE:
        name = QT_TRANSLATE_NOOP("Error", "ファイルが変更されています");
        break;
    case EILSEQ:
        name = QT_TRANSLATE_NOOP("Error", "文字コードが合いません");
        break;
    default:
        break;
    }
    if (name)
        return QCoreApplication::translate("Error", name);
    return number > 0 ? QString::fromLocal8Bit(std::strerror(number))
                      : QCoreApplication::translate("Error", "エラー");
}

void showErrorMessage(PlatformServices &platform, QWidget *parent, const Error &error)
{
    if (error.kind == ErrorKind::Refused) {
        platform.showMessage(parent, QMessageBox::Information,
                             QCoreApplication::applicationName(), error.detail, QMessageBox::Ok);
        return;
    }
    const QString title = error.systemCode ? errorBoxTitle(error.systemCode)
                                           : QCoreApplication::applicationName();
    platform.showMessage(parent, QMessageBox::Warning, title, errorMessage(error),
                         QMessageBox::Ok);
}

void showSystemError(PlatformServices &platform, QWidget *parent, const Error &error)
{
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode),
                         error.detail, QMessageBox::Ok);
}

void showUserReadingsError(PlatformServices &platform, QWidget *parent, const Error &error)
{
    const QString path = QDir::toNativeSeparators(error.path);
    QString text;
    switch (error.kind) {
    case ErrorKind::Damaged:
        platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode),
                             userReadingsErrorSentence(error), QMessageBox::Ok);
        return;
    case ErrorKind::Refused: // a word no line of the file can hold
        text = QCoreApplication::translate("Error", "この語の読みは記憶できません: ")
            + error.detail;
        break;
    case ErrorKind::PermissionDenied: // the folder could not be made
        text = QCoreApplication::translate("Error", "フォルダーを作れません: ") + error.path;
        break;
    case ErrorKind::ReadOnly:
        text = QCoreApplication::translate("Error", "書き込みが禁止されています: ") + path;
        break;
    case ErrorKind::Busy:
        text = QCoreApplication::translate("Error", "読みの修正ファイルが使用中です: ") + path;
        break;
    default:
        text = error.detail;
        break;
    }
    // Said as it always was: the kind's sentence, then what went wrong where.
    const bool denied = error.kind == ErrorKind::PermissionDenied
        || error.kind == ErrorKind::ReadOnly;
    showErrorMessage(platform, parent,
                     {denied ? ErrorKind::PermissionDenied : ErrorKind::WriteFailed, text,
                      error.systemCode});
}

void showClipboardError(PlatformServices &platform, QWidget *parent, const Error &error)
{
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode),
                         QCoreApplication::translate("Error",
                                                     "クリップボードに書き込めませんでした。"),
                         QMessageBox::Ok);
}

void showPreviewError(PlatformServices &platform, QWidget *parent, const Error &error)
{
    if (error.systemCode != 0) {
        showErrorMessage(platform, parent, error);
        return;
    }
    const QString refusal = error.kind == ErrorKind::NotARegularFile
        ? QCoreApplication::translate("Error",
                                      "プレビューファイルの場所に、自分の通常のファイルではないもの"
                                      "（リンク、フォルダー、ほかのユーザーのファイルなど）が"
                                      "あるため、書き込みませんでした。")
        : QCoreApplication::translate("Error",
                                      "プレビュー用のフォルダーが、自分のフォルダーではありません"
                                      "（リンクまたはほかのユーザーのもの）。");
    platform.showMessage(parent, QMessageBox::Information, QStringLiteral("Rubello"),
                         refusal + QStringLiteral("\n") + error.detail, QMessageBox::Ok);
}

QString documentErrorText(const Error &error)
{
    return documentErrorSentence(error);
}

void showDocumentError(PlatformServices &platform, QWidget *parent, const Error &error)
{
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode),
                         documentErrorText(error), QMessageBox::Ok);
}

void showConversionError(PlatformServices &platform, QWidget *parent, const Error &error,
                         const QString &encodingName)
{
    if (error.kind != ErrorKind::Unencodable || error.position < 0) {
        showDocumentError(platform, parent, error);
        return;
    }
    const QString text
        = QCoreApplication::translate("Error",
                                      "%1 行目の文字 %2 は文字コード %3 で表せないため、変換できません。")
              .arg(error.line)
              .arg(describeCharacter(error.character), encodingName);
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode), text,
                         QMessageBox::Ok);
}
