#pragma once

#include <QPair>
#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

class QWidget;

// The rendered preview as the window sees it. The pane lives in a module of its
// own that is loaded when the preview is first shown, so a run that never shows
// it neither links nor starts the web engine.
class PreviewPaneInterface
{
public:
    virtual ~PreviewPaneInterface() = default;

    virtual QWidget *widget() = 0;
    // Where the text, the document's path and the editor's selection come from.
    virtual void setSource(std::function<QString()> text, std::function<QString()> documentPath,
                           std::function<QPair<int, int>()> selection) = 0;
    // What the window hears back: a render finished (ok: it loaded), a click on the
    // page (where the caret belongs), a link the user clicked (for the web browser).
    virtual void setListeners(std::function<void(bool)> rendered, std::function<void(int)> clicked,
                              std::function<void(const QUrl &)> link) = 0;
    // The text changed: a render follows a moment after the last change.
    virtual void noteTextChanged() = 0;
    virtual void renderNow() = 0;
    virtual void noteSelectionChanged() = 0;
    virtual void setScriptsEnabled(bool on) = 0;
    virtual void setRemoteAllowed(bool on) = 0;
};

// What the module gives: panes, made after the module has registered its scheme.
class PreviewPaneFactory
{
public:
    virtual ~PreviewPaneFactory() = default;
    virtual PreviewPaneInterface *createPane(QWidget *parent) = 0;
};

#define RubelloPreviewFactory_iid "io.github.rubello.PreviewPaneFactory/1"
Q_DECLARE_INTERFACE(PreviewPaneFactory, RubelloPreviewFactory_iid)
