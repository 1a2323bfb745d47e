#pragma once

#include "ui/previewinterface.h"

#include <QElapsedTimer>
#include <QPointF>
#include <QUrl>
#include <QWidget>

#include <functional>

struct PreviewBlockEdit;
struct PreviewTextEdit;
class QJsonArray;
class PreviewPage;
class PreviewRequests;
class PreviewSchemeHandler;
class QLabel;
class QPushButton;
class QStackedWidget;
class QThreadPool;
class QTimer;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// The rendered page beside the editor. It reads the editor's text only when a
// render is due (a moment after the last change), serves it through a scheme of
// its own from the document's folder, and keeps the page from running scripts,
// fetching from the network, navigating or reading files outside that folder.
class PreviewPane : public QWidget, public PreviewPaneInterface
{
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // The pane's scheme must be known to the engine before the application object
    // exists; a run that never shows the pane pays nothing more for it.
    static void registerScheme();
    static QString scheme();

    // Where the text, the document's path and the editor's selection come from.
    QWidget *widget() override { return this; }
    void setSource(std::function<QString()> text, std::function<QString()> documentPath,
                   std::function<QPair<int, int>()> selection) override;
    void setListeners(std::function<void(bool)> rendered, std::function<void(int)> clicked,
                      std::function<void(const QUrl &)> link) override;
    // The text changed: a render follows after a pause in the typing (the delay,
    // longer while keys come at a steady pace), restarted by each change.
    void noteTextChanged() override;
    void renderNow() override;
    // The caret or selection moved: the preview shows its element a moment later.
    void noteSelectionChanged() override;
    int renderDelay() const;

    // Options of the session; each renders again.
    void setScriptsEnabled(bool on) override;
    bool scriptsEnabled() const;
    void setRemoteAllowed(bool on) override;
    bool remoteAllowed() const;

    // For tests and measurements.
    QWebEngineView *view() const { return m_view; }
    QWebEnginePage *page() const;
    QWidget *crashNotice() const { return m_crashNotice; }
    QPushButton *restartButton() const { return m_restartButton; }
    bool isLoading() const { return m_loading; }

signals:
    // A render finished loading (ok: the page loaded).
    void rendered(bool ok);
    // A click on the page: where the editor's caret belongs.
    void sourceClicked(int offset);
    // A link the user clicked: for the web browser, never shown here.
    void linkClicked(const QUrl &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // reload: the page is loaded again even when the text is the one it shows.
    void render(bool reload);
    void load(const QString &text, const QString &folder, const QString &pagePath);
    void patch(const PreviewTextEdit &edit, const QString &text);
    void replaceBlock(const PreviewBlockEdit &edit, const QString &text);
    // Changes the page in place through the pane's script; loads it when the page
    // is not as the text it shows says.
    void change(const QString &function, const QJsonArray &arguments, const QString &text);
    void finishLoad(bool ok);
    void showSelection();
    void pick(const QPoint &position);
    void showCrash();
    void openLink(const QUrl &url);

    QWebEngineProfile *m_profile = nullptr;
    PreviewSchemeHandler *m_pages = nullptr;
    PreviewRequests *m_requests = nullptr;
    PreviewPage *m_page = nullptr;
    QWebEngineView *m_view = nullptr;
    QStackedWidget *m_stack = nullptr;
    QWidget *m_crashNotice = nullptr;
    QPushButton *m_restartButton = nullptr;
    QTimer *m_renderTimer = nullptr;
    QTimer *m_selectionTimer = nullptr;
    std::function<QString()> m_text;
    std::function<QString()> m_documentPath;
    std::function<QPair<int, int>()> m_selection;
    QThreadPool *m_builder = nullptr;
    QStringList m_threadsBefore;
    QString m_shownPath;
    // The text the page shows (empty: none to change in place) and the one loading.
    QString m_shownText;
    QString m_loadingText;
    bool m_patching = false;
    QPointF m_scroll;
    QPoint m_pressedAt;
    QElapsedTimer m_sinceKey;
    int m_generation = 0;
    bool m_loading = false;
    bool m_selectionPending = false;
};
