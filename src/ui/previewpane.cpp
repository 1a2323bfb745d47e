#include "ui/previewpane.h"

#include "core/document/previewpage.h"

#include <QCoreApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QMutex>
#include <QPushButton>
#include <QStackedWidget>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <QDir>

#include <sys/resource.h>

#include <cerrno>

namespace {

const QByteArray kScheme = QByteArrayLiteral("rubello-preview");
// A pane with a page of this size still renders within a moment of the last key.
constexpr int kRenderDelayMs = 150;
// Keys at a steady pace: the page waits for a pause half as long again as the
// pace (at most kLongestDelayMs), so the engine's work does not meet the next key.
constexpr int kSteadyKeysMs = 600;
constexpr int kLongestDelayMs = 300;
constexpr int kSelectionDelayMs = 120;
// Files a page refers to are read whole; a larger one is not served.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;

// Runs in the pane's own world: the page's scripts neither see nor change it, and
// it runs while the page's scripts are off.
const char kPaneScript[] = R"(
var rubello = {
  // Edits made in place since the page loaded: [from, delta], oldest first.
  shifts: [],
  // An element made by an edit in place holds offsets of the text after that
  // edit (data-rubello-gen: how many edits it has seen); later ones move it.
  at: function (e) {
    var v = parseInt(e.getAttribute('data-rubello-at'), 10);
    var i = parseInt(e.getAttribute('data-rubello-gen') || '0', 10);
    for (; i < this.shifts.length; ++i) if (v >= this.shifts[i][0]) v += this.shifts[i][1];
    return v;
  },
  empty: /^(area|base|br|col|embed|hr|img|input|link|meta|source|track|wbr)$/,
  find: function (tagAt, name, closing) {
    // A start tag: only the values its element may carry, one for each edit since
    // the load, are looked for, not every element of the page measured.
    var wanted = [], v = tagAt;
    for (var g = this.shifts.length; !closing && g >= 0 && wanted.length < 64; --g) {
      var value = '[data-rubello-at="' + v + '"]';
      if (wanted.indexOf(value) < 0) wanted.push(value);
      // After a removal the places just before it did not move.
      if (g > 0 && v >= this.shifts[g - 1][0] + Math.max(this.shifts[g - 1][1], 0)) v -= this.shifts[g - 1][1];
    }
    var all = document.querySelectorAll(closing || wanted.length >= 64 ? '[data-rubello-at]' : wanted.join(','));
    var e = null, eAt = -1;
    for (var i = 0; i < all.length; ++i) {
      var o = this.at(all[i]);
      if (closing ? (o <= tagAt && o >= eAt && all[i].localName === name) : o === tagAt) { e = all[i]; eAt = o; }
    }
    return e && e.localName === name ? e : null;
  },
  patch: function (tagAt, name, closing, before, removed, inserted, after, from, delta) {
    var e = this.find(tagAt, name, closing);
    if (!e) return false;
    // The parser splits a long run of text into several nodes.
    var t = closing || this.empty.test(name) ? e.nextSibling : e.firstChild, run = [], text = '';
    for (var n = t; n && n.nodeType === 3 && text.length < (before + removed + after).length; n = n.nextSibling) {
      run.push(n);
      text += n.data;
    }
    if (!run.length || text !== before + removed + after) return false;
    var k = 0, at = before.length;
    while (k < run.length - 1 && at >= run[k].length) at -= run[k++].length;
    if (at + removed.length <= run[k].length) {
      run[k].replaceData(at, removed.length, inserted);
    } else {
      run[0].data = before + inserted + after;
      for (k = 1; k < run.length; ++k) run[k].remove();
    }
    this.shifts.push([from, delta]);
    return true;
  },
  // The content of one element parsed again, the reader's place kept.
  block: function (tagAt, name, html, from, delta) {
    var e = this.find(tagAt, name, false);
    if (!e || e.namespaceURI !== 'http://www.w3.org/1999/xhtml') return false;
    var x = window.scrollX, y = window.scrollY;
    e.innerHTML = html;
    this.shifts.push([from, delta]);
    var made = e.querySelectorAll('[data-rubello-at]');
    for (var i = 0; i < made.length; ++i) made[i].setAttribute('data-rubello-gen', this.shifts.length);
    window.scrollTo(x, y);
    return true;
  },
  // The run from one element up to a later sibling parsed again in their parent;
  // with no sibling (nextAt -1), up to the body's end.
  siblings: function (tagAt, name, nextAt, nextName, html, from, delta) {
    var first = this.find(tagAt, name, false), next = nextAt < 0 ? null : this.find(nextAt, nextName, false);
    if (!first || (nextAt < 0 ? first.parentNode !== document.body : !next || first.parentNode !== next.parentNode)) return false;
    var parent = first.parentNode, run = [];
    if (parent.namespaceURI !== 'http://www.w3.org/1999/xhtml') return false;
    for (var n = first; n && n !== next; n = n.nextSibling) run.push(n);
    if (!run.length || run[run.length - 1].nextSibling !== next) return false;
    var x = window.scrollX, y = window.scrollY;
    var box = document.createElement(parent.localName);
    box.innerHTML = html;
    var made = box.querySelectorAll('[data-rubello-at]');
    while (box.firstChild) parent.insertBefore(box.firstChild, next);
    for (var i = 0; i < run.length; ++i) run[i].remove();
    this.shifts.push([from, delta]);
    for (i = 0; i < made.length; ++i) made[i].setAttribute('data-rubello-gen', this.shifts.length);
    window.scrollTo(x, y);
    return true;
  },
  show: function (offset, mark) {
    // Start tags come in the page's order: the last one at or before the offset is
    // found by halving, not by measuring every element at each caret move.
    var all = document.querySelectorAll('[data-rubello-at]'), low = 0, high = all.length;
    while (low < high) {
      var middle = (low + high) >> 1;
      if (this.at(all[middle]) <= offset) low = middle + 1; else high = middle;
    }
    var best = low > 0 ? all[low - 1] : null, bestAt = best ? this.at(best) : -1;
    if (this.lit) { this.lit.style.outline = this.litOutline; this.lit = null; }
    if (!best || !document.body || !document.body.contains(best)) return -1;
    var r = best.getBoundingClientRect();
    if (r.bottom < 0 || r.top > window.innerHeight) best.scrollIntoView({block: 'center'});
    if (mark) { this.lit = best; this.litOutline = best.style.outline; best.style.outline = '2px solid #f90'; }
    return bestAt;
  },
  pick: function (x, y) {
    var range = document.caretRangeFromPoint(x, y);
    if (!range) return null;
    var node = range.startContainer, e = node.nodeType === 1 ? node : node.parentElement;
    while (e && !e.hasAttribute('data-rubello-at')) e = e.parentElement;
    if (!e) return null;
    return [this.at(e), node.nodeType === 3 ? node.data : '', range.startOffset];
  }
};
)";

