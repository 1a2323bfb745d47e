// Speed of the ruby command and of bulk readings.
//
// ruby_f5_*: from the F5 key press to the first paint of the ruby dialog, with
// MeCab readings of the selection in its sentence and its candidates, against
// the selection read alone in the same run; the baseline is the same path with readings from a
// table, so the ratio shows what the lookup adds. rubello_reading_*: the command-line tool over
// 10,000 words, against a run with one word (start-up and dictionary opening).

#include "app/mainwindow.h"
#include "app/startup.h"
#include "core/reading/mecabphoneticservice.h"
#include "ui/editorcontrol.h"
#include "ui/rubydialog.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Real dialogs and boxes; the reading service is the one under test.
class BenchPlatform : public QtPlatformServices
{
public:
    explicit BenchPlatform(PhoneticService &service)
        : m_service(service)
    { }
    PhoneticService &phoneticService() override { return m_service; }

private:
    PhoneticService &m_service;
};

class TableService : public PhoneticService
{
public:
    Result<QString> reading(const QString &text) override { return m_table.value(text, text); }
    QHash<QString, QString> m_table {{QStringLiteral("送り"), QStringLiteral("オクリ")}};
};

// Today's figure before sentence reading: the selection read alone, one reading.
class AloneService : public PhoneticService
{
public:
    explicit AloneService(PhoneticService &inner)
        : m_inner(inner)
    { }
    Result<QString> reading(const QString &text) override { return m_inner.reading(text); }

private:
    PhoneticService &m_inner;
};

// Closes the ruby dialog at its first paint and notes the time.
class DialogWatcher : public QObject
{
public:
    QElapsedTimer clock;
    double shownMs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && shownMs < 0) {
            if (auto *form = qobject_cast<RubyDialog *>(watched)) {
                shownMs = clock.nsecsElapsed() / 1e6;
                QMetaObject::invokeMethod(form, &QDialog::reject, Qt::QueuedConnection);
            }
        }
        return false;
    }
};

struct CommandTimes
{
    double first = 0;
    std::vector<double> rest;
};

CommandTimes timeCommands(PhoneticService &service, int count)
{
    BenchPlatform platform(service);
    MainWindow form(platform);
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        std::fputs("warning: main window not active\n", stderr);
    form.editor()->setText(QStringLiteral("送り仮名を付ける。\r\n").repeated(50));
    form.editor()->setFocus();

    DialogWatcher watcher;
    qApp->installEventFilter(&watcher);
    CommandTimes times;
    for (int i = 0; i <= count; ++i) {
        form.editor()->setSelectionStart(0);
        form.editor()->setSelectionLength(2);
        watcher.shownMs = -1;
        // The key goes to the active window only.
        if (!QTest::qWaitForWindowActive(&form))
            std::fprintf(stderr, "warning: main window not active (command %d)\n", i + 1);
        watcher.clock.start();
        QTest::keyClick(form.editor(), Qt::Key_F5);
        if (watcher.shownMs < 0) {
            std::fprintf(stderr, "error: the ruby dialog did not open (command %d)\n", i + 1);
            std::exit(1);
        }
        if (i == 0)
            times.first = watcher.shownMs;
        else
            times.rest.push_back(watcher.shownMs);
    }
    qApp->removeEventFilter(&watcher);
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Distinct compounds of two or three common words.
QByteArray wordList(int count)
{
    const QStringList words
        = QStringLiteral(
              "送り 漢字 取り扱い 十一月 東京 大阪 学校 先生 電車 自動車 新聞 天気 料理 音楽 映画 "
              "図書館 病院 会社 社長 部長 仕事 会議 資料 手紙 写真 時計 眼鏡 財布 鉛筆 辞書 "
              "山 川 海 空 雨 雪 風 花 木 森 春 夏 秋 冬 朝 昼 夜 今日 明日 昨日 "
              "日本 中国 世界 国際 経済 政治 社会 文化 歴史 科学 技術 研究 教育 大学 学生 "
              "読み 書き 話し 聞き 見送り 申し込み 打ち合わせ 受付 売り場 切符 乗り換え "
              "家族 父 母 兄 姉 弟 妹 友達 子供 大人 男 女 人間 動物 犬 猫 鳥 魚 野菜 果物")
              .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int n = int(words.size());
    QByteArray list;
    for (int i = 0; i < count; ++i) {
        QString word = words.at(i % n) + words.at(i / n % n);
        if (i >= n * n)
            word += words.at(i / (n * n) % n);
        list += word.toUtf8();
        list += '\n';
    }
    return list;
}

// Seconds for rubello-reading over the lines; -1 on failure.
double runReadingTool(const QByteArray &lines, int expectedLines)
{
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(RUBELLO_READING_PATH), {});
    if (!tool.waitForStarted())
        return -1;
    tool.write(lines);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(120000) || tool.exitCode() != 0) {
        std::fprintf(stderr, "rubello-reading: %s\n", tool.readAllStandardError().constData());
        return -1;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qsizetype printed = tool.readAllStandardOutput().count('\n');
    if (printed != expectedLines) {
        std::fprintf(stderr, "rubello-reading: %lld lines for %d\n", qlonglong(printed),
                     expectedLines);
        return -1;
    }
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The user's remembered readings stay out of the figures.
    QStandardPaths::setTestModeEnabled(true);
    installJapaneseEnvironment();
    const int commands = 100;

    // MeCab first, so its first command is the program's first: nothing warm yet.
    MecabPhoneticService mecab;
    const CommandTimes measured = timeCommands(mecab, commands);
    TableService table;
    const CommandTimes baseline = timeCommands(table, commands);
    AloneService alone(mecab);
    const CommandTimes aloneTimes = timeCommands(alone, commands);
    const double mecabMedian = median(measured.rest);
    const double aloneMedian = median(aloneTimes.rest);
    const double tableMedian = median(baseline.rest);

    std::printf("ruby_f5_to_dialog_first: %.2f ms  (first command of the run, dictionary opening "
                "included)\n",
                measured.first);
    std::printf("ruby_f5_to_dialog_median: %.2f ms  (target: < 30 ms, %d commands)\n", mecabMedian,
                commands);
    std::printf("ruby_f5_to_dialog_selection_alone_median: %.2f ms  (no sentence, no candidates)\n",
                aloneMedian);
    std::printf("ruby_f5_sentence_vs_alone: %.2f x\n", mecabMedian / aloneMedian);
    std::printf("ruby_f5_to_dialog_table_baseline_median: %.2f ms\n", tableMedian);
    std::printf("ruby_f5_mecab_vs_table: %.2f x\n", mecabMedian / tableMedian);

    const int words = 10000;
    const double one = runReadingTool(wordList(1), 1);
    const double all = runReadingTool(wordList(words), words);
    if (one < 0 || all < 0) {
        std::fputs("error: rubello-reading failed\n", stderr);
        return 1;
    }
    std::printf("rubello_reading_start_one_word: %.1f ms\n", one * 1e3);
    std::printf("rubello_reading_words_per_second: %.0f words/s  (%d words, start-up included)\n",
                words / all, words);
    std::printf("rubello_reading_words_per_second_after_start: %.0f words/s\n",
                (words - 1) / std::max(all - one, 1e-9));
    return 0;
}
