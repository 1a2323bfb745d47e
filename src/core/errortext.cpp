#include "core/errortext.h"

#include "core/document/documentfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

// The sentences about documents, in the context of the other error texts.
class DocumentErrors
{
    Q_DECLARE_TR_FUNCTIONS(Error)

public:
    static QString text(const Error &error);

private:
    static QString fileTypeName(FileType type);
    static QString tooLarge(const Error &error);
};

QString DocumentErrors::fileTypeName(FileType type)
{
    switch (type) {
    case FileType::Fifo:
        return tr("名前付きパイプ");
    case FileType::Socket:
        return tr("ソケット");
    case FileType::Device:
        return tr("デバイス");
    case FileType::Other:
        break;
    }
    return tr("特殊なファイル");
}

QString DocumentErrors::tooLarge(const Error &error)
{
    QStringList parts;
    if (error.size >= 0)
        parts << tr("%1 バイト").arg(error.size);
    if (error.limit >= 0)
        parts << tr("開けるのは %1 バイトまで").arg(error.limit);
    if (parts.isEmpty())
        return errorSentence(error); // nothing measured: the kind says it
    return tr("ファイルが大きすぎるため開けません（%1）。").arg(parts.join(tr("、")));
}

QString DocumentErrors::text(const Error &error)
{
    const QString notRead = tr("ファイルは読み込まれていません。");
    const QString notWritten = tr("ファイルは書き込まれていません。");
    const QString encoding = error.encodings.value(0);
    const QString character = describeCharacter(error.character);
    switch (error.kind) {
    case ErrorKind::TooLarge:
        return tooLarge(error);
    case ErrorKind::OutOfMemory:
        return error.writing ? tr("メモリが足りないため、書き込めません。")
                             : tr("メモリが足りないため、このファイルを開けません。");
    case ErrorKind::UnknownEncoding:
        return tr("文字コード %1 はこのシステムでは使えません。").arg(encoding);
    case ErrorKind::BadEncoding:
        return tr("文字コード %1 の文字として読めないバイトがあります（オフセット %2）。")
                   .arg(encoding)
                   .arg(error.position)
            + QLatin1Char('\n') + notRead;
    case ErrorKind::NotText:
        return tr("テキストではないファイルは開けません（先頭の 8 KB に NUL バイトがあります）。")
            + QLatin1Char('\n') + notRead;
    case ErrorKind::NoEncodingFits: {
        const QString where = error.position < 0
            ? QString()
            : tr("UTF-8 として読めないバイトはオフセット %1。").arg(error.position);
        return tr("どの文字コードでも読めないファイルです（試した文字コード：%1）。")
                   .arg(error.encodings.join(tr("、")))
            + where + QLatin1Char('\n') + notRead;
    }
    case ErrorKind::NotReversible:
        return tr("%1 行目の文字 %2 は文字コード %3 で読めても書き戻せません。")
                   .arg(error.line)
                   .arg(character, encoding)
            + QLatin1Char('\n') + notRead;
    case ErrorKind::Unencodable:
        return tr("%1 行目の文字 %2 は文字コード %3 で表せません。")
                   .arg(error.line)
                   .arg(character, encoding)
            + QLatin1Char('\n') + notWritten;
    case ErrorKind::NotARegularFile:
        return tr("%1 は通常のファイルではありません（%2）。")
                   .arg(QFileInfo(error.path).fileName(), fileTypeName(error.fileType))
            + QLatin1Char('\n')
            + (error.writing ? notWritten : tr("開けるのは通常のファイルだけです。"));
    case ErrorKind::UndecodableName:
        return error.path + QLatin1Char('\n')
            + tr("このファイル名は文字として正しく読めないため、開くことも保存することもできません。");
    case ErrorKind::ChangedOnDisk:
        return tr("%1　は他のプログラムによって変更されています。")
                   .arg(QFileInfo(error.path).fileName())
            + QLatin1Char('\n') + notWritten;
    case ErrorKind::NoSpace:
        return error.detail + QLatin1Char('\n')
            + tr("空き容量が足りないため、ファイルは書き込まれていません。");
    case ErrorKind::NoBackup:
        return error.detail + QLatin1Char('\n')
            + tr("元のファイルの写しを作れなかったため、ファイルは書き込まれていません。");
    case ErrorKind::WriteRolledBack:
        return error.detail + QLatin1Char('\n') + tr("ファイルは元のままです。");
    case ErrorKind::WriteLeftBackup:
        return error.detail + QLatin1Char('\n')
            + tr("元のファイルの写しは %1 に残してあります。").arg(error.path);
    default:
        if (error.systemCode == EISDIR && !error.path.isEmpty() && error.kind != ErrorKind::Refused)
            return tr("%1 はフォルダーです。").arg(QDir::toNativeSeparators(error.path))
                + QLatin1Char('\n') + (error.writing ? notWritten : notRead);
        return QString(); // no sentence of its own: the kind's, or the system's words
    }
}

} // namespace

