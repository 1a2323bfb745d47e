// rubello-ruby: ruby for every kanji word of HTML pages, a page or a whole
// site, as the editor's whole-page command writes it.

#include "core/document/documentfile.h"
#include "core/document/safesave.h"
#include "core/document/sitewalk.h"
#include "core/errortext.h"
#include "core/paths.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/mecabphoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/reading/wordlist.h"
#include "core/ruby/gradelevels.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubystrip.h"
#include "core/ruby/rubytext.h"
#include "core/translation.h"
#include "core/version.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <QSet>
#include <QSaveFile>
#include <QStringDecoder>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <optional>
#include <cerrno>
#include <climits>
#include <csignal>
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

// SIGINT and SIGTERM are held off while a page is written: the page in hand is
// finished (or put back), no other is begun, and the run ends saying so.
volatile std::sig_atomic_t gStopSignal = 0;

void onStopSignal(int signal)
{
    gStopSignal = signal;
}

void deferStopSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// For tests: a SIGINT raised at the named step of the first save that reaches it.
void interruptForTests()
{
    static const QByteArray at = qgetenv("RUBELLO_TEST_INTERRUPT_AT");
    if (at.isEmpty())
        return;
    setSaveStepHook([](SaveStep step, const QByteArray &) {
        static const QHash<QByteArray, SaveStep> steps {
            {"temp-written", SaveStep::TempWritten},     {"temp-linked", SaveStep::TempLinked},
            {"copy-written", SaveStep::CopyWritten},     {"in-place-written", SaveStep::InPlaceWritten},
            {"backup-written", SaveStep::BackupWritten}};
        static std::atomic<bool> raised {false};
        if (steps.value(at, SaveStep(-1)) == step && !raised.exchange(true))
            std::raise(SIGINT);
    });
}


struct Settings
{
    RubyOptions options;
    FirstOnly first = FirstOnly::Every;
    QByteArray encoding; // empty: detected as the window does
    bool dryRun = false;
    bool strip = false; // take ruby out instead
    bool inPlace = false;
    bool force = false; // rewrite read-only pages too
    QString backup;
    bool replaceBackup = false;
    QString outputDir;
    QString output; // -o, one input only
    // A reviewed list: readings by word and proposal (the proposal in katakana).
    bool listGiven = false;
    QHash<QString, QString> listed; // word \t proposal -> reading
    // Rows of an older list, which did not keep the proposal: word -> readings in order.
    QHash<QString, QStringList> listedWithoutProposal;
    // Rows for one place each: "path\tline:column" -> sentence with the word marked,
    // and the reading ("" leaves the place bare).
    QHash<QString, std::pair<QString, QString>> listedPlace;
    bool occurrences = false; // the dry run lists each place
};

// A word of the site as the dry run lists it.
struct WordCount
{
    qsizetype count = 0;
    ReadingConfidence confidence = ReadingConfidence::Sure; // the least sure of its places
};

// The confidence as the lists write it.
QString confidenceName(ReadingConfidence confidence)
{
    switch (confidence) {
    case ReadingConfidence::Unsure:
        return u"unsure"_qs;
    case ReadingConfidence::Guessed:
        return u"guessed"_qs;
    case ReadingConfidence::Sure:
        break;
    }
    return u"sure"_qs;
}

// A word and a proposal as a reviewed list's row is found by, whatever kana form it was in.
QString proposalKey(const QString &word, const QString &proposal)
{
    return word + u'\t' + fullwidthKatakana(proposal);
}

struct PageResult
{
    QString failure; // empty on success
    qsizetype added = 0;
    bool changed = false;
    QList<RubyCandidate> words;
    QStringList assets; // files the page links to, for --output-dir
    QStringList places; // the dry run's rows of each place
};

// Lines and columns (from 1) of offsets taken in increasing order.
class PositionCounter
{
public:
    explicit PositionCounter(QStringView text)
        : m_text(text)
    { }
    QString at(qsizetype offset)
    {
        if (offset < m_done) // out of order: counted again from the start
            m_done = 0, m_line = 1, m_lineStart = 0;
        for (; m_done < offset; ++m_done) {
            if (m_text.at(m_done) == u'\n')
                ++m_line, m_lineStart = m_done + 1;
        }
        return u"%1:%2"_qs.arg(m_line).arg(offset - m_lineStart + 1);
    }

private:
    QStringView m_text;
    qsizetype m_done = 0, m_line = 1, m_lineStart = 0;
};

const QString kMarkOpen = u"【"_qs, kMarkClose = u"】"_qs;

// The sentence around a word within its piece of text, the word marked.
QString sentenceOf(QStringView html, const RubyCandidate &c)
{
    const auto ends = [](QChar ch) { return u"。！？!?<>\n\r\t"_qs.contains(ch); };
    const qsizetype end = c.offset + c.base.size();
    qsizetype from = c.offset, to = end;
    while (from > 0 && c.offset - from < 40 && !ends(html.at(from - 1)))
        --from;
    while (to < html.size() && to - end < 60 && !ends(html.at(to)))
        ++to;
    if (to < html.size() && u"。！？!?"_qs.contains(html.at(to)))
        ++to;
    return html.sliced(from, c.offset - from).toString() + kMarkOpen + c.base + kMarkClose
        + html.sliced(end, to - end).toString();
}

