// rubello-reading: readings (full-width katakana) of UTF-8 lines read on
// standard input, from the same service the ruby command uses.

#include "core/reading/mecabphoneticservice.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char kUsage[]
    = "使い方: rubello-reading [--context | --candidates] < 入力.txt\n"
      "標準入力の各行 (UTF-8) の読みを全角カタカナで 1 行ずつ出力します。\n"
      "  (指定なし)    行全体の読み\n"
      "  --context     行は「前の文<TAB>選択<TAB>後の文」。選択の読みを、文の中で\n"
      "                読んだ形で出力します (るびぃコマンドの提案、送り仮名の省略前)\n"
      "  --candidates  --context と同じ入力から、読みの候補を提案順に TAB 区切りで出力します\n"
      "  -h, --help    この説明\n";

enum class Mode { Whole, Context, Candidates };

} // namespace

int main(int argc, char *argv[])
{
    Mode mode = Mode::Whole;
    if (argc > 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (argc == 2) {
        const std::string option(argv[1]);
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--context")
            mode = Mode::Context;
        else if (option == "--candidates")
            mode = Mode::Candidates;
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    std::ios::sync_with_stdio(false);

    MecabPhoneticService service;
    std::string line;
    QByteArray out;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const QString text = QString::fromUtf8(line);
        QString printed;
        QString error;
        if (mode == Mode::Whole) {
            const PhoneticResult result = service.reading(text);
            printed = result.reading;
            error = result.error;
        } else {
            const QStringList parts = text.split(QLatin1Char('\t'));
            // A line without tabs is a selection with nothing around it.
            const ReadingContext context = parts.size() >= 3
                ? ReadingContext {parts.at(0), parts.at(1), parts.mid(2).join(QLatin1Char('\t'))}
                : ReadingContext {QString(), parts.size() == 2 ? parts.at(1) : text, QString()};
            const ReadingCandidates result = service.candidates(context);
            printed = mode == Mode::Context ? result.proposed()
                                            : result.readings.join(QLatin1Char('\t'));
            error = result.error;
        }
        if (!error.isEmpty()) {
            std::fflush(stdout);
            std::fprintf(stderr, "rubello-reading: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        out = printed.toUtf8();
        out.append('\n');
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    }
    return 0;
}
