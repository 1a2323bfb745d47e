// rubello-ruby: ruby for every kanji word of HTML pages, a page or a whole
// site, as the editor's whole-page command writes it.

#include "core/document/documentfile.h"
#include "core/document/safesave.h"
#include "core/document/sitewalk.h"
#include "core/paths.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/ruby/gradelevels.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubystrip.h"
#include "core/ruby/rubytext.h"
#include "core/translation.h"
#include "core/version.h"
#include "toolerrors.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSaveFile>
#include <QStringDecoder>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const char kDescription[] = QT_TRANSLATE_NOOP(
    "rubello-ruby",
    "HTML ファイルの本文の漢字の語にルビを振ります。ファイルを省略すると標準入力を読み、\n"
      "標準出力に書きます。ファイルとフォルダー (-r) をいくつでも渡せます。文字コードと改行は\n"
      "エディターと同じように判定して保ちます。タグ、属性値、コメント、<script> <style>\n"
      "<textarea> <title> <code> <pre> の中と既存の <ruby> 要素には振りません。");

void say(const QString &message)
{
    std::fprintf(stderr, "rubello-ruby: %s\n", message.toLocal8Bit().constData());
}

int fail(const QString &message)
{
    say(message);
    return 2;
}


struct Settings
{
    RubyOptions options;
    FirstOnly first = FirstOnly::Every;
    QByteArray encoding; // empty: detected as the window does
    bool dryRun = false;
    bool strip = false; // take ruby out instead
    bool inPlace = false;
    QString backup;
    QString outputDir;
    QString output; // -o, one input only
    // A reviewed list: readings by word and proposal, and a word's first row.
    bool listGiven = false;
    QHash<QString, QString> listed; // word \t proposal -> reading
    QHash<QString, QString> listedWord; // word -> reading of its first row
};

// A word of the site as the dry run lists it.
struct WordCount
{
    qsizetype count = 0;
    bool guessed = false;
};

struct PageResult
{
    QString failure; // empty on success
    qsizetype added = 0;
    bool changed = false;
    QList<RubyCandidate> words;
};

// The dry run's list: word, reading, count, guessed, in order of first appearance.
struct WordList
{
    QHash<QString, WordCount> words; // word \t reading
    QStringList order;

    void add(const RubyCandidate &c, KanaForm kana)
    {
        const QString key = c.base + u'\t' + kanaForm(c.reading, kana);
        WordCount &w = words[key];
        if (w.count++ == 0)
            order.append(key);
        w.guessed = w.guessed || c.guessed;
    }
    void print() const
    {
        for (const QString &key : order) {
            const WordCount &w = words.value(key);
            std::printf("%s\t%lld\t%d\n", key.toUtf8().constData(), static_cast<long long>(w.count),
                        int(w.guessed));
        }
        std::fflush(stdout);
    }
};

void printWords(const QList<RubyCandidate> &found, KanaForm kana)
{
    WordList list;
    for (const RubyCandidate &c : found)
        list.add(c, kana);
    list.print();
}

// Reads at most limit bytes from a descriptor; one more says "too large".
Result<QByteArray> readBounded(int fd, qint64 limit)
{
    QByteArray bytes;
    for (;;) {
        const qsizetype at = bytes.size();
        bytes.resize(at + 1024 * 1024);
        const ssize_t got = ::read(fd, bytes.data() + at, size_t(bytes.size() - at));
        if (got < 0) {
            if (errno == EINTR) {
                bytes.resize(at);
                continue;
            }
            return std::unexpected(Error::fromErrno(ErrorKind::ReadFailed, errno));
        }
        bytes.resize(at + got);
        if (got == 0)
            return bytes;
        if (bytes.size() > limit)
            return std::unexpected(Error {ErrorKind::TooLarge, {}, EFBIG});
    }
}

Result<QString> decode(const QByteArray &bytes, const QByteArray &encoding, TextEncoding *used)
{
    const Result<LoadedText> loaded = encoding.isEmpty()
        ? detectAndDecodeDocument(bytes, kUtf8Encoding)
        : decodeDocumentAs(bytes, TextEncoding {encoding, false});
    if (!loaded)
        return std::unexpected(loaded.error());
    *used = loaded->encoding;
    if (used->isSystem())
        used->name = kUtf8Encoding;
    return loaded->text;
}

class Worker
{
public:
    explicit Worker(const Settings &settings)
        : m_settings(settings)
        , m_engine(m_mecab, nullptr)
    {
        m_user.load();
    }

