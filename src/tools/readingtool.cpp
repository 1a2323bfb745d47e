// rubello-reading: one reading line (full-width katakana) for each UTF-8 line
// read on standard input, from the same service the ruby command uses.

#include "core/mecabphoneticservice.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    if (argc > 1) {
        std::fputs("使い方: rubello-reading < 単語.txt\n"
                   "標準入力の各行 (UTF-8) の読みを全角カタカナで 1 行ずつ出力します。\n",
                   stderr);
        return std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h" ? 0 : 2;
    }
    std::ios::sync_with_stdio(false);

    MecabPhoneticService service;
    std::string line;
    QByteArray out;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const PhoneticResult result = service.reading(QString::fromUtf8(line));
        if (!result.ok()) {
            std::fflush(stdout);
            std::fprintf(stderr, "rubello-reading: %s\n", result.error.toLocal8Bit().constData());
            return 1;
        }
        out = result.reading.toUtf8();
        out.append('\n');
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    }
    return 0;
}