QStringList threadsOf(qint64 pid)
{
    return QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Ten steps below the window thread's own: an editor started with nice keeps
// its lead over the engine.
int lowerNice()
{
    errno = 0;
    const int own = ::getpriority(PRIO_PROCESS, 0);
    return errno != 0 ? 10 : qMin(19, own + 10);
}

// The renderer yields to the editor: typing keeps the processor when both want it.
void lowerPriority(qint64 pid)
{
    if (pid <= 0)
        return;
    const int nice = lowerNice();
    for (const QString &thread : threadsOf(pid))
        ::setpriority(PRIO_PROCESS, id_t(thread.toLongLong()), nice);
}

// The engine's threads in this process (its compositor and software drawing) yield
// to the window thread as well; the threads there before the engine keep theirs.
void lowerEngineThreads(const QStringList &before)
{
    const qint64 self = QCoreApplication::applicationPid();
    const int nice = lowerNice();
    for (const QString &thread : threadsOf(self)) {
        if (before.contains(thread))
            continue;
        QFile name(QStringLiteral("/proc/%1/task/%2/comm").arg(self).arg(thread));
        // Qt's own pools (the page builder among them) are not the engine's.
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("Thread (pooled)"))
            continue;
        ::setpriority(PRIO_PROCESS, id_t(thread.toLongLong()), nice);
    }
}

} // namespace