// The dry run's row of each place: file, line:column, sentence, reading, confidence.
QStringList placeRows(const QString &path, QStringView html, const QList<RubyCandidate> &chosen,
                      KanaForm kana)
{
    QStringList rows;
    PositionCounter position(html);
    for (const RubyCandidate &c : chosen)
        rows.append(u"%1\t%2\t%3\t%4\t%5"_qs.arg(path, position.at(c.offset), sentenceOf(html, c),
                                                 kanaForm(c.reading, kana),
                                                 confidenceName(c.confidence)));
    return rows;
}

// The files a page links to by a relative address (styles, images, scripts):
// absolute paths, not yet checked.
QStringList linkedFiles(const QString &html, const QString &pagePath)
{
    static const QRegularExpression reference(
        u"\\b(?:href|src)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"_qs,
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*:"_qs);
    const QString folder = QFileInfo(pagePath).absolutePath();
    QStringList files;
    for (auto it = reference.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString address = m.captured(1) + m.captured(2) + m.captured(3);
        address.truncate(qMin(address.indexOf(u'?') & INT_MAX, address.indexOf(u'#') & INT_MAX));
        if (address.isEmpty() || address.startsWith(u'/') || address.contains(scheme))
            continue;
        address = QUrl::fromPercentEncoding(address.toUtf8());
        files.append(QDir::cleanPath(joinFolderAndName(folder, address)));
    }
    return files;
}

// The dry run's list: word, reading, count, confidence and the proposal again (the
// row's key once its reading is changed), in order of first appearance.
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
        w.confidence = qMax(w.confidence, c.confidence);
    }
    void print() const
    {
        for (const QString &key : order) {
            const WordCount &w = words.value(key);
            std::printf("%s\t%lld\t%s\t%s\n", key.toUtf8().constData(),
                        static_cast<long long>(w.count), qPrintable(confidenceName(w.confidence)),
                        key.section(u'\t', 1).toUtf8().constData());
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

// A page's new bytes, written apart from its analysis.
struct PageWrite
{
    FileIdentity before; // the page as it was read
    QByteArray original; // its bytes, for a backup copy
    QByteArray encoded;
};

class Worker
{
public:
    explicit Worker(const Settings &settings)
        : m_settings(settings)
        , m_engine(m_mecab, &m_user)
    { }

    Result<void> start()
    {
        if (m_settings.strip)
            return {}; // no readings needed
        // A damaged file of corrections was warned of at the start; it reads as empty.
        if (const Result<QString> opened = m_mecab.reading(QStringLiteral("漢字")); !opened)
            return std::unexpected(opened.error());
        return {};
    }

    // The page with ruby; the words found, with the readings written.
    Result<AnnotatedText> annotate(const QString &html, QList<RubyCandidate> *words,
                                   const QString &path = {})
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
        PositionCounter position(html);
        const QHash<QString, QString> paired = pairedWithoutProposal(candidates);
        for (RubyCandidate c : std::as_const(candidates)) {
            if (m_settings.listGiven)
                c.reading = listedReading(c, path + u'\t' + position.at(c.offset), paired);
            if (!c.reading.isEmpty())
                chosen.append(c);
        }
        *words = chosen;
        return applyRuby(html, chosen, m_settings.options.form);
    }

    // The page read and annotated; what is to be written is left in write.
    PageResult page(const SitePage &page, std::optional<PageWrite> *write);

private:
    // The reviewed list's reading of a place: its own row, else the row of its
    // word and proposal; none leaves it bare.
    QString listedReading(const RubyCandidate &c, const QString &place,
                          const QHash<QString, QString> &paired) const
    {
        const auto own = m_settings.listedPlace.constFind(place);
        // A row whose sentence no longer marks this word there is of another page.
        if (own != m_settings.listedPlace.cend()
            && own->first.contains(kMarkOpen + c.base + kMarkClose))
            return fullwidthKatakana(own->second);
        const QString key = proposalKey(c.base, kanaForm(c.reading, m_settings.options.form.kana));
        return fullwidthKatakana(m_settings.listed.value(key, paired.value(key)));
    }

    // An older list's rows of a word: a row whose reading is a proposal of the page
    // takes that proposal's places; the changed rows take the proposals left over,
    // in order of first appearance, only where as many are left of both.
    QHash<QString, QString> pairedWithoutProposal(const QList<RubyCandidate> &candidates) const
    {
        QHash<QString, QStringList> proposals; // word -> its proposals in the page, in order
        for (const RubyCandidate &c : candidates) {
            if (!m_settings.listedWithoutProposal.contains(c.base))
                continue;
            if (QStringList &p = proposals[c.base]; !p.contains(c.reading))
                p.append(c.reading);
        }
        QHash<QString, QString> paired;
        for (auto it = proposals.cbegin(); it != proposals.cend(); ++it) {
            QStringList rows;
            for (const QString &r : m_settings.listedWithoutProposal.value(it.key()))
                rows.append(fullwidthKatakana(r));
            QStringList left;
            for (const QString &p : it.value()) {
                if (rows.removeOne(p))
                    paired.insert(proposalKey(it.key(), p), p);
                else
                    left.append(p);
            }
            for (qsizetype i = 0; left.size() == rows.size() && i < left.size(); ++i)
                paired.insert(proposalKey(it.key(), left.at(i)), rows.at(i));
        }
        return paired;
    }

    const Settings &m_settings;
    MecabPhoneticService m_mecab;
    UserReadings m_user;
    ReadingEngine m_engine;
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

PageResult Worker::page(const SitePage &page, std::optional<PageWrite> *write)
{
    PageResult result;
    const auto failed = [&](const Error &error) {
        result.failure = page.path + QStringLiteral(": ") + errorLine(error);
        return result;
    };
    const FileIdentity before = fileIdentity(page.path);
    // The window asks before it writes a read-only file; the tool leaves it, named.
    if (m_settings.inPlace && !m_settings.force && isReadOnlyForOwner(page.path)) {
        result.failure = page.path + QCoreApplication::translate("rubello-ruby", ": 読み取り専用のため書き換えません (--force で書き換えます)");
        return result;
    }
    const Result<OpenedFile> opened = openRegularFileForReading(page.path);
    if (!opened)
        return failed(opened.error());
    if (opened->fd < 0)
        return failed(Error::fromErrno(ErrorKind::ReadFailed, EISDIR));
    Result<QByteArray> bytes = readBounded(opened->fd, kMaxDocumentBytes);
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
    const Result<AnnotatedText> annotated = annotate(*html, &result.words, page.path);
    if (!annotated)
        return failed(annotated.error());
    result.added = annotated->done.size();
    if (m_settings.occurrences)
        result.places = placeRows(page.path, *html, result.words, m_settings.options.form.kana);
    if (!m_settings.outputDir.isEmpty())
        result.assets = linkedFiles(*html, page.path);
    if (m_settings.dryRun || (annotated->done.isEmpty() && m_settings.outputDir.isEmpty()))
        return result;

    Result<QByteArray> encoded = encodeDocument(annotated->text, encoding);
    if (!encoded)
        return failed(encoded.error());
    const bool backup = m_settings.inPlace && !m_settings.backup.isEmpty();
    *write = PageWrite {before, backup ? std::move(*bytes) : QByteArray(), std::move(*encoded)};
    return result;
}

// The new bytes of a page into place or into the output folder.
void writePage(const Settings &settings, const SitePage &page, const PageWrite &write,
               PageResult &result)
{
    const auto failed = [&](const Error &error) {
        result.failure = page.path + QStringLiteral(": ") + errorLine(error);
    };
    if (!settings.inPlace) {
        if (const auto written = writeResult(destinationOf(settings, page), write.encoded);
            !written)
            return failed(written.error());
        result.changed = true;
        return;
    }
    if (fileIdentity(page.path) != write.before)
        return failed({ErrorKind::ChangedOnDisk, {}, 0});
    if (!settings.backup.isEmpty()) {
        const QString copy = page.path + settings.backup;
        const auto kept = writeBackupCopy(page.path, copy, write.original, settings.replaceBackup);
        if (!kept && kept.error().kind == ErrorKind::Refused) {
            result.failure = page.path
                + QCoreApplication::translate("rubello-ruby", ": 控え %1 がすでにあるため書き換えません (--replace-backup で置き換えます)")
                      .arg(copy);
            return;
        }
        if (!kept)
            return failed(kept.error());
    }
    // Looked at again just before the new page replaces it.
    if (const auto saved = saveBytesSafely(page.path, write.encoded, &write.before); !saved)
        return failed(saved.error());
    result.changed = true;
}

// Writes pages on threads of their own while the analysis goes on: a synced
// write waits for the disk, not the processor. At most a few pages wait in memory.
class PageWriter
{
public:
    PageWriter(int threads, std::function<void(qsizetype, PageWrite &)> write)
        : m_write(std::move(write))
        , m_capacity(size_t(threads) * 2)
    {
        for (int t = 0; t < threads; ++t)
            m_threads.emplace_back([this] { run(); });
    }
    ~PageWriter() { finish(); }

    void add(qsizetype index, PageWrite write)
    {
        std::unique_lock lock(m_lock);
        m_room.wait(lock, [this] { return m_queue.size() < m_capacity; });
        m_queue.emplace_back(index, std::move(write));
        m_ready.notify_one();
    }
    // Every page handed over is written when this returns.
    void finish()
    {
        {
            std::lock_guard lock(m_lock);
            m_closed = true;
        }
        m_ready.notify_all();
        for (std::thread &t : m_threads)
            t.join();
        m_threads.clear();
    }

private:
    void run()
    {
        for (;;) {
            std::unique_lock lock(m_lock);
            m_ready.wait(lock, [this] { return m_closed || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            auto [index, write] = std::move(m_queue.front());
            m_queue.pop_front();
            m_room.notify_one();
            lock.unlock();
            m_write(index, write);
        }
    }

    std::function<void(qsizetype, PageWrite &)> m_write;
    const size_t m_capacity;
    std::mutex m_lock;
    std::condition_variable m_ready, m_room;
    std::deque<std::pair<qsizetype, PageWrite>> m_queue;
    bool m_closed = false;
    std::vector<std::thread> m_threads;
};

// Why a line of a reviewed list is refused, or nothing.
QString listLineProblem(const QByteArray &raw, QString *word, QString *reading)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString line = utf8.decode(raw.endsWith('\r') ? raw.chopped(1) : raw);
    if (utf8.hasError())
        return QCoreApplication::translate("rubello-ruby", "UTF-8 ではありません");
    const QStringList f = line.split(u'\t');
    // A place's row: file, line:column, sentence with the word marked, reading.
    static const QRegularExpression position(u"^[0-9]+:[0-9]+$"_qs);
    if (f.size() >= 4 && position.match(f.at(1)).hasMatch()) {
        *word = f.at(0) + u'\t' + f.at(1) + u'\t' + f.at(2);
        *reading = f.at(3);
        if (!f.at(2).contains(kMarkOpen) || !f.at(2).contains(kMarkClose))
            return QCoreApplication::translate("rubello-ruby", "文の語が【】で示されていません");
    } else {
        *word = f.first();
        *reading = f.value(1);
        if (f.size() < 2 || word->isEmpty() || word->size() > 200 || !containsKanji(*word))
            return QCoreApplication::translate("rubello-ruby", "語と読みがタブで区切られていません");
    }
    // An empty reading leaves the word bare; any other is kana, as the window takes it.
    if (!reading->isEmpty() && !isAcceptableReading(*reading))
        return QCoreApplication::translate("rubello-ruby", "読みは %1 文字までのかなです").arg(kMaxReadingLength);
    return {};
}

constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;

Result<void> readList(const QString &path, Settings *settings)
{
    const Result<OpenedFile> opened = openRegularFileForReading(path);
    if (!opened)
        return std::unexpected(Error {ErrorKind::ReadFailed, errorLine(opened.error())});
    if (opened->fd < 0)
        return std::unexpected(Error {ErrorKind::ReadFailed, std::strerror(EISDIR)});
    const Result<QByteArray> bytes = readBounded(opened->fd, kMaxListBytes);
    ::close(opened->fd);
    if (!bytes)
        return std::unexpected(Error {ErrorKind::ReadFailed, errorLine(bytes.error())});
    settings->listGiven = true;
    QStringList refused;
    int number = 0;
    for (const QByteArray &raw : bytes->split('\n')) {
        ++number;
        if (raw.isEmpty() || raw == "\r" || raw.startsWith('#'))
            continue;
        QString word, reading;
        if (const QString problem = listLineProblem(raw, &word, &reading); !problem.isEmpty()) {
            refused.append(QCoreApplication::translate("rubello-ruby", "%1 行目: %2").arg(number).arg(problem));
            continue;
        }
        if (const QStringList place = word.split(u'\t'); place.size() == 3) {
            settings->listedPlace.insert(place[0] + u'\t' + place[1], {place[2], reading});
            continue;
        }
        if (const QString proposal = QString::fromUtf8(raw).split(u'\t').value(4).trimmed();
            !proposal.isEmpty())
            settings->listed.insert(proposalKey(word, proposal), reading);
        else
            settings->listedWithoutProposal[word].append(reading);
    }
    if (!refused.isEmpty())
        return std::unexpected(Error {ErrorKind::Refused, refused.join(QCoreApplication::translate("rubello-ruby", "、"))});
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
            return fail(QCoreApplication::translate("rubello-ruby", "標準入力: ") + errorSentence({ErrorKind::NotARegularFile, {}, 0}));
        bytes = readBounded(STDIN_FILENO, kMaxDocumentBytes);
    } else {
        const Result<OpenedFile> opened = openRegularFileForReading(path);
        if (!opened)
            return fail(name + u": "_qs + errorLine(opened.error()));
        if (opened->fd < 0) {
            QFile probe(path);
            probe.open(QIODevice::ReadOnly);
            return fail(QCoreApplication::translate("rubello-ruby", "%1 を開けません: %2").arg(path, probe.errorString()));
        }
        bytes = readBounded(opened->fd, kMaxDocumentBytes);
        ::close(opened->fd);
    }
    if (!bytes)
        return fail(name + u": "_qs + errorLine(bytes.error()));
    deferStopSignals();
    TextEncoding encoding;
    const Result<QString> html = decode(*bytes, settings.encoding, &encoding);
    if (!html)
        return fail(name + u": "_qs + errorLine(html.error()));
    if (gStdoutClosed && settings.output.isEmpty())
        return fail(QCoreApplication::translate("rubello-ruby", "標準出力が閉じています。"));
    Worker worker(settings);
    if (const auto started = worker.start(); !started)
        return fail(errorLine(started.error()));
    QList<RubyCandidate> words;
    const Result<AnnotatedText> annotated = worker.annotate(*html, &words, name);
    if (!annotated)
        return fail(errorLine(annotated.error()));
    if (settings.dryRun && settings.occurrences) {
        const QStringList rows = placeRows(name, *html, words, settings.options.form.kana);
        std::fputs((rows.join(u'\n') + (rows.isEmpty() ? u""_qs : u"\n"_qs)).toUtf8().constData(), stdout);
        return 0;
    }
    if (settings.dryRun) {
        printWords(words, settings.options.form.kana);
        return 0;
    }
    const Result<QByteArray> encoded = encodeDocument(annotated->text, encoding);
    if (!encoded)
        return fail(errorLine(encoded.error()));
    if (!settings.output.isEmpty()) {
        if (const auto written = writeResult(settings.output, *encoded); !written)
            return fail(QCoreApplication::translate("rubello-ruby", "%1 に書けません: %2").arg(settings.output, errorLine(written.error())));
        return gStopSignal ? 128 + gStopSignal : 0;
    }
    const QByteArray &out = *encoded;
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size())
        || std::fflush(stdout) != 0)
        return fail(QCoreApplication::translate("rubello-ruby", "標準出力に書けません。"));
    return 0;
}



