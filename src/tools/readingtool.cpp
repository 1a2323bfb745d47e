// rubello-reading: readings of UTF-8 lines read on standard input, from the
// reading engine that F5 and whole-page ruby use.

#include "core/errortext.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/ruby/rubytext.h"
#include "core/text/kana.h"
#include "core/translation.h"
#include "core/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

QString confidenceMark(const ReadingRun &run)
{
    switch (run.confidence) {
    case ReadingConfidence::Unsure:
        return QStringLiteral("?");
    case ReadingConfidence::Guessed:
        return QStringLiteral("??");
    case ReadingConfidence::Sure:
        break;
    }
    return QString();
}

// A line longer than this is refused, never read into memory whole.
constexpr size_t kMaxLine = 1024 * 1024;
// A regular file larger than this on standard input is refused.
constexpr qint64 kMaxInput = 512LL * 1024 * 1024;

enum class Mode { Whole, Context, Candidates, Runs };

void fail(const QString &message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "rubello-reading: %s\n", message.toLocal8Bit().constData());
}

// The next line of standard input without its line end; false at the end or
// when the line is too long (*tooLong set).
bool nextLine(std::string &line, bool *tooLong)
{
    line.clear();
    *tooLong = false;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (line.size() >= kMaxLine) {
            *tooLong = true;
            return false;
        }
        line.push_back(char(c));
    }
    if (c == EOF && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}


// What is printed for a line of input in mode, readings in form; marked: runs
// with their confidence.
Result<QString> readLine(ReadingEngine &engine, Mode mode, KanaForm form, bool marked,
                         const QString &text)
{
    if (mode == Mode::Runs) {
        const Result<QList<ReadingRun>> found = engine.readKanjiRuns(text);
        if (!found)
            return std::unexpected(found.error());
        QStringList pairs;
        for (const ReadingRun &run : *found)
            pairs.append(text.sliced(run.start, run.length) + QLatin1Char('=')
                         + kanaForm(run.reading, form) + (marked ? confidenceMark(run) : QString()));
        return pairs.join(QLatin1Char(' '));
    }
    const QStringList parts = text.split(QLatin1Char('\t'));
    // A line without tabs is a selection with nothing around it.
    QString before, selection = text, after;
    if (mode != Mode::Whole && parts.size() >= 3) {
        before = parts.at(0);
        selection = parts.at(1);
        after = parts.mid(2).join(QLatin1Char('\t'));
    } else if (mode != Mode::Whole && parts.size() == 2) {
        selection = parts.at(1);
    }
    const Result<ReadingRun> found
        = engine.readSpan(before + selection + after, before.size(), selection.size());
    if (!found)
        return std::unexpected(found.error());
    QStringList readings = mode == Mode::Candidates ? found->candidates : QStringList {found->reading};
    for (QString &reading : readings)
        reading = kanaForm(reading, form);
    return readings.join(QLatin1Char('\t'));
}

struct Options
{
    Mode mode = Mode::Whole;
    KanaForm form = KanaForm::Katakana;
    bool confidence = false;
    QStringList without; // stages left out
    QString userFile; // empty: none
};