// Serves the page being previewed and the files of its folder, nothing else.
class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void setPage(const QString &pagePath, const QString &folder, const QByteArray &bytes)
    {
        m_pagePath = pagePath;
        m_folder = folder;
        m_bytes = bytes;
    }

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QString path = job->requestUrl().path();
        if (path == m_pagePath) {
            reply(job, QByteArrayLiteral("text/html"), m_bytes);
            return;
        }
        const QFileInfo info(path);
        if (!isInsideFolder(m_folder, path) || !info.isFile() || info.size() > kLargestFile) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        reply(job, QMimeDatabase().mimeTypeForFile(info).name().toUtf8(), file.readAll());
    }

private:
    static void reply(QWebEngineUrlRequestJob *job, const QByteArray &type, const QByteArray &bytes)
    {
        auto *buffer = new QBuffer(job);
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        job->reply(type, buffer);
    }

    QString m_pagePath;
    QString m_folder;
    QByteArray m_bytes;
};

// Every request of the page passes here; what previewMayLoad refuses is blocked.
class PreviewRequests : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void setFolder(const QString &folder)
    {
        QMutexLocker lock(&m_mutex);
        m_folder = folder;
    }
    void setRemoteAllowed(bool on)
    {
        QMutexLocker lock(&m_mutex);
        m_remoteAllowed = on;
    }
    bool remoteAllowed()
    {
        QMutexLocker lock(&m_mutex);
        return m_remoteAllowed;
    }

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        QMutexLocker lock(&m_mutex);
        if (!previewMayLoad(info.requestUrl(), m_folder, QString::fromLatin1(kScheme),
                            m_remoteAllowed))
            info.block(true);
    }

private:
    QMutex m_mutex;
    QString m_folder;
    bool m_remoteAllowed = false;
};

// Loads only what the pane asks for; a link the user clicks goes out instead.
class PreviewPage : public QWebEnginePage
{
public:
    PreviewPage(QWebEngineProfile *profile, QObject *parent, std::function<void(const QUrl &)> onLink)
        : QWebEnginePage(profile, parent)
        , m_onLink(std::move(onLink))
    {
    }

    void expect(const QUrl &url) { m_expected = url; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        const QUrl bare = url.adjusted(QUrl::RemoveFragment);
        if (isMainFrame && bare == m_expected) {
            // The pane's own load, or a jump to an anchor of the page shown.
            return type != NavigationTypeLinkClicked || url.hasFragment();
        }
        if (type == NavigationTypeLinkClicked) {
            m_onLink(url);
            return false;
        }
        // Frames of the page may show what the page itself may load.
        return !isMainFrame && (url.scheme() == QLatin1String(kScheme) || url.scheme() == u"about");
    }

    // The page's messages are not the program's.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }

private:
    std::function<void(const QUrl &)> m_onLink;
    QUrl m_expected;
};

