#pragma once

#include <QtGlobal>

// Long work (a large load, Replace all) reports how far it got, now and then, and
// learns whether to go on. The work polls it between chunks; when it answers false
// the work stops and leaves everything as it was. The window side shows it.
class Progress
{
public:
    virtual ~Progress() = default;

    // done of total units; false when the work is to stop.
    virtual bool advance(qint64 done, qint64 total) = 0;
};