    Result<void> start()
    {
        if (m_settings.strip)
            return {}; // no readings needed
        if (const Result<QString> opened = m_mecab.reading(QStringLiteral("漢字")); !opened)
            return std::unexpected(opened.error());
        return {};
    }

    // The page with ruby; the words found, with the readings written.
    Result<AnnotatedText> annotate(const QString &html, QList<RubyCandidate> *words)
    {
        if (m_settings.strip) {
            // Each element taken out counts as one done.
            const StrippedRuby stripped = stripRuby(html);
            return AnnotatedText {stripped.text,
                                  QList<RubyCandidate>(stripped.elements, {0, {}, {}})};
        }
        auto found = findRubyCandidates(html, m_engine, m_settings.options);
        if (!found)
            return std::unexpected(found.error());
        QList<RubyCandidate> candidates
            = firstOccurrences(html, found->value_or(QList<RubyCandidate>()), m_settings.first,
                               m_settings.options.skipCodeAndPre);
        QList<RubyCandidate> chosen;
        for (RubyCandidate c : std::as_const(candidates)) {
            // The user's own reading of the word, as the window proposes it.
            const QString remembered
                = m_user.lookup(c.base, QStringView(html).left(c.offset),
                                QStringView(html).sliced(c.offset + c.base.size()));
            if (!remembered.isEmpty())
                c.reading = remembered, c.guessed = false;
            if (m_settings.listGiven) {
                const QString key
                    = c.base + u'\t' + kanaForm(c.reading, m_settings.options.form.kana);
                c.reading = fullwidthKatakana(
                    m_settings.listed.value(key, m_settings.listedWord.value(c.base)));
            }
            if (!c.reading.isEmpty())
                chosen.append(c);
        }
        *words = chosen;
        return applyRuby(html, chosen, m_settings.options.form);
    }

    PageResult page(const SitePage &page);

private:
    const Settings &m_settings;
    MecabPhoneticService m_mecab;
    ReadingEngine m_engine;
    UserReadings m_user;
};

QString destinationOf(const Settings &settings, const SitePage &page)
{
    if (!settings.outputDir.isEmpty())
        return joinFolderAndName(settings.outputDir, page.relative);
    if (!settings.output.isEmpty())
        return settings.output;
    return page.path;
}

// Writes a result where no device, FIFO or folder is replaced.
Result<void> writeResult(const QString &path, const QByteArray &bytes)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return std::unexpected(Error {ErrorKind::NotARegularFile, path, 0});
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (const Result<FileIdentity> saved = saveBytesSafely(path, bytes); !saved)
        return std::unexpected(saved.error());
    return {};
}

PageResult Worker::page(const SitePage &page)
{
    PageResult result;
    const auto failed = [&](const Error &error) {
        result.failure = page.path + QStringLiteral(": ") + errorReason(error);
        return result;
    };
    const FileIdentity before = fileIdentity(page.path);
    const Result<OpenedFile> opened = openRegularFileForReading(page.path);
    if (!opened)
        return failed(opened.error());
    if (opened->fd < 0)
        return failed(Error::fromErrno(ErrorKind::ReadFailed, EISDIR));
    const Result<QByteArray> bytes = readBounded(opened->fd, kMaxDocumentBytes);
    ::close(opened->fd);
    if (!bytes)
        return failed(bytes.error());
    // A page that changed while it was read is left for the next run.
    if (fileIdentity(page.path) != before || before.size != bytes->size())
        return failed({ErrorKind::ChangedOnDisk, {}, 0});

    TextEncoding encoding;
    const Result<QString> html = decode(*bytes, m_settings.encoding, &encoding);
    if (!html)
        return failed(html.error());
    const Result<AnnotatedText> annotated = annotate(*html, &result.words);
    if (!annotated)
        return failed(annotated.error());
    result.added = annotated->done.size();
    if (m_settings.dryRun || (annotated->done.isEmpty() && m_settings.outputDir.isEmpty()))
        return result;

    const Result<QByteArray> encoded = encodeDocument(annotated->text, encoding);
    if (!encoded)
        return failed(encoded.error());
    const QString target = destinationOf(m_settings, page);
    if (m_settings.inPlace) {
        if (fileIdentity(page.path) != before)
            return failed({ErrorKind::ChangedOnDisk, {}, 0});
        if (!m_settings.backup.isEmpty()) {
            if (const auto kept = writeResult(page.path + m_settings.backup, *bytes); !kept)
                return failed(kept.error());
        }
    }
    if (const auto written = writeResult(target, *encoded); !written)
        return failed(written.error());
    result.changed = true;
    return result;
}