void PreviewPane::registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(kScheme).name() == kScheme)
        return;
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Like file:, and allowed to reach file: addresses, which the interceptor
    // then limits to the document's folder.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QString PreviewPane::scheme()
{
    return QString::fromLatin1(kScheme);
}

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent)
{
    m_threadsBefore = threadsOf(QCoreApplication::applicationPid());
    // Off the record: nothing of the pages is kept on disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_pages = new PreviewSchemeHandler(this);
    m_profile->installUrlSchemeHandler(kScheme, m_pages);
    m_requests = new PreviewRequests(this);
    m_profile->setUrlRequestInterceptor(m_requests);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    m_page = new PreviewPage(m_profile, this, [this](const QUrl &url) { openLink(url); });
    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    QWebEngineScript script;
    script.setName(QStringLiteral("rubello"));
    script.setSourceCode(QString::fromUtf8(kPaneScript));
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(false);
    m_page->scripts().insert(script);

    m_stack = new QStackedWidget(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 5, 2);
    layout->addWidget(m_stack);
    m_view = new QWebEngineView(m_stack);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->installEventFilter(this);
    if (QWidget *proxy = m_view->focusProxy())
        proxy->installEventFilter(this);
    m_stack->addWidget(m_view);

    m_crashNotice = new QWidget(m_stack);
    auto *notice = new QVBoxLayout(m_crashNotice);
    auto *message = new QLabel(QCoreApplication::translate("PreviewPane", "プレビューの表示処理が止まりました。"), m_crashNotice);
    message->setWordWrap(true);
    m_restartButton = new QPushButton(QCoreApplication::translate("PreviewPane", "プレビューを再開 (&R)"), m_crashNotice);
    notice->addStretch();
    notice->addWidget(message, 0, Qt::AlignHCenter);
    notice->addWidget(m_restartButton, 0, Qt::AlignHCenter);
    notice->addStretch();
    m_stack->addWidget(m_crashNotice);

    m_builder = new QThreadPool(this);
    m_builder->setMaxThreadCount(1);
    m_renderTimer = new QTimer(this);
    m_renderTimer->setSingleShot(true);
    m_renderTimer->setInterval(kRenderDelayMs);
    m_selectionTimer = new QTimer(this);
    m_selectionTimer->setSingleShot(true);
    m_selectionTimer->setInterval(kSelectionDelayMs);
    connect(m_renderTimer, &QTimer::timeout, this, &PreviewPane::renderNow);
    connect(m_selectionTimer, &QTimer::timeout, this, &PreviewPane::showSelection);
    connect(m_page, &QWebEnginePage::loadFinished, this, &PreviewPane::finishLoad);
    connect(m_page, &QWebEnginePage::renderProcessPidChanged, this, &lowerPriority);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    showCrash();
            });
    connect(m_restartButton, &QPushButton::clicked, this, [this] {
        m_stack->setCurrentWidget(m_view);
        renderNow();
    });
}

PreviewPane::~PreviewPane()
{
    // A page being built reports to this pane: it finishes first.
    m_builder->waitForDone();
    // The page must go before its profile.
    delete m_view;
    delete m_page;
}

QWebEnginePage *PreviewPane::page() const
{
    return m_page;
}

void PreviewPane::setSource(std::function<QString()> text, std::function<QString()> documentPath,
                            std::function<QPair<int, int>()> selection)
{
    m_text = std::move(text);
    m_documentPath = std::move(documentPath);
    m_selection = std::move(selection);
}

void PreviewPane::setListeners(std::function<void(bool)> rendered, std::function<void(int)> clicked,
                               std::function<void(const QUrl &)> link)
{
    connect(this, &PreviewPane::rendered, this, std::move(rendered));
    connect(this, &PreviewPane::sourceClicked, this, std::move(clicked));
    connect(this, &PreviewPane::linkClicked, this, std::move(link));
}

int PreviewPane::renderDelay() const
{
    return kRenderDelayMs;
}

void PreviewPane::noteTextChanged()
{
    const qint64 gap = m_sinceKey.isValid() ? m_sinceKey.restart() : -1;
    if (gap < 0)
        m_sinceKey.start();
    const qint64 delay = gap >= 0 && gap < kSteadyKeysMs ? qBound(qint64(kRenderDelayMs), gap * 3 / 2, qint64(kLongestDelayMs))
                                                         : kRenderDelayMs;
    m_renderTimer->start(int(delay));
    // The caret's element is shown with the render.
    m_selectionTimer->stop();
}

