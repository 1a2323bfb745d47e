#include "ui/platform.h"

// Until every caller asks through the typed calls, a platform that answers only
// the common dialog still answers them.
namespace {

const QString kFileFilter
    = QStringLiteral("HTMLファイル(*.html,*.htm)|*.html;*.htm|すべてのファイル(*.*)|*.*|");

std::optional<QString> askPath(PlatformServices &platform, QWidget *parent, bool save,
                               const QString &title, const QString &preset)
{
    CommonDialogState state;
    state.DialogTitle = title;
    state.FileName = preset;
    state.Filter = kFileFilter;
    state.confirmOverwrite = save;
    state.existingFileOnly = !save;
    const CommonDialogResult result = platform.showCommonDialog(
        parent, save ? CommonDialogKind::Save : CommonDialogKind::Open, state);
    if (result.outcome != CommonDialogResult::Accepted)
        return std::nullopt;
    return state.FileName;
}

} // namespace

std::optional<QString> PlatformServices::askOpenPath(QWidget *parent, const QString &title,
                                                     const QString &preset)
{
    return askPath(*this, parent, false, title, preset);
}

std::optional<QString> PlatformServices::askSavePath(QWidget *parent, const QString &title,
                                                     const QString &preset)
{
    return askPath(*this, parent, true, title, preset);
}

std::optional<QFont> PlatformServices::askFont(QWidget *parent, const QFont &initial)
{
    CommonDialogState state;
    state.FontName = initial.family();
    state.FontSize = initial.pointSizeF();
    state.FontBold = initial.bold();
    state.FontItalic = initial.italic();
    if (showCommonDialog(parent, CommonDialogKind::Font, state).outcome
        != CommonDialogResult::Accepted)
        return std::nullopt;
    QFont chosen(state.FontName);
    if (state.FontSize > 0)
        chosen.setPointSizeF(state.FontSize);
    chosen.setBold(state.FontBold);
    chosen.setItalic(state.FontItalic);
    return chosen;
}

std::optional<QColor> PlatformServices::askColor(QWidget *parent, const QColor &initial)
{
    CommonDialogState state;
    state.Color = initial.rgb();
    if (showCommonDialog(parent, CommonDialogKind::Color, state).outcome
        != CommonDialogResult::Accepted)
        return std::nullopt;
    return QColor::fromRgb(state.Color);
}
