#pragma once

#include "ui/platform.h"

class QWidget;

// The common-dialog control: properties written before a dialog and read after it.
// A cancel comes back as its own outcome, never as a failure.
class CommonDialog : public CommonDialogState
{
public:
    CommonDialog(PlatformServices &platform, QWidget *owner);

    CommonDialogResult ShowOpen() { return show(CommonDialogKind::Open); }
    CommonDialogResult ShowSave() { return show(CommonDialogKind::Save); }
    CommonDialogResult ShowFont() { return show(CommonDialogKind::Font); }
    CommonDialogResult ShowColor() { return show(CommonDialogKind::Color); }

private:
    CommonDialogResult show(CommonDialogKind kind);

    PlatformServices &m_platform;
    QWidget *m_owner;
};
