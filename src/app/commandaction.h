#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QList>

// An action of a command object. The captions keep the window's translation
// context: the menus they stand in are the window's.
inline QAction *createCommandAction(QObject *owner, const char *caption, const QList<QKeySequence> &keys = {})
{
    auto *action = new QAction(QCoreApplication::translate("MainWindow", caption), owner);
    action->setShortcuts(keys);
    return action;
}
