#pragma once

#include "core/progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// Long work's progress in a progress window over the program, made once the work
// has run for showDelayMs and is not about to end; its cancel button stops the
// work. The window blocks every other window while it is up, so nothing else runs
// during the work.
class ProgressWindow : public Progress
{
public:
    ProgressWindow(QWidget *parent, const QString &label);
    ~ProgressWindow() override;

    bool advance(qint64 done, qint64 total) override;

    // From here on the work writes its result and can no longer stop: the window
    // loses its cancel button.
    void setCancellable(bool cancellable);
    bool cancelled() const { return m_cancelled; }

    // Work shorter than this shows nothing.
    static inline int showDelayMs = 300;

private:
    QWidget *m_parent;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = -1;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancellable = true;
    bool m_cancelled = false;
};
