#include "ui/errorbox.h"

#include "ui/platform.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

QString errorBoxTitle(int number)
{
    return QStringLiteral("エラーナンバー： ") + QString::number(number);
}

QString errorMessage(const Error &error)
{
    const char *sentence = nullptr;
    switch (error.kind) {
    case ErrorKind::NotFound:
        sentence = QT_TRANSLATE_NOOP("Error", "見つかりません。");
        break;
    case ErrorKind::PermissionDenied:
        sentence = QT_TRANSLATE_NOOP("Error", "アクセスが許可されていません。");
        break;
    case ErrorKind::NotARegularFile:
        sentence = QT_TRANSLATE_NOOP("Error", "通常のファイルではありません。");
        break;
    case ErrorKind::TooLarge:
        sentence = QT_TRANSLATE_NOOP("Error", "大きすぎます。");
        break;
    case ErrorKind::NoSpace:
        sentence = QT_TRANSLATE_NOOP("Error", "ディスクの空きが足りません。");
        break;
    case ErrorKind::ReadFailed:
        sentence = QT_TRANSLATE_NOOP("Error", "読み込めませんでした。");
        break;
    case ErrorKind::WriteFailed:
        sentence = QT_TRANSLATE_NOOP("Error", "書き込めませんでした。");
        break;
    case ErrorKind::ChangedOnDisk:
        sentence = QT_TRANSLATE_NOOP("Error", "ファイルがほかのプログラムで変更されています。");
        break;
    case ErrorKind::BadEncoding:
    case ErrorKind::Unencodable:
        sentence = QT_TRANSLATE_NOOP("Error", "文字コードが合いません。");
        break;
    case ErrorKind::DictionaryMissing:
        sentence = QT_TRANSLATE_NOOP("Error", "読みの辞書が見つかりません。");
        break;
    case ErrorKind::AnalysisFailed:
        sentence = QT_TRANSLATE_NOOP("Error", "読みを調べられませんでした。");
        break;
    case ErrorKind::Damaged:
        sentence = QT_TRANSLATE_NOOP("Error", "ファイルが壊れています。");
        break;
    case ErrorKind::ReadOnly:
        sentence = QT_TRANSLATE_NOOP("Error", "書き込みが禁止されています。");
        break;
    case ErrorKind::Busy:
        sentence = QT_TRANSLATE_NOOP("Error", "ほかのプログラムが使用中です。");
        break;
    case ErrorKind::Refused:
    case ErrorKind::Cancelled:
        break;
    }
    const QString said = sentence ? QCoreApplication::translate("Error", sentence) : QString();
    if (said.isEmpty() || error.detail.isEmpty())
        return said + error.detail;
    return said + QStringLiteral("\n") + error.detail;
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
    case ErrorKind::Damaged: {
        QString why = error.detail;
        if (error.systemCode == EFBIG)
            why = QCoreApplication::translate("Error", "大きすぎます");
        else if (error.systemCode == EILSEQ)
            why = QCoreApplication::translate("Error", "UTF-8 ではありません");
        else if (error.position >= 0)
            why = QCoreApplication::translate("Error", "%1 行目").arg(error.position);
        text = QCoreApplication::translate(
                   "Error", "読みの修正ファイル %1 を読めないため、使わずに続けます (%2)。")
                   .arg(path, why);
        platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.systemCode),
                             text, QMessageBox::Ok);
        return;
    }
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

void showErrorBox(PlatformServices &platform, QWidget *parent, const ErrorReport &error)
{
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.number),
                         error.description, QMessageBox::Ok);
}
