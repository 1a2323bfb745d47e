#include "toolerrors.h"

#include "core/document/documentfile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

// Each reason is short, to follow a file's name on one line of the tools' output.
QString errorReason(const Error &error)
{
    switch (error.kind) {
    case ErrorKind::NotFound:
        return QCoreApplication::translate("rubello-ruby", "見つかりません");
    case ErrorKind::NotARegularFile:
        return QCoreApplication::translate("rubello-ruby", "通常のファイルではありません");
    case ErrorKind::TooLarge:
        return QCoreApplication::translate("rubello-ruby", "大きすぎます");
    case ErrorKind::ChangedOnDisk:
        return error.writing
            ? QCoreApplication::translate("rubello-ruby", "書いている間にほかのプログラムが変更したため、置き換えていません")
            : QCoreApplication::translate("rubello-ruby", "読んでいる間にほかのプログラムが変更しました");
    case ErrorKind::BadEncoding:
    case ErrorKind::NotText:
    case ErrorKind::NotReversible:
    case ErrorKind::NoEncodingFits:
        return QCoreApplication::translate("rubello-ruby", "テキストとして読めません");
    case ErrorKind::UnknownEncoding:
        return QCoreApplication::translate("rubello-ruby", "文字コード %1 はこのシステムでは使えません")
            .arg(error.encodings.value(0));
    case ErrorKind::Unencodable:
        return QCoreApplication::translate("rubello-ruby", "%1 行目の文字 %2 は文字コード %3 で表せません")
            .arg(error.line)
            .arg(describeCharacter(error.character), error.encodings.value(0));
    case ErrorKind::DictionaryMissing:
        return QCoreApplication::translate("rubello-ruby", "読みの辞書を開けません。MeCab の IPADIC 辞書 (UTF-8 版、パッケージ "
                              "mecab-ipadic-utf8) が必要です (%1)")
            .arg(error.detail);
    case ErrorKind::DictionaryUnusable:
        return error.encodings.isEmpty()
            ? QCoreApplication::translate("rubello-ruby", "読みの辞書 %1 の形式が分かりません (パッケージ mecab-ipadic-utf8 "
                             "が必要です)")
                  .arg(error.path)
            : QCoreApplication::translate("rubello-ruby", "読みの辞書 %1 の文字コードが UTF-8 ではありません (%2)")
                  .arg(error.path, error.encodings.first());
    case ErrorKind::KanjiDictionaryMissing:
        return QCoreApplication::translate("rubello-ruby", "漢字の読みの辞書 %1 を開けません (パッケージ kanjidic): %2")
            .arg(error.path, error.detail);
    case ErrorKind::KanjiDictionaryEmpty:
        return QCoreApplication::translate("rubello-ruby", "漢字の読みの辞書 %1 に読みがありません").arg(error.path);
    case ErrorKind::AnalysisFailed:
        return QCoreApplication::translate("rubello-ruby", "読みを取得できません: %1").arg(error.detail);
    case ErrorKind::OutOfMemory:
        return QCoreApplication::translate("rubello-ruby", "メモリが足りません");
    case ErrorKind::UndecodableName:
        return QCoreApplication::translate("rubello-ruby", "ファイル名を文字として正しく読めません");
    case ErrorKind::Damaged:
        return QCoreApplication::translate("rubello-ruby", "読みの修正ファイル %1 が壊れているため、使わずに続けます (%2)")
            .arg(error.path,
                 error.line > 0          ? QCoreApplication::translate("rubello-ruby", "%1 行目").arg(error.line)
                     : error.systemCode == EFBIG  ? QCoreApplication::translate("rubello-ruby", "大きすぎます")
                     : error.systemCode == EILSEQ ? QCoreApplication::translate("rubello-ruby", "UTF-8 ではありません")
                                                  : error.detail);
    case ErrorKind::WriteRolledBack:
        return QString::fromLocal8Bit(std::strerror(error.systemCode))
            + QCoreApplication::translate("rubello-ruby", "（ファイルは元のままです）");
    case ErrorKind::WriteLeftBackup:
        return QString::fromLocal8Bit(std::strerror(error.systemCode))
            + QCoreApplication::translate("rubello-ruby", "（元のファイルの写しは %1 に残してあります）").arg(error.path);
    case ErrorKind::Refused:
        if (error.systemCode == EISDIR)
            return QCoreApplication::translate("rubello-ruby", "フォルダーです (-r で中のページに振ります)");
        if (error.systemCode == ELOOP)
            return QCoreApplication::translate("rubello-ruby", "リンクがたどってきたフォルダーに戻ります");
        if (error.systemCode == EXDEV)
            return QCoreApplication::translate("rubello-ruby", "指定したフォルダーの外へのリンクです (たどりません)");
        break;
    default:
        break;
    }
    return error.systemCode ? QString::fromLocal8Bit(std::strerror(error.systemCode))
                            : error.detail;
}