// The pages of a run into an output folder, each under a name no other takes.
QList<SitePage> withoutCollisions(const SiteWalk &walk, QStringList *failures)
{
    QHash<QString, QString> taken; // relative -> the path that has it
    const auto claim = [&](const QString &path, const QString &relative) {
        if (taken.contains(relative)) {
            failures->append(QCoreApplication::translate("rubello-ruby", "%1: %2 と同じ名前 %3 で書くことになるため書きません").arg(
                path, taken.value(relative), relative));
            return false;
        }
        taken.insert(relative, path);
        return true;
    };
    QList<SitePage> pages;
    for (const SitePage &page : walk.pages) {
        if (claim(page.path, page.relative))
            pages.append(page);
    }
    for (const SiteLink &link : walk.links)
        claim(link.path, link.relative);
    return pages;
}

// A second name of a page in the output: a link, as it is in the site.
Result<void> mirrorLink(const QString &outputDir, const SiteLink &link)
{
    const QString at = joinFolderAndName(outputDir, link.relative);
    const QString target = QFileInfo(joinFolderAndName(outputDir, link.target)).absoluteFilePath();
    QDir().mkpath(QFileInfo(at).absolutePath());
    // Made under a new name and renamed over what a former run left there.
    const QByteArray temp = QFile::encodeName(QFileInfo(at).absolutePath() + u"/."_qs
                                              + QFileInfo(at).fileName() + u".rubello-link"_qs);
    ::unlink(temp.constData());
    const int made = link.symbolic
        ? ::symlink(QFile::encodeName(QDir(QFileInfo(at).absolutePath()).relativeFilePath(target))
                        .constData(),
                    temp.constData())
        : ::link(QFile::encodeName(target).constData(), temp.constData());
    if (made != 0 || ::rename(temp.constData(), QFile::encodeName(at).constData()) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        return std::unexpected(Error::fromErrno(ErrorKind::WriteFailed, code));
    }
    return {};
}

