#include "ui/errorbox.h"

#include "ui/platform.h"

#include <QCoreApplication>

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
