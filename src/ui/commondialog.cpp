#include "ui/commondialog.h"

CommonDialog::CommonDialog(PlatformServices &platform, QWidget *owner)
    : m_platform(platform)
    , m_owner(owner)
{ }

CommonDialogResult CommonDialog::show(CommonDialogKind kind)
{
    CommonDialogState &state = *this;
    return m_platform.showCommonDialog(m_owner, kind, state);
}
