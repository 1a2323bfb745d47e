#pragma once

#include "core/errorreport.h"

#include <QString>

class PlatformServices;
class QWidget;

// The program's warning box: the description as text, "エラーナンバー： " and the
// number as title, the exclamation icon and one OK button.
void showErrorBox(PlatformServices &platform, QWidget *parent, const ErrorReport &error);
QString errorBoxTitle(int number);