// The command line, or nothing when it is wrong (said on standard error).
std::optional<Options> parseOptions()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("rubello-reading", "標準入力の各行 (UTF-8) の読みを、F5 と一括ルビと同じ読みの仕組みで出力します。\n"
        "指定なしでは行全体の読みを全角カタカナで出力します。"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption context(
        QStringLiteral("context"),
        QCoreApplication::translate("rubello-reading", "行は「前の文<TAB>選択<TAB>後の文」。選択を文の中で読んだ読みを出力します"));
    const QCommandLineOption candidates(
        QStringLiteral("candidates"),
        QCoreApplication::translate("rubello-reading", "--context と同じ入力から、読みの候補を提案順に TAB 区切りで出力します"));
    const QCommandLineOption runs(
        QStringLiteral("runs"),
        QCoreApplication::translate("rubello-reading", "各行の漢字の並びを、一括ルビが読むとおり「漢字=よみ」(ひらがな) の"
                       "空白区切りで出力します"));
    const QCommandLineOption user(
        QStringList {QStringLiteral("user-readings")},
        QCoreApplication::translate("rubello-reading", "読みの修正ファイル (既定: %1)").arg(UserReadings::standardPath()),
        QStringLiteral("file"));
    const QCommandLineOption noUser(QStringLiteral("no-user-readings"),
                                    QCoreApplication::translate("rubello-reading", "読みの修正ファイルを使いません"));
    const QCommandLineOption confidence(
        QStringLiteral("confidence"),
        QCoreApplication::translate("rubello-reading", "--runs で、確かでない読みに ? (読みが割れる語)、推測した読みに ?? "
                       "(辞書にない語) を付けます"));
    const QCommandLineOption without(
        QStringLiteral("without"),
        QCoreApplication::translate("rubello-reading", "読みの規則の段をひとつ外して読みます (評価用: okurigana, numbers, unknown, wordlist, "
                       "homographs, joining, fixed, ranking, stated, user)"),
        QStringLiteral("stage"));
    const QCommandLineOption kana(
        QStringLiteral("kana"),
        QCoreApplication::translate("rubello-reading", "読みの文字 (既定: katakana、--runs では hiragana)"),
        QStringLiteral("hiragana|katakana|halfwidth|romaji|romaji-ou"));
    parser.addOptions({context, candidates, runs, confidence, without, user, noUser, kana});
    parser.process(QCoreApplication::arguments());
    if (!parser.positionalArguments().isEmpty()
        || int(parser.isSet(context)) + int(parser.isSet(candidates)) + int(parser.isSet(runs))
            > 1) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return std::nullopt;
    }
    Options options;
    const Mode mode = parser.isSet(context) ? Mode::Context
        : parser.isSet(candidates)          ? Mode::Candidates
        : parser.isSet(runs)                ? Mode::Runs
                                            : Mode::Whole;
    const std::optional<KanaForm> form = parser.isSet(kana)
        ? kanaFormFromName(parser.value(kana))
        : std::optional(mode == Mode::Runs ? KanaForm::Hiragana : KanaForm::Katakana);
    if (!form) {
        fail(QCoreApplication::translate("rubello-reading", "--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: ")
             + parser.value(kana));
        return std::nullopt;
    }
    options.mode = mode;
    options.form = *form;
    options.confidence = parser.isSet(confidence);
    options.without = parser.values(without);
    options.userFile = parser.isSet(noUser) ? QString()
        : parser.isSet(user)                ? parser.value(user)
                                            : UserReadings::standardPath();
    return options;
}

// Reads standard input line by line and prints each line's readings; the exit status.
int printReadings(ReadingEngine &engine, const Options &options)
{
    std::string line;
    bool tooLong = false;
    qint64 lineNumber = 0;
    while (nextLine(line, &tooLong)) {
        ++lineNumber;
        const Result<QString> printed
            = readLine(engine, options.mode, options.form, options.confidence, QString::fromUtf8(line));
        if (!printed) {
            fail(errorLine(printed.error()));
            return 1;
        }
        const QByteArray out = printed->toUtf8() + '\n';
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    }
    if (std::ferror(stdin)) {
        fail(QCoreApplication::translate("rubello-reading", "入力を読めません (%1 行目)").arg(lineNumber + 1));
        return 1;
    }
    if (tooLong) {
        fail(QCoreApplication::translate("rubello-reading", "%1 行目が長すぎます (%2 バイトまで)").arg(lineNumber + 1).arg(kMaxLine));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same folder as the editor's, so the user's corrections are shared.
    QCoreApplication::setApplicationName(QStringLiteral("Rubello"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kRubelloVersion));
    installInterfaceTranslation(QCoreApplication::applicationDirPath());

    const std::optional<Options> options = parseOptions();
    if (!options)
        return 2;

    struct stat input {};
    if (fstat(0, &input) == 0 && S_ISREG(input.st_mode) && input.st_size > kMaxInput) {
        fail(QCoreApplication::translate("rubello-reading", "入力が大きすぎます (%1 バイト)").arg(qint64(input.st_size)));
        return 1;
    }

    const QString &userFile = options->userFile;
    if (!userFile.isEmpty()) {
        // A damaged file is used as empty, and said so.
        UserReadings probe(userFile);
        if (const Result<void> loaded = probe.load(); !loaded)
            fail(userReadingsErrorSentence(loaded.error()));
    }
    const std::unique_ptr<ReadingEngine> engine
        = ReadingEngine::create(std::make_unique<MecabPhoneticService>(), userFile);
    for (const QString &stage : options->without) {
        if (!engine->leaveOut(stage)) {
            fail(QCoreApplication::translate("rubello-reading", "読みの規則の段 %1 はありません").arg(stage));
            return 2;
        }
    }

    const int status = printReadings(*engine, *options);
    // Said, not fatal: the readings were made without the list.
    if (const std::optional<Error> error = engine->wordListError();
        error && engine->stageNames().contains(QStringLiteral("wordlist")))
        fail(errorLine(*error));
    return status;
}
