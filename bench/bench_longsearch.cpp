// Searches with long and repetitive search texts over a 20 MB document, loose and
// exact, in the search functions alone. Every loose figure is printed with its
// ratio to the exact search of the same search text in the same run; the exact
// search of the text library (QStringView::indexOf) is printed as a second
// baseline where it finishes.

#include "benchdata.h"
#include "core/text/textsearch.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(const std::function<void()> &work, int runs = 3)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void print(const QByteArray &name, double value, const char *unit, const char *target = "")
{
    std::printf("%s: %.2f %s%s\n", name.constData(), value, unit, target);
    std::fflush(stdout);
}

// Every hit from the top, as Search clicked to the end does.
qsizetype allHits(const QString &text, const QString &search, CompareMode mode)
{
    qsizetype count = 0;
    for (qsizetype start = 1;;) {
        const qsizetype hit = findText(text, search, start, mode);
        if (hit == 0)
            return count;
        ++count;
        start = hit + search.size();
    }
}

// A search text that is found nowhere: a piece of the document with its last
// character changed, so that every period of the document matches it almost whole.
QString nearMiss(const QString &text, qsizetype length)
{
    QString search = text.mid(text.size() / 3, length);
    search.back() = QChar(u'\x7F');
    return search;
}

void compare(const QByteArray &name, const QString &text, const QString &search, bool withLibrary,
             const char *target = "")
{
    qsizetype looseHits = 0;
    qsizetype exactHits = 0;
    const double loose = medianMs([&] { looseHits = allHits(text, search, CompareMode::Loose); });
    const double exact = medianMs([&] { exactHits = allHits(text, search, CompareMode::Exact); });
    print(name + "_loose_ms", loose, "ms", target);
    print(name + "_exact_ms", exact, "ms", " (baseline)");
    print(name + "_loose_over_exact", loose / exact, "x", " (target <= 3 x)");
    if (withLibrary) {
        qsizetype libraryHits = 0;
        const double library = medianMs([&] {
            libraryHits = 0;
            const QStringView haystack(text);
            const QStringView needle(search);
            for (qsizetype from = 0; (from = haystack.indexOf(needle, from)) >= 0;
                 from += needle.size())
                ++libraryHits;
        });
        print(name + "_library_exact_ms", library, "ms", " (QStringView::indexOf)");
        print(name + "_loose_over_library_exact", loose / library, "x", "");
        if (libraryHits < exactHits)
            std::fprintf(stderr, "%s: the library found %lld hits, exact %lld\n", name.constData(),
                         static_cast<long long>(libraryHits), static_cast<long long>(exactHits));
    }
    if (looseHits < exactHits) {
        std::fprintf(stderr, "%s: loose found fewer hits than exact\n", name.constData());
        std::exit(1);
    }
}

} // namespace

int main()
{
    const QString document = makeJapaneseHtml(20'000'000);
    std::printf("document: %lld characters\n", static_cast<long long>(document.size()));

    // Search texts cut from the document (found), and the same with the last character
    // changed (found nowhere, matched almost whole at every period).
    for (const qsizetype length : {2, 100, 10'000, 1'000'000}) {
        const QByteArray size = QByteArray::number(length);
        compare("found_" + size, document, document.mid(document.size() / 3, length), true);
        compare("near_miss_" + size, document, nearMiss(document, length), true,
                length == 10'000 ? " (target < 1000 ms)" : "");
    }
    compare("whole_document", document, document, true);
    QString wholeMiss = document;
    wholeMiss.back() = QChar(u'\x7F');
    compare("whole_document_near_miss", document, wholeMiss, true);

    // One letter over and over: the library's own search compares almost the whole
    // search text at every position here, so it is left out.
    const QString letters(10'000'000, QChar(u'a'));
    compare("repeated_letter_near_miss_10000", letters, QString(9'999, u'a') + u'b', false);
    compare("repeated_kana_mixed_forms_10000", QString("かカｶ").repeated(3'000'000),
            QString("カ").repeated(9'999) + u'b', false);

    // Replace all with a 10,000-character search text that occurs now and then.
    const QString search = document.mid(1000, 10'000);
    for (const auto mode : {CompareMode::Exact, CompareMode::Loose}) {
        qsizetype replacements = 0;
        const double ms = medianMs([&] {
            replacements
                = replaceAll(document, 0, 0, true, search, QStringLiteral("x"), mode).replacements;
        });
        print(QByteArray("replace_all_10000_") + (mode == CompareMode::Loose ? "loose" : "exact")
                  + "_ms",
              ms, "ms", mode == CompareMode::Loose ? " (target < 1000 ms)" : " (baseline)");
        if (replacements < 1)
            return 1;
    }
    return 0;
}
