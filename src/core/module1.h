#pragma once

#include <QString>
#include <QtGlobal>

// Flags hold -1 for true and 0 for false, as the program's state has always done.
constexpr qint16 kTrue = -1;
constexpr qint16 kFalse = 0;

// State shared by the windows for the whole run; never stored.
struct Module1
{
    QString gRubyAttribute;
    quint8 gRubyAttributeOn = 0;
    QString gRubyReading;
    QString gUndoText;
    qint16 gSearchLoaded = kFalse;

    // The start-up values.
    static Module1 atStartUp();
};
