#include "ui/progresswindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

constexpr int kSteps = 1000;
// Events are handled this often while the work runs: the window stays alive.
constexpr qint64 kEventsEveryMs = 50;

} // namespace

ProgressWindow::ProgressWindow(QWidget *parent, const QString &label)
    : m_parent(parent)
    , m_label(label)
{
    m_clock.start();
}

ProgressWindow::~ProgressWindow()
{
    delete m_dialog.data();
}

bool ProgressWindow::advance(qint64 done, qint64 total)
{
    const qint64 now = m_clock.elapsed();
    if (!m_dialog) {
        // A window for work about to end costs more than it tells.
        if (now < showDelayMs || (done > 0 && now * (total - done) / done < showDelayMs))
            return !m_cancelled;
        m_dialog = new QProgressDialog(m_label, QCoreApplication::translate("ProgressWindow", "キャンセル"), 0, kSteps, m_parent);
        m_dialog->setWindowTitle(QStringLiteral("Rubello"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        if (!m_cancellable)
            m_dialog->setCancelButton(nullptr);
        m_dialog->show();
    } else if (now - m_lastEvents < kEventsEveryMs) {
        return !m_cancelled;
    }
    m_lastEvents = now;
    m_dialog->setValue(total > 0 ? int(qBound(qint64(0), done * kSteps / total, qint64(kSteps)))
                                 : 0);
    QCoreApplication::processEvents();
    if (m_cancellable && m_dialog && m_dialog->wasCanceled())
        m_cancelled = true;
    return !m_cancelled;
}

void ProgressWindow::setCancellable(bool cancellable)
{
    m_cancellable = cancellable;
    if (m_dialog && !cancellable)
        m_dialog->setCancelButton(nullptr);
}