Result<void> readList(const QString &path, Settings *settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(Error {ErrorKind::ReadFailed, file.errorString(), 0});
    settings->listGiven = true;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).remove(u'\r');
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u'\t');
        const QString reading = f.value(1);
        settings->listed.insert(f.first() + u'\t' + reading, reading);
        if (!settings->listedWord.contains(f.first()))
            settings->listedWord.insert(f.first(), reading);
    }
    return {};
}

bool gStdoutClosed = false;

// One page from a file or standard input (an empty name) to standard output
// or -o, or its words for a dry run.
int onePage(const QString &path, const Settings &settings)
{
    const QString name = path.isEmpty() ? QCoreApplication::translate("rubello-ruby", "標準入力") : path;
    Result<QByteArray> bytes;
    if (path.isEmpty()) {
        struct stat st
        {
        };
        if (::fstat(STDIN_FILENO, &st) != 0)
            return fail(QCoreApplication::translate("rubello-ruby", "標準入力: ") + QString::fromLocal8Bit(std::strerror(errno)));
        // A device such as /dev/zero never ends; a terminal does.
        if (S_ISDIR(st.st_mode)
            || ((S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) && !::isatty(STDIN_FILENO)))
            return fail(QCoreApplication::translate("rubello-ruby", "標準入力: ") + errorReason({ErrorKind::NotARegularFile, {}, 0}));
        bytes = readBounded(STDIN_FILENO, kMaxDocumentBytes);
    } else {
        const Result<OpenedFile> opened = openRegularFileForReading(path);
        if (!opened)
            return fail(name + u": "_qs + errorReason(opened.error()));
        if (opened->fd < 0) {
            QFile probe(path);
            probe.open(QIODevice::ReadOnly);
            return fail(QCoreApplication::translate("rubello-ruby", "%1 を開けません: %2").arg(path, probe.errorString()));
        }
        bytes = readBounded(opened->fd, kMaxDocumentBytes);
        ::close(opened->fd);
    }
    if (!bytes)
        return fail(name + u": "_qs + errorReason(bytes.error()));
    TextEncoding encoding;
    const Result<QString> html = decode(*bytes, settings.encoding, &encoding);
    if (!html)
        return fail(name + u": "_qs + errorReason(html.error()));
    if (gStdoutClosed && settings.output.isEmpty())
        return fail(QCoreApplication::translate("rubello-ruby", "標準出力が閉じています。"));
    Worker worker(settings);
    if (const auto started = worker.start(); !started)
        return fail(errorReason(started.error()));
    QList<RubyCandidate> words;
    const Result<AnnotatedText> annotated = worker.annotate(*html, &words);
    if (!annotated)
        return fail(errorReason(annotated.error()));
    if (settings.dryRun) {
        printWords(words, settings.options.form.kana);
        return 0;
    }
    const Result<QByteArray> encoded = encodeDocument(annotated->text, encoding);
    if (!encoded)
        return fail(errorReason(encoded.error()));
    if (!settings.output.isEmpty()) {
        if (const auto written = writeResult(settings.output, *encoded); !written)
            return fail(QCoreApplication::translate("rubello-ruby", "%1 に書けません: %2").arg(settings.output, errorReason(written.error())));
        return 0;
    }
    const QByteArray &out = *encoded;
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size())
        || std::fflush(stdout) != 0)
        return fail(QCoreApplication::translate("rubello-ruby", "標準出力に書けません。"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A closed standard stream is noted, then held by /dev/null, so no file
    // opened later takes its number (and the output or messages with it).
    const bool stdinClosed = ::fcntl(STDIN_FILENO, F_GETFD) < 0;
    gStdoutClosed = ::fcntl(STDOUT_FILENO, F_GETFD) < 0;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0
            && ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0)
            return 2;
    }
    QCoreApplication app(argc, argv);
    // The window's name, so the user's readings are found where it keeps them.
    QCoreApplication::setApplicationName(QStringLiteral("Rubello"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kRubelloVersion));
    installInterfaceTranslation(QCoreApplication::applicationDirPath());

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("rubello-ruby", kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption kana(u"kana"_qs, QCoreApplication::translate("rubello-ruby", "読みの文字 (既定 hiragana)"),
                                  u"hiragana|katakana|halfwidth|romaji|romaji-ou"_qs);
    const QCommandLineOption keepOkurigana(u"keep-okurigana"_qs, QCoreApplication::translate("rubello-ruby", "送り仮名を省略しない"));
    const QCommandLineOption perKanji(u"per-kanji"_qs,
                                      QCoreApplication::translate("rubello-ruby", "漢字ごとに振る (読みが一通りに分けられるとき)"));
    const QCommandLineOption grade(
        u"grade"_qs, QCoreApplication::translate("rubello-ruby", "この学年 (1～6) までの漢字、jouyou なら常用漢字だけの語には振らない"),
        u"1-6|jouyou"_qs);
    const QCommandLineOption first(
        u"first"_qs, QCoreApplication::translate("rubello-ruby", "語ごとに最初の一か所だけ: ページごと、見出しごと"), u"page|section"_qs);
    const QCommandLineOption known(u"known"_qs, QCoreApplication::translate("rubello-ruby", "この文字リストの漢字だけの語には振らない"),
                                   u"FILE"_qs);
    const QCommandLineOption attribute(
        u"attribute"_qs, QCoreApplication::translate("rubello-ruby", "<rt> に付ける属性 (例: 'style=\"font-size:7pt\"')"), u"TEXT"_qs);
    const QCommandLineOption includeCode(u"include-code"_qs, QCoreApplication::translate("rubello-ruby", "<code> と <pre> の中にも振る"));
    const QCommandLineOption encodingOption(
        u"encoding"_qs, QCoreApplication::translate("rubello-ruby", "入出力の文字コード (既定: ファイルから判定)"), u"NAME"_qs);
    const QCommandLineOption recursive(
        {u"r"_qs, u"recursive"_qs},
        QCoreApplication::translate("rubello-ruby", "フォルダーの中のページ (.html .htm .xhtml .shtml) にも振る"));
    const QCommandLineOption inPlace(u"in-place"_qs, QCoreApplication::translate("rubello-ruby", "ファイルそのものを書き換える"));
    const QCommandLineOption backup(
        u"backup"_qs, QCoreApplication::translate("rubello-ruby", "--in-place で元のファイルを名前にこれを足して残す"), u"SUFFIX"_qs);
    const QCommandLineOption outputDir(u"output-dir"_qs, QCoreApplication::translate("rubello-ruby", "結果をこのフォルダーに同じ構成で書く"),
                                       u"DIR"_qs);
    const QCommandLineOption output(
        u"o"_qs, QCoreApplication::translate("rubello-ruby", "結果を FILE に書く (ファイル一つのとき。書き終えてから置き換える)"),
        u"FILE"_qs);
    const QCommandLineOption strip(u"strip"_qs,
                                   QCoreApplication::translate("rubello-ruby", "ルビを振らずに外す (<ruby> 要素を本文だけにする)"));
    const QCommandLineOption jobs(u"jobs"_qs, QCoreApplication::translate("rubello-ruby", "同時に処理するファイルの数 (既定: CPU の数)"),
                                  u"N"_qs);
    const QCommandLineOption dryRun(
        u"dry-run"_qs, QCoreApplication::translate("rubello-ruby", "何も書かず、語の一覧を TSV (語、読み、回数、推測) で標準出力に書く"));
    const QCommandLineOption applyList(
        u"apply-list"_qs, QCoreApplication::translate("rubello-ruby", "見直した一覧 (--dry-run の形) の語と読みだけを振る"), u"FILE"_qs);
    parser.addOptions({kana, keepOkurigana, perKanji, grade, first, known, attribute, includeCode,
                       encodingOption, recursive, inPlace, backup, outputDir, output, strip, jobs,
                       dryRun, applyList});
    parser.addPositionalArgument(QCoreApplication::translate("rubello-ruby", "ファイル"), QCoreApplication::translate("rubello-ruby", "HTML ファイルまたはフォルダー"),
                                 QCoreApplication::translate("rubello-ruby", "[ファイル...]"));
    if (!parser.parse(app.arguments()))
        return fail(parser.errorText());
    if (parser.isSet(u"help"_qs)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(u"version"_qs)) {
        std::printf("rubello-ruby %s\n", kRubelloVersion);
        return 0;
    }

    Settings settings;
    RubyOptions &options = settings.options;
    if (parser.isSet(kana)) {
        const QString v = parser.value(kana);
        const std::optional<KanaForm> form = kanaFormFromName(v);
        if (!form)
            return fail(QCoreApplication::translate("rubello-ruby", "--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: ") + v);
        options.form.kana = *form;
    }
    options.omitOkurigana = !parser.isSet(keepOkurigana);
    options.form.perKanji = parser.isSet(perKanji);
    options.skipCodeAndPre = !parser.isSet(includeCode);
    if (parser.isSet(attribute)) {
        options.form.withAttribute = true;
        options.form.attribute = parser.value(attribute);
    }
    if (parser.isSet(grade)) {
        const auto level = gradeLevelFromName(parser.value(grade));
        if (!level)
            return fail(QCoreApplication::translate("rubello-ruby", "--grade は 1～6 か jouyou です: ") + parser.value(grade));
        options.knownKanji = knownKanjiOfLevel(*level);
    }
    if (parser.isSet(first)) {
        const QString v = parser.value(first);
        if (v != u"page" && v != u"section")
            return fail(QCoreApplication::translate("rubello-ruby", "--first は page か section です: ") + v);
        settings.first = v == u"page" ? FirstOnly::Page : FirstOnly::Section;
    }
    if (parser.isSet(known)) {
        QFile file(parser.value(known));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QCoreApplication::translate("rubello-ruby", "%1 を開けません: %2").arg(file.fileName(), file.errorString()));
        options.knownKanji.unite(kanjiSet(QString::fromUtf8(file.read(kMaxDocumentBytes))));
    }
    if (parser.isSet(encodingOption)) {
        settings.encoding = parser.value(encodingOption).toLatin1();
        if (!QStringDecoder(settings.encoding.constData()).isValid())
            return fail(QCoreApplication::translate("rubello-ruby", "知らない文字コードです: ") + parser.value(encodingOption));
    }
    settings.dryRun = parser.isSet(dryRun);
    settings.strip = parser.isSet(strip);
    if (settings.strip && (settings.dryRun || parser.isSet(applyList)))
        return fail(QCoreApplication::translate("rubello-ruby", "--strip は --dry-run とも --apply-list とも使えません。"));
    settings.inPlace = parser.isSet(inPlace);
    settings.backup = parser.value(backup);
    settings.outputDir = parser.value(outputDir);
    settings.output = parser.value(output);
    if (parser.isSet(backup)
        && (!settings.inPlace || settings.backup.isEmpty() || settings.backup.contains(u'/')))
        return fail(QCoreApplication::translate("rubello-ruby", "--backup は --in-place とともに、/ を含まない接尾辞で指定します。"));
    if (int(settings.inPlace) + int(!settings.outputDir.isEmpty()) + int(!settings.output.isEmpty())
        > 1)
        return fail(QCoreApplication::translate("rubello-ruby", "--in-place, --output-dir, -o はどれか一つです。"));
    if (parser.isSet(applyList)) {
        if (const auto read = readList(parser.value(applyList), &settings); !read)
            return fail(
                QCoreApplication::translate("rubello-ruby", "%1 を読めません: %2").arg(parser.value(applyList), read.error().detail));
    }
    int jobCount = QThread::idealThreadCount();
    if (parser.isSet(jobs)) {
        bool ok = false;
        jobCount = parser.value(jobs).toInt(&ok);
        if (!ok || jobCount < 1 || jobCount > 256)
            return fail(QCoreApplication::translate("rubello-ruby", "--jobs は 1 以上の数です: ") + parser.value(jobs));
    }
    if (options.form.perKanji) {
        const KanjiReadings &kanji = KanjiReadings::system();
        if (kanji.isEmpty())
            return fail(errorReason(kanji.loadError().value_or(Error {
                .kind = ErrorKind::KanjiDictionaryEmpty, .path = KanjiReadings::systemFile()})));
        options.form.kanji = &kanji;
    }

    const QStringList inputs = parser.positionalArguments();
    const bool toFiles = settings.inPlace || !settings.outputDir.isEmpty();
    const bool fromStdin = inputs.isEmpty() || (inputs.size() == 1 && inputs.first() == u"-");
    if (fromStdin && stdinClosed)
        return fail(QCoreApplication::translate("rubello-ruby", "標準入力が閉じています。"));
    if (fromStdin && toFiles)
        return fail(QCoreApplication::translate("rubello-ruby", "標準入力には --in-place も --output-dir も使えません。"));
    if (!settings.output.isEmpty() && (inputs.size() > 1 || parser.isSet(recursive)))
        return fail(QCoreApplication::translate("rubello-ruby", "-o はページ一つのときだけです。複数には --output-dir を使います。"));
    if (fromStdin
        || (!toFiles && !settings.dryRun && inputs.size() == 1 && !parser.isSet(recursive)
            && !QFileInfo(inputs.first()).isDir())) {
        try {
            return onePage(fromStdin ? QString() : inputs.first(), settings);
        } catch (const std::bad_alloc &) {
            return fail(QCoreApplication::translate("rubello-ruby", "メモリーが足りません。"));
        }
    }

    if (!toFiles && !settings.dryRun)
        return fail(
            QCoreApplication::translate("rubello-ruby", "複数のページには --in-place か --output-dir が要ります (または --dry-run)。"));
    const SiteWalk walk = walkSite(inputs, parser.isSet(recursive));

    // Workers each with their own analyzer take pages in turn.
    std::vector<PageResult> results(size_t(walk.pages.size()));
    std::atomic<qsizetype> next {0};
    std::atomic<qsizetype> finished {0};
    std::mutex startLock;
    QString startError;
    const auto work = [&] {
        Worker worker(settings);
        if (const auto started = worker.start(); !started) {
            std::lock_guard lock(startLock);
            startError = errorReason(started.error());
            next = walk.pages.size();
            return;
        }
        for (qsizetype i; (i = next++) < walk.pages.size();) {
            // A page too big for the memory at hand fails alone.
            try {
                results[size_t(i)] = worker.page(walk.pages.at(i));
            } catch (const std::bad_alloc &) {
                results[size_t(i)].failure
                    = walk.pages.at(i).path + u": "_qs + errorReason({ErrorKind::TooLarge, {}, 0});
            }
            ++finished;
        }
    };
    const int threads = int(qMin<qsizetype>(jobCount, qMax<qsizetype>(walk.pages.size(), 1)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    // Progress for runs long enough to wonder about, while this thread works too.
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> done {false};
    std::thread progress([&] {
        qint64 told = 0;
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (clock.elapsed() - told >= 1000 && !done) {
                told = clock.elapsed();
                std::fprintf(stderr, "rubello-ruby: %s\n",
                             QCoreApplication::translate("rubello-ruby", "%1 / %2 ファイル")
                                 .arg(finished.load())
                                 .arg(walk.pages.size())
                                 .toLocal8Bit()
                                 .constData());
            }
        }
    });
    work();
    for (std::thread &t : pool)
        t.join();
    done = true;
    progress.join();
    if (!startError.isEmpty())
        return fail(startError);

    // The summary, and every failure by name.
    qsizetype added = 0, changed = 0;
    QStringList failures;
    for (const SiteFailure &f : walk.failures)
        failures.append(f.path + u": "_qs + errorReason(f.error));
    WordList list;
    for (const PageResult &r : results) {
        if (!r.failure.isEmpty()) {
            failures.append(r.failure);
            continue;
        }
        added += r.added;
        changed += r.changed;
        for (const RubyCandidate &c : r.words)
            list.add(c, options.form.kana);
    }
    if (settings.dryRun)
        list.print();
    for (const QString &f : std::as_const(failures))
        say(f);
    {
        QStringList guessed;
        for (const QString &key : std::as_const(list.order)) {
            const WordCount &w = list.words.value(key);
            if (w.guessed)
                guessed.append(u"%1 (%2) %3"_qs.arg(key.section(u'\t', 0, 0), key.section(u'\t', 1),
                                                    QString::number(w.count)));
        }
        say((settings.strip
                 ? QCoreApplication::translate("rubello-ruby", "%1 ファイル (書き換え %2)、外したルビ %3 か所、失敗 %4 ファイル。")
                 : QCoreApplication::translate("rubello-ruby", "%1 ファイル (書き換え %2)、ルビ %3 か所、失敗 %4 ファイル。"))
                .arg(walk.pages.size())
                .arg(changed)
                .arg(added)
                .arg(failures.size()));
        if (!guessed.isEmpty())
            say(QCoreApplication::translate("rubello-ruby", "推測した読み: ") + guessed.join(QCoreApplication::translate("rubello-ruby", "、")));
    }
    return failures.isEmpty() ? 0 : 1;
}