// A file a page links to, copied unchanged into the output folder when it lies
// inside the folder the page was found in (never through a link out of it).
Result<void> copyAsset(const QString &outputDir, const QString &root, const QString &path,
                       QSet<QString> &taken)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    if (real.isEmpty() || realRoot.isEmpty() || !real.startsWith(realRoot + u'/')
        || isPageName(real) || !QFileInfo(real).isFile())
        return {}; // outside, a page (done as one), or not there: nothing to copy
    const QString relative = QDir(realRoot).relativeFilePath(real);
    if (taken.contains(relative))
        return {};
    taken.insert(relative);
    const Result<OpenedFile> opened = openRegularFileForReading(real);
    if (!opened || opened->fd < 0)
        return std::unexpected(opened ? Error {ErrorKind::ReadFailed, {}, EISDIR} : opened.error());
    const Result<QByteArray> bytes = readBounded(opened->fd, kMaxDocumentBytes);
    ::close(opened->fd);
    if (!bytes)
        return std::unexpected(bytes.error());
    return writeResult(joinFolderAndName(outputDir, relative), *bytes);
}

// Workers, each with its own analyzer, take the pages in turn until they run out
// or a stop signal comes; the writer puts their results on disk meanwhile.
std::vector<PageResult> processPages(const QList<SitePage> &pages, const Settings &settings,
                                     int jobCount, QString *startError)
{
    std::vector<PageResult> results(size_t(pages.size()));
    std::atomic<qsizetype> next {0};
    std::atomic<qsizetype> finished {0};
    std::mutex startLock;
    // After a stop signal the writes under way finish; those still waiting are
    // not begun, their pages left as they were.
    // One write at a time for each job, as many pages in hand as without the writer.
    PageWriter writer(qMax(jobCount, 1), [&](qsizetype i, PageWrite &write) {
        if (gStopSignal)
            results[size_t(i)].added = 0;
        else
            writePage(settings, pages.at(i), write, results[size_t(i)]);
        ++finished;
    });
    const auto work = [&] {
        Worker worker(settings);
        if (const auto started = worker.start(); !started) {
            std::lock_guard lock(startLock);
            *startError = errorLine(started.error());
            next = pages.size();
            return;
        }
        for (qsizetype i; !gStopSignal && (i = next++) < pages.size();) {
            std::optional<PageWrite> write;
            // A page too big for the memory at hand fails alone.
            try {
                results[size_t(i)] = worker.page(pages.at(i), &write);
            } catch (const std::bad_alloc &) {
                results[size_t(i)].failure
                    = pages.at(i).path + u": "_qs + errorSentence({ErrorKind::TooLarge, {}, 0});
            }
            if (write)
                writer.add(i, std::move(*write));
            else
                ++finished;
        }
    };
    const int threads = int(qMin<qsizetype>(jobCount, qMax<qsizetype>(pages.size(), 1)));
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
                                 .arg(pages.size())
                                 .toLocal8Bit()
                                 .constData());
            }
        }
    });
    work();
    for (std::thread &t : pool)
        t.join();
    writer.finish();
    done = true;
    progress.join();
    return results;
}

