#pragma once

#include <QString>

class PlatformServices;
class QWidget;

// A failure as the file layer or a dialog reports it: a number and its description.
struct ErrorReport
{
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
};

// The program's warning box: the description as text, "エラーナンバー： " and the
// number as title, the exclamation icon and one OK button.
void showErrorBox(PlatformServices &platform, QWidget *parent, const ErrorReport &error);
QString errorBoxTitle(int number);