void PreviewPane::noteSelectionChanged()
{
    m_selectionPending = true;
    if (!m_renderTimer->isActive())
        m_selectionTimer->start();
}

void PreviewPane::renderNow()
{
    render(false);
}

void PreviewPane::render(bool reload)
{
    m_renderTimer->stop();
    if (!m_text)
        return;
    if (m_patching) {
        m_renderTimer->start(kRenderDelayMs); // after the edit in flight
        return;
    }
    const QString text = m_text();
    const QString path = m_documentPath ? m_documentPath() : QString();
    // A new document has no folder: its page lives nowhere and may read nothing.
    const QString pagePath = path.isEmpty() ? QStringLiteral("/untitled.html") : path;
    if (pagePath == m_shownPath && !m_loading && !m_shownText.isEmpty()
        && m_stack->currentWidget() == m_view && !reload) {
        // Shown again, nothing typed meanwhile: the page is as it was.
        if (text == m_shownText) {
            QMetaObject::invokeMethod(this, [this] { emit rendered(true); }, Qt::QueuedConnection);
            return;
        }
        // Typing in a run of text: the page changes in place, laid out anew only there.
        if (const std::optional<PreviewTextEdit> edit = previewTextEdit(m_shownText, text)) {
            patch(*edit, text);
            return;
        }
        // A tag typed: only the block around it is parsed again. The page's own
        // scripts, when allowed, would see a page no load made: it loads again.
        if (!scriptsEnabled()) {
            if (const std::optional<PreviewBlockEdit> edit = previewBlockEdit(m_shownText, text)) {
                replaceBlock(*edit, text);
                return;
            }
        }
    }
    load(text, path.isEmpty() ? QString() : QFileInfo(path).absolutePath(), pagePath);
}

void PreviewPane::patch(const PreviewTextEdit &edit, const QString &text)
{
    const QJsonArray arguments{double(edit.tagOffset), edit.tagName, edit.closing, edit.before,
                               edit.removed, edit.inserted, edit.after, double(edit.from),
                               double(edit.delta)};
    change(QStringLiteral("patch"), arguments, text);
}

void PreviewPane::replaceBlock(const PreviewBlockEdit &edit, const QString &text)
{
    if (edit.nextOffset >= 0) {
        const QJsonArray arguments{double(edit.tagOffset), edit.tagName,
                                   double(edit.toBodyEnd ? -1 : edit.nextOffset),
                                   edit.nextName,          edit.content, double(edit.from),
                                   double(edit.delta)};
        change(QStringLiteral("siblings"), arguments, text);
        return;
    }
    const QJsonArray arguments{double(edit.tagOffset), edit.tagName, edit.content, double(edit.from),
                               double(edit.delta)};
    change(QStringLiteral("block"), arguments, text);
}

void PreviewPane::change(const QString &function, const QJsonArray &arguments, const QString &text)
{
    const QString call = QStringLiteral("rubello.%1.apply(rubello, %2);")
                             .arg(function, QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)));
    m_patching = true;
    m_page->runJavaScript(call, QWebEngineScript::ApplicationWorld, [this, text](const QVariant &done) {
        m_patching = false;
        if (!done.toBool()) {
            // The page is not as the text says (its scripts, a parser's fix-up): load it.
            m_shownText.clear();
            renderNow();
            return;
        }
        m_shownText = text;
        if (m_selectionPending)
            showSelection();
        emit rendered(true);
    });
}