// The summary, and every failure by name; the exit status.
int report(const Settings &settings, qsizetype pageCount, const std::vector<PageResult> &results,
           QStringList failures)
{
    qsizetype added = 0, changed = 0;
    WordList list;
    for (const PageResult &r : results) {
        if (!r.failure.isEmpty()) {
            failures.append(r.failure);
            continue;
        }
        added += r.added;
        changed += r.changed;
        for (const RubyCandidate &c : r.words)
            list.add(c, settings.options.form.kana);
    }
    if (settings.dryRun && settings.occurrences) {
        for (const PageResult &r : results) {
            for (const QString &row : r.places)
                std::printf("%s\n", row.toUtf8().constData());
        }
    } else if (settings.dryRun) {
        list.print();
    }
    for (const QString &f : std::as_const(failures))
        say(f);
    QStringList guessed;
    for (const QString &key : std::as_const(list.order)) {
        const WordCount &w = list.words.value(key);
        if (w.confidence == ReadingConfidence::Guessed)
            guessed.append(u"%1 (%2) %3"_qs.arg(key.section(u'\t', 0, 0), key.section(u'\t', 1),
                                                QString::number(w.count)));
    }
    say((settings.strip ? QCoreApplication::translate("rubello-ruby", "%1 ファイル (書き換え %2)、外したルビ %3 か所、失敗 %4 ファイル。")
                        : QCoreApplication::translate("rubello-ruby", "%1 ファイル (書き換え %2)、ルビ %3 か所、失敗 %4 ファイル。"))
            .arg(pageCount)
            .arg(changed)
            .arg(added)
            .arg(failures.size()));
    if (!guessed.isEmpty())
        say(QCoreApplication::translate("rubello-ruby", "推測した読み: ") + guessed.join(QCoreApplication::translate("rubello-ruby", "、")));
    if (gStopSignal) {
        say(QCoreApplication::translate("rubello-ruby", "中断しました。書き換えたページは書き終えてあり、残りは元のままです。"));
        return 128 + gStopSignal;
    }
    return failures.isEmpty() ? 0 : 1;
}

