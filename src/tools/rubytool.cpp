// rubello-ruby: ruby for every kanji word of an HTML page, as the editor's
// batch command writes it.

#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingrules.h"
#include "core/ruby/rubybatch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>

namespace {

const char kUsage[]
    = "使い方: rubello-ruby [オプション] [ファイル]\n"
      "HTML ファイル (省略時は標準入力) の本文の漢字の語にルビを振り、標準出力に書きます。\n"
      "タグ、属性値、コメント、<script> <style> <textarea> <title> <code> <pre> の中と\n"
      "既存の <ruby> 要素には振りません。二度かけても変わりません。\n"
      "\n"
      "  --kana hiragana|katakana|halfwidth  読みの文字 (既定 hiragana)\n"
      "  --keep-okurigana    送り仮名を省略しない\n"
      "  --per-kanji         漢字ごとに振る (読みが一通りに分けられるとき)\n"
      "  --known FILE        この文字リストの漢字だけの語には振らない\n"
      "  --attribute TEXT    <rt> に付ける属性 (例: 'style=\"font-size:7pt\"')\n"
      "  --include-code      <code> と <pre> の中にも振る\n"
      "  --encoding NAME     入出力の文字コード (既定 UTF-8)\n"
      "  -o FILE             標準出力ではなく FILE に書く (書き終えてから置き換える)\n"
      "  -h, --help          この説明\n";

int fail(const QString &message)
{
    std::fprintf(stderr, "rubello-ruby: %s\n", message.toLocal8Bit().constData());
    return 1;
}

bool readAll(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file;
    const bool opened = path.isEmpty() || path == u"-"
        ? file.open(stdin, QIODevice::ReadOnly)
        : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("%1 を開けません: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("%1 を読めません: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    RubyOptions options;
    QString input;
    QString output;
    QString knownFile;
    QByteArray encoding = "UTF-8";
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const auto value = [&](QString *into) {
            if (i + 1 >= args.size())
                return false;
            *into = args.at(++i);
            return true;
        };
        QString v;
        if (a == u"-h" || a == u"--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == u"--kana") {
            if (!value(&v))
                return fail(QStringLiteral("--kana に値がありません。"));
            if (v == u"katakana")
                options.form.kanaMode = 0;
            else if (v == u"hiragana")
                options.form.kanaMode = 1;
            else if (v == u"halfwidth")
                options.form.kanaMode = 2;
            else
                return fail(QStringLiteral("--kana は hiragana, katakana, halfwidth のどれかです: ")
                            + v);
        } else if (a == u"--keep-okurigana") {
            options.omitOkurigana = false;
        } else if (a == u"--per-kanji") {
            options.form.perKanji = true;
        } else if (a == u"--include-code") {
            options.skipCodeAndPre = false;
        } else if (a == u"--known") {
            if (!value(&knownFile))
                return fail(QStringLiteral("--known にファイルがありません。"));
        } else if (a == u"--attribute") {
            if (!value(&options.form.attribute))
                return fail(QStringLiteral("--attribute に値がありません。"));
            options.form.withAttribute = true;
        } else if (a == u"--encoding") {
            if (!value(&v))
                return fail(QStringLiteral("--encoding に値がありません。"));
            encoding = v.toLatin1();
        } else if (a == u"-o") {
            if (!value(&output))
                return fail(QStringLiteral("-o にファイルがありません。"));
        } else if (a.startsWith(u'-') && a != u"-") {
            return fail(QStringLiteral("知らないオプションです: %1 (--help を参照)").arg(a));
        } else if (input.isEmpty()) {
            input = a;
        } else {
            return fail(QStringLiteral("入力ファイルは一つだけです: %1").arg(a));
        }
    }

    // A byte-order mark is text like any other: it goes out as it came in.
    QStringDecoder decode(encoding.constData(), QStringDecoder::Flag::ConvertInitialBom);
    QStringEncoder encode(encoding.constData(), QStringEncoder::Flag::ConvertInitialBom);
    if (!decode.isValid() || !encode.isValid())
        return fail(QStringLiteral("知らない文字コードです: ") + QString::fromLatin1(encoding));

    QString error;
    QByteArray bytes;
    if (!readAll(input, &bytes, &error))
        return fail(error);
    const QString html = decode(bytes);
    if (decode.hasError())
        return fail(QStringLiteral("%1 は %2 として読めないバイトを含みます。")
                        .arg(input.isEmpty() ? QStringLiteral("標準入力") : input,
                             QString::fromLatin1(encoding)));

    if (!knownFile.isEmpty()) {
        QByteArray known;
        if (!readAll(knownFile, &known, &error))
            return fail(error);
        QStringDecoder utf8(QStringDecoder::Utf8);
        options.knownKanji = kanjiSet(utf8(known));
    }
    if (options.form.perKanji) {
        const KanjiReadings &kanji = KanjiReadings::system();
        if (kanji.isEmpty())
            return fail(kanji.error());
        options.form.kanji = &kanji;
    }

    // The readings the ruby command proposes, so a page and a word agree.
    MecabPhoneticService service;
    const PhoneticResult opened = service.reading(QStringLiteral("漢字"));
    if (!opened.ok())
        return fail(opened.error);

    const QByteArray result = encode(annotateHtml(html, proposedReadings(service), options).text);
    if (encode.hasError())
        return fail(QStringLiteral("結果を %1 で書けません。").arg(QString::fromLatin1(encoding)));

    if (output.isEmpty()) {
        if (std::fwrite(result.constData(), 1, size_t(result.size()), stdout)
                != size_t(result.size())
            || std::fflush(stdout) != 0)
            return fail(QStringLiteral("標準出力に書けません。"));
        return 0;
    }
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(result) != result.size() || !file.commit())
        return fail(QStringLiteral("%1 に書けません: %2").arg(output, file.errorString()));
    return 0;
}
