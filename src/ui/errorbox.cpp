#include "ui/errorbox.h"

#include "ui/platform.h"

QString errorBoxTitle(int number)
{
    return QStringLiteral("エラーナンバー： ") + QString::number(number);
}

void showErrorBox(PlatformServices &platform, QWidget *parent, const ErrorReport &error)
{
    platform.showMessage(parent, QMessageBox::Warning, errorBoxTitle(error.number),
                         error.description, QMessageBox::Ok);
}