// Every page of the files and folders named, into place or an output folder.
int runSite(const QStringList &inputs, bool recursive, const Settings &settings, int jobCount)
{
    deferStopSignals();
    const SiteWalk walk = walkSite(inputs, recursive, settings.outputDir);
    QStringList failures;
    for (const SiteFailure &f : walk.failures)
        failures.append(f.path + u": "_qs + errorLine(f.error));
    const QList<SitePage> pages
        = settings.outputDir.isEmpty() ? walk.pages : withoutCollisions(walk, &failures);
    QString startError;
    const std::vector<PageResult> results = processPages(pages, settings, jobCount, &startError);
    if (!startError.isEmpty())
        return fail(startError);
    if (!settings.outputDir.isEmpty() && !settings.dryRun) {
        QSet<QString> written;
        for (size_t i = 0; i < results.size(); ++i) {
            if (results[i].changed)
                written.insert(pages.at(qsizetype(i)).relative);
        }
        for (const SiteLink &link : walk.links) {
            if (!written.contains(link.target))
                continue;
            if (const auto mirrored = mirrorLink(settings.outputDir, link); !mirrored)
                failures.append(link.path + u": "_qs + errorLine(mirrored.error()));
        }
        QSet<QString> taken = written;
        for (size_t i = 0; i < results.size(); ++i) {
            const SitePage &page = pages.at(qsizetype(i));
            const QString root = page.path.chopped(page.relative.size());
            for (const QString &asset : results[i].assets) {
                if (const auto copied = copyAsset(settings.outputDir, root, asset, taken); !copied)
                    failures.append(asset + u": "_qs + errorLine(copied.error()));
            }
        }
    }
    return report(settings, pages.size(), results, failures);
}

} // namespace

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QCoreApplication::translate("rubello-ruby", kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {u"kana"_qs, QCoreApplication::translate("rubello-ruby", "読みの文字 (既定 hiragana)"), u"hiragana|katakana|halfwidth|romaji|romaji-ou"_qs},
        {u"keep-okurigana"_qs, QCoreApplication::translate("rubello-ruby", "送り仮名を省略しない")},
        {u"per-kanji"_qs, QCoreApplication::translate("rubello-ruby", "漢字ごとに振る (読みが一通りに分けられるとき)")},
        {u"per-word"_qs, QCoreApplication::translate("rubello-ruby", "語全体に一つのルビを振る (間の送り仮名も含めて)")},
        {u"grade"_qs,
         QCoreApplication::translate("rubello-ruby", "この学年 (1～6) までの漢字、jouyou なら常用漢字だけの語には振らない"),
         u"1-6|jouyou"_qs},
        {u"first"_qs, QCoreApplication::translate("rubello-ruby", "語ごとに最初の一か所だけ: ページごと、見出しごと"), u"page|section"_qs},
        {u"known"_qs, QCoreApplication::translate("rubello-ruby", "この文字リストの漢字だけの語には振らない"), u"FILE"_qs},
        {u"attribute"_qs, QCoreApplication::translate("rubello-ruby", "<rt> に付ける属性 (例: 'style=\"font-size:7pt\"')"), u"TEXT"_qs},
        {u"include-code"_qs, QCoreApplication::translate("rubello-ruby", "<code> と <pre> の中にも振る")},
        {u"encoding"_qs, QCoreApplication::translate("rubello-ruby", "入出力の文字コード (既定: ファイルから判定)"), u"NAME"_qs},
        {{u"r"_qs, u"recursive"_qs},
         QCoreApplication::translate("rubello-ruby", "フォルダーの中のページ (.html .htm .xhtml .shtml) にも振る。フォルダーの外へのリンクは"
         "たどらない")},
        {u"in-place"_qs, QCoreApplication::translate("rubello-ruby", "ファイルそのものを書き換える (読み取り専用のページは飛ばす)")},
        {u"force"_qs, QCoreApplication::translate("rubello-ruby", "--in-place で読み取り専用のページも書き換える")},
        {u"backup"_qs, QCoreApplication::translate("rubello-ruby", "--in-place で元のファイルを名前にこれを足して残す"), u"SUFFIX"_qs},
        {u"replace-backup"_qs, QCoreApplication::translate("rubello-ruby", "--backup の控えがすでにあれば置き換える")},
        {u"output-dir"_qs, QCoreApplication::translate("rubello-ruby", "結果をこのフォルダーに同じ構成で書く"), u"DIR"_qs},
        {u"o"_qs, QCoreApplication::translate("rubello-ruby", "結果を FILE に書く (ファイル一つのとき。書き終えてから置き換える)"),
         u"FILE"_qs},
        {u"strip"_qs, QCoreApplication::translate("rubello-ruby", "ルビを振らずに外す (<ruby> 要素を本文だけにする)")},
        {u"jobs"_qs, QCoreApplication::translate("rubello-ruby", "同時に処理するファイルの数 (既定: CPU の数)"), u"N"_qs},
        {u"dry-run"_qs, QCoreApplication::translate("rubello-ruby", "何も書かず、語の一覧を TSV (語、読み、回数、推測) で標準出力に書く")},
        {u"occurrences"_qs,
         QCoreApplication::translate("rubello-ruby", "--dry-run で一か所ごとに一行: ファイル、行:桁、語を【】で示した文、読み、推測")},
        {u"apply-list"_qs, QCoreApplication::translate("rubello-ruby", "見直した一覧 (--dry-run の形) の語と読みだけを振る"), u"FILE"_qs},
    });
    parser.addPositionalArgument(QCoreApplication::translate("rubello-ruby", "ファイル"), QCoreApplication::translate("rubello-ruby", "HTML ファイルまたはフォルダー"),
                                 QCoreApplication::translate("rubello-ruby", "[ファイル...]"));
}

