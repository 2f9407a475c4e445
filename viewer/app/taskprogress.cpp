// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/taskprogress.h"

#include <QCoreApplication>

namespace Korvex {

namespace {

// The longest the window goes without handling its events during a pass.
constexpr qint64 EventsEveryMs = 40;

} // namespace

TaskProgress::TaskProgress(QWidget *window, const QString &label, int dialogDelayMs)
    : m_window(window)
    , m_label(label)
    , m_dialogDelayMs(dialogDelayMs)
{
    m_started.start();
    m_sinceEvents.start();
}

TaskProgress::~TaskProgress()
{
    delete m_dialog;
}

WorkProgress TaskProgress::callback()
{
    return [this](qint64 done, qint64 total) { return report(done, total); };
}

bool TaskProgress::report(qint64 done, qint64 total)
{
    if (m_cancelled)
        return false;
    bool shown = false;
    if (!m_dialog && m_window && m_started.elapsed() >= m_dialogDelayMs) {
        shown = true;
        m_dialog = new QProgressDialog(m_label, QCoreApplication::translate("Framescope", "Cancel"),
                                       0, 1000, m_window);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    if (m_dialog)
        m_dialog->setValue(total > 0 ? int(qBound(qint64(0), done * 1000 / total, qint64(1000))) : 0);
    const qint64 gap = m_sinceEvents.elapsed();
    if (shown || gap >= EventsEveryMs) {
        m_longestGap = qMax(m_longestGap, gap);
        // Until the dialog blocks the window, what the user types or clicks waits for the
        // pass to end; the window is only repainted.
        QCoreApplication::processEvents(m_dialog ? QEventLoop::AllEvents
                                                 : QEventLoop::ExcludeUserInputEvents);
        m_sinceEvents.restart();
    }
    m_cancelled = m_dialog && m_dialog->wasCanceled();
    return !m_cancelled;
}

} // namespace Korvex
