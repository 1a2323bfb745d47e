#include "ui/previewinterface.h"
#include "ui/previewpane.h"

#include <QObject>

// The module's entry: loading it registers the pane's scheme, which the engine
// must know before its first profile exists.
class PreviewPlugin : public QObject, public PreviewPaneFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "io.github.rubello.PreviewPaneFactory/1")
    Q_INTERFACES(PreviewPaneFactory)

public:
    PreviewPlugin() { PreviewPane::registerScheme(); }

    PreviewPaneInterface *createPane(QWidget *parent) override { return new PreviewPane(parent); }
};

#include "previewplugin.moc"