// How the ruby is written and which words get it; an error's sentence, or nothing.
QString readRubyOptions(const QCommandLineParser &parser, Settings &settings)
{
    RubyOptions &options = settings.options;
    if (parser.isSet(u"kana"_qs)) {
        const QString v = parser.value(u"kana"_qs);
        const std::optional<KanaForm> form = kanaFormFromName(v);
        if (!form)
            return QCoreApplication::translate("rubello-ruby", "--kana は hiragana, katakana, halfwidth, romaji, romaji-ou のどれかです: ") + v;
        options.form.kana = *form;
    }
    options.omitOkurigana = !parser.isSet(u"keep-okurigana"_qs);
    options.form.perKanji = parser.isSet(u"per-kanji"_qs);
    options.form.perWord = parser.isSet(u"per-word"_qs);
    options.skipCodeAndPre = !parser.isSet(u"include-code"_qs);
    if (parser.isSet(u"attribute"_qs)) {
        options.form.withAttribute = true;
        options.form.attribute = parser.value(u"attribute"_qs);
    }
    if (parser.isSet(u"grade"_qs)) {
        const auto level = gradeLevelFromName(parser.value(u"grade"_qs));
        if (!level)
            return QCoreApplication::translate("rubello-ruby", "--grade は 1～6 か jouyou です: ") + parser.value(u"grade"_qs);
        options.knownKanji = knownKanjiOfLevel(*level);
    }
    if (parser.isSet(u"first"_qs)) {
        const QString v = parser.value(u"first"_qs);
        if (v != u"page" && v != u"section")
            return QCoreApplication::translate("rubello-ruby", "--first は page か section です: ") + v;
        settings.first = v == u"page" ? FirstOnly::Page : FirstOnly::Section;
    }
    if (parser.isSet(u"known"_qs)) {
        QFile file(parser.value(u"known"_qs));
        if (!file.open(QIODevice::ReadOnly))
            return QCoreApplication::translate("rubello-ruby", "%1 を開けません: %2").arg(file.fileName(), file.errorString());
        options.knownKanji.unite(kanjiSet(QString::fromUtf8(file.read(kMaxDocumentBytes))));
    }
    if (options.form.perKanji) {
        const KanjiReadings &kanji = KanjiReadings::system();
        if (kanji.isEmpty())
            return errorLine(kanji.loadError().value_or(Error {
                .kind = ErrorKind::KanjiDictionaryEmpty, .path = KanjiReadings::systemFile()}));
        options.form.kanji = &kanji;
    }
    return {};
}