namespace {

// The reading sources' sentences name the file and the package that brings it.
QString readingSourceSentence(const Error &error)
{
    switch (error.kind) {
    case ErrorKind::DictionaryUnusable:
        return error.encodings.isEmpty()
            ? QCoreApplication::translate("Error",
                                          "読みの辞書 %1 の形式が分からないため、読みを取り出せません。"
                                          "MeCab の IPADIC 辞書 (UTF-8 版、パッケージ "
                                          "mecab-ipadic-utf8) を入れてください。")
                  .arg(error.path)
            : QCoreApplication::translate("Error",
                                          "読みの辞書 %1 の文字コードが UTF-8 ではありません (%2)。"
                                          "MeCab の IPADIC 辞書 (UTF-8 版、パッケージ "
                                          "mecab-ipadic-utf8) を使ってください。")
                  .arg(error.path, error.encodings.first());
    case ErrorKind::KanjiDictionaryMissing:
        return QCoreApplication::translate(
                   "Error", "漢字の読みの辞書 %1 を開けません (パッケージ kanjidic): %2")
            .arg(error.path, error.detail);
    case ErrorKind::KanjiDictionaryEmpty:
        return QCoreApplication::translate("Error", "漢字の読みの辞書 %1 に読みがありません。")
            .arg(error.path);
    case ErrorKind::WordListUnreadable:
        return error.detail.isEmpty()
            ? QCoreApplication::translate("Error", "名前や珍しい語の読みの一覧 %1 に語がありません。"
                                                   "読みは一覧なしで振ります。")
                  .arg(error.path)
            : QCoreApplication::translate("Error", "名前や珍しい語の読みの一覧 %1 を開けません "
                                                   "(パッケージ skkdic): %2。読みは一覧なしで振ります。")
                  .arg(error.path, error.detail);
    default:
        return QString();
    }
}

} // namespace

QString errorSentence(const Error &error)
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
    case ErrorKind::NoBackup:
    case ErrorKind::WriteRolledBack:
    case ErrorKind::WriteLeftBackup:
        sentence = QT_TRANSLATE_NOOP("Error", "書き込めませんでした。");
        break;
    case ErrorKind::ChangedOnDisk:
        sentence = QT_TRANSLATE_NOOP("Error", "ファイルがほかのプログラムで変更されています。");
        break;
    case ErrorKind::BadEncoding:
    case ErrorKind::Unencodable:
    case ErrorKind::NotText:
    case ErrorKind::UnknownEncoding:
    case ErrorKind::NotReversible:
    case ErrorKind::NoEncodingFits:
        sentence = QT_TRANSLATE_NOOP("Error", "文字コードが合いません。");
        break;
    case ErrorKind::DictionaryMissing:
        sentence = QT_TRANSLATE_NOOP("Error",
                                     "読みの辞書を開けません。MeCab の IPADIC 辞書 (UTF-8 版、"
                                     "パッケージ mecab-ipadic-utf8) が見つかりません。");
        break;
    case ErrorKind::DictionaryUnusable:
    case ErrorKind::KanjiDictionaryMissing:
    case ErrorKind::KanjiDictionaryEmpty:
    case ErrorKind::WordListUnreadable:
        return readingSourceSentence(error);
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
    case ErrorKind::OutOfMemory:
        sentence = QT_TRANSLATE_NOOP("Error", "メモリが足りません。");
        break;
    case ErrorKind::UndecodableName:
        sentence = QT_TRANSLATE_NOOP("Error", "ファイル名を文字として正しく読めません。");
        break;
    case ErrorKind::Refused:
        // The site walk's refusals say no more than this; others come with their words.
        if (error.detail.isEmpty() && error.systemCode == EISDIR)
            sentence = QT_TRANSLATE_NOOP("Error", "フォルダーです (-r で中のページに振ります)。");
        else if (error.detail.isEmpty() && error.systemCode == ELOOP)
            sentence = QT_TRANSLATE_NOOP("Error", "リンクがたどってきたフォルダーに戻ります。");
        else if (error.detail.isEmpty() && error.systemCode == EXDEV)
            sentence = QT_TRANSLATE_NOOP("Error", "指定したフォルダーの外へのリンクです (たどりません)。");
        break;
    case ErrorKind::Cancelled:
        break;
    }
    return sentence ? QCoreApplication::translate("Error", sentence) : QString();
}


bool errorSentenceIsWhole(ErrorKind kind)
{
    return kind == ErrorKind::DictionaryUnusable || kind == ErrorKind::KanjiDictionaryMissing
        || kind == ErrorKind::KanjiDictionaryEmpty || kind == ErrorKind::WordListUnreadable;
}

QString documentErrorSentence(const Error &error)
{
    const QString said = DocumentErrors::text(error);
    return said.isNull() ? error.detail : said;
}

QString errorMessage(const Error &error)
{
    const QString said = errorSentence(error);
    if (errorSentenceIsWhole(error.kind))
        return said;
    if (said.isEmpty() || error.detail.isEmpty())
        return said + error.detail;
    return said + QStringLiteral("\n") + error.detail;
}

QString errorLine(const Error &error)
{
    // The tools name the file first: the sentence that starts with it is not repeated.
    QString said = error.kind == ErrorKind::UndecodableName ? QString() : DocumentErrors::text(error);
    if (said.isNull())
        said = errorMessage(error);
    return said.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString userReadingsErrorSentence(const Error &error)
{
    const QString path = QDir::toNativeSeparators(error.path);
    // Said while saving a correction: it lives until the window closes.
    if (error.writing)
        return QCoreApplication::translate("Error",
                                           "読みの修正ファイル %1 が壊れているため、修正を保存して"
                                           "いません。修正はこのウィンドウを閉じるまで使います。")
            .arg(path);
    QString why = error.detail;
    if (error.systemCode == EFBIG)
        why = QCoreApplication::translate("Error", "大きすぎます");
    else if (error.systemCode == EILSEQ)
        why = QCoreApplication::translate("Error", "UTF-8 ではありません");
    else if (error.line > 0)
        why = QCoreApplication::translate("Error", "%1 行目").arg(error.line);
    return QCoreApplication::translate("Error", "読みの修正ファイル %1 を読めないため、使わずに続けます (%2)。")
        .arg(path, why);
}