void PreviewPane::load(const QString &text, const QString &folder, const QString &pagePath)
{
    // Another document starts at its top; the same one keeps its place.
    if (pagePath != m_shownPath)
        m_scroll = {};
    else if (!m_loading)
        m_scroll = m_page->scrollPosition();
    m_shownPath = pagePath;
    m_shownText.clear();
    m_loading = true;
    const int generation = ++m_generation;
    // The page is built off the window thread: typing goes on meanwhile.
    m_builder->start([this, text, folder, pagePath, generation] {
        // The byte order mark wins over any <meta charset>: the text is already decoded.
        QByteArray bytes = QByteArrayLiteral("\xEF\xBB\xBF") + markedForPreview(text).toUtf8();
        QMetaObject::invokeMethod(
            this,
            [this, text, folder, pagePath, generation, bytes = std::move(bytes)] {
                if (generation != m_generation)
                    return; // a newer text is being built
                m_pages->setPage(pagePath, folder, bytes);
                m_requests->setFolder(folder);
                m_loadingText = text;
                QUrl url;
                url.setScheme(scheme());
                url.setPath(pagePath);
                url.setQuery(QStringLiteral("r=%1").arg(generation));
                m_page->expect(url);
                m_page->load(url);
            },
            Qt::QueuedConnection);
    });
}

void PreviewPane::finishLoad(bool ok)
{
    // Started with the first page, and again after a crash.
    lowerEngineThreads(m_threadsBefore);
    m_loading = false;
    m_shownText = ok ? m_loadingText : QString();
    m_loadingText.clear();
    if (ok && !m_scroll.isNull())
        m_page->runJavaScript(QStringLiteral("window.scrollTo(%1, %2);").arg(m_scroll.x()).arg(m_scroll.y()),
                              QWebEngineScript::ApplicationWorld);
    if (m_selectionPending)
        showSelection();
    emit rendered(ok);
}

void PreviewPane::showSelection()
{
    if (m_loading || !m_selection)
        return; // shown when the load finishes
    m_selectionPending = false;
    const QPair<int, int> selection = m_selection();
    m_page->runJavaScript(QStringLiteral("rubello.show(%1, %2);")
                              .arg(selection.first)
                              .arg(selection.second > 0 ? u"true" : u"false"),
                          QWebEngineScript::ApplicationWorld);
}

void PreviewPane::pick(const QPoint &position)
{
    const qreal zoom = m_page->zoomFactor();
    const QString call = QStringLiteral("rubello.pick(%1, %2);")
                             .arg(position.x() / zoom)
                             .arg(position.y() / zoom);
    m_page->runJavaScript(call, QWebEngineScript::ApplicationWorld, [this](const QVariant &result) {
        const QVariantList found = result.toList();
        if (found.size() != 3 || !m_text)
            return;
        emit sourceClicked(sourceOffsetOfClick(m_text(), found.at(0).toInt(),
                                               found.at(1).toString(), found.at(2).toInt()));
    });
}

void PreviewPane::showCrash()
{
    m_loading = false;
    m_shownText.clear();
    m_stack->setCurrentWidget(m_crashNotice);
}

void PreviewPane::openLink(const QUrl &url)
{
    // A file of the page's own scheme goes to the browser as the file it is.
    emit linkClicked(url.scheme() == scheme() ? QUrl::fromLocalFile(url.path()) : url);
}

void PreviewPane::setScriptsEnabled(bool on)
{
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, on);
    render(true);
}

bool PreviewPane::scriptsEnabled() const
{
    return m_page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled);
}

void PreviewPane::setRemoteAllowed(bool on)
{
    m_requests->setRemoteAllowed(on);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, on);
    render(true);
}

bool PreviewPane::remoteAllowed() const
{
    return m_requests->remoteAllowed();
}

bool PreviewPane::eventFilter(QObject *watched, QEvent *event)
{
    // The page's widget may be made again (after a crash): each one is watched.
    if (watched == m_view && event->type() == QEvent::ChildAdded) {
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
    } else if (watched != m_view && event->type() == QEvent::MouseButtonPress) {
        m_pressedAt = static_cast<QMouseEvent *>(event)->position().toPoint();
    } else if (watched != m_view && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A click, not the end of a selection drag.
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier
            && (mouse->position().toPoint() - m_pressedAt).manhattanLength() < 4)
            pick(mouse->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}