// Where the results go and what else the run does; an error's sentence, or nothing.
QString readRunOptions(const QCommandLineParser &parser, Settings &settings)
{
    if (parser.isSet(u"encoding"_qs)) {
        settings.encoding = parser.value(u"encoding"_qs).toLatin1();
        if (!QStringDecoder(settings.encoding.constData()).isValid())
            return QCoreApplication::translate("rubello-ruby", "知らない文字コードです: ") + parser.value(u"encoding"_qs);
    }
    settings.dryRun = parser.isSet(u"dry-run"_qs);
    settings.occurrences = parser.isSet(u"occurrences"_qs);
    if (settings.occurrences && !settings.dryRun)
        return QCoreApplication::translate("rubello-ruby", "--occurrences は --dry-run とともに使います。");
    settings.strip = parser.isSet(u"strip"_qs);
    if (settings.strip && (settings.dryRun || parser.isSet(u"apply-list"_qs)))
        return QCoreApplication::translate("rubello-ruby", "--strip は --dry-run とも --apply-list とも使えません。");
    settings.inPlace = parser.isSet(u"in-place"_qs);
    settings.force = parser.isSet(u"force"_qs);
    settings.backup = parser.value(u"backup"_qs);
    settings.replaceBackup = parser.isSet(u"replace-backup"_qs);
    settings.outputDir = parser.value(u"output-dir"_qs);
    settings.output = parser.value(u"o"_qs);
    if (parser.isSet(u"backup"_qs)
        && (!settings.inPlace || settings.backup.isEmpty() || settings.backup.contains(u'/')))
        return QCoreApplication::translate("rubello-ruby", "--backup は --in-place とともに、/ を含まない接尾辞で指定します。");
    if (settings.replaceBackup && !parser.isSet(u"backup"_qs))
        return QCoreApplication::translate("rubello-ruby", "--replace-backup は --backup とともに使います。");
    if (int(settings.inPlace) + int(!settings.outputDir.isEmpty()) + int(!settings.output.isEmpty())
        > 1)
        return QCoreApplication::translate("rubello-ruby", "--in-place, --output-dir, -o はどれか一つです。");
    if (parser.isSet(u"apply-list"_qs)) {
        if (const auto read = readList(parser.value(u"apply-list"_qs), &settings); !read)
            return QCoreApplication::translate("rubello-ruby", "%1 を読めません: %2").arg(parser.value(u"apply-list"_qs), read.error().detail);
    }
    return {};
}

// A closed standard stream is noted, then held by /dev/null, so no file opened
// later takes its number (and the output or messages with it).
bool holdClosedStreams(bool *stdinClosed)
{
    *stdinClosed = ::fcntl(STDIN_FILENO, F_GETFD) < 0;
    gStdoutClosed = ::fcntl(STDOUT_FILENO, F_GETFD) < 0;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0
            && ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0)
            return false;
    }
    return true;
}

// The inputs to one page or to a site run, as the options allow.
int run(const QCommandLineParser &parser, const Settings &settings, bool stdinClosed, int jobCount)
{
    const QStringList inputs = parser.positionalArguments();
    const bool recursive = parser.isSet(u"r"_qs);
    const bool toFiles = settings.inPlace || !settings.outputDir.isEmpty();
    const bool fromStdin = inputs.isEmpty() || (inputs.size() == 1 && inputs.first() == u"-");
    if (fromStdin && stdinClosed)
        return fail(QCoreApplication::translate("rubello-ruby", "標準入力が閉じています。"));
    if (fromStdin && toFiles)
        return fail(QCoreApplication::translate("rubello-ruby", "標準入力には --in-place も --output-dir も使えません。"));
    if (!settings.output.isEmpty() && (inputs.size() > 1 || recursive))
        return fail(QCoreApplication::translate("rubello-ruby", "-o はページ一つのときだけです。複数には --output-dir を使います。"));
    if (fromStdin
        || (!toFiles && !settings.dryRun && inputs.size() == 1 && !recursive
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
    return runSite(inputs, recursive, settings, jobCount);
}

} // namespace

int main(int argc, char *argv[])
{
    bool stdinClosed = false;
    if (!holdClosedStreams(&stdinClosed))
        return 2;
    QCoreApplication app(argc, argv);
    // The window's name, so the user's readings are found where it keeps them.
    QCoreApplication::setApplicationName(QStringLiteral("Rubello"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kRubelloVersion));
    installInterfaceTranslation(QCoreApplication::applicationDirPath());

    QCommandLineParser parser;
    addOptions(parser);
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
    for (const auto &read : {readRubyOptions, readRunOptions}) {
        if (const QString problem = read(parser, settings); !problem.isEmpty())
            return fail(problem);
    }
    int jobCount = QThread::idealThreadCount();
    if (parser.isSet(u"jobs"_qs)) {
        bool ok = false;
        jobCount = parser.value(u"jobs"_qs).toInt(&ok);
        if (!ok || jobCount < 1 || jobCount > 256)
            return fail(QCoreApplication::translate("rubello-ruby", "--jobs は 1 以上の数です: ") + parser.value(u"jobs"_qs));
    }
    if (!settings.strip) {
        // A damaged file of corrections is used as empty, and said so.
        UserReadings user;
        if (const Result<void> loaded = user.load(); !loaded)
            say(userReadingsErrorSentence(loaded.error()));
    }
    interruptForTests();
    const int status = run(parser, settings, stdinClosed, jobCount);
    // Said, not fatal: the pages were read without the list.
    if (const RareWordList &list = RareWordList::system(); list.loaded() && list.loadError())
        say(errorLine(*list.loadError()));
    return status;
}
