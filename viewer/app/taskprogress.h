// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_TASKPROGRESS_H
#define VIEWER_APP_TASKPROGRESS_H

#include "core/files/workprogress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

namespace Korvex {

/// Watches a long pass over a capture (filter, search, export) that runs on the window's
/// thread: the window handles its events, repaints among them, at least every few tens of
/// milliseconds, holding the user's input back; once the pass has taken longer than
/// dialogDelayMs, a window-modal progress dialog shows, and its Cancel stops the pass.
class TaskProgress
{
public:
    static constexpr int DefaultDialogDelayMs = 200;

    TaskProgress(QWidget *window, const QString &label, int dialogDelayMs = DefaultDialogDelayMs);
    ~TaskProgress();
    TaskProgress(const TaskProgress &) = delete;
    TaskProgress &operator=(const TaskProgress &) = delete;

    /// The function a pass reports to; it answers false once Cancel was pressed.
    WorkProgress callback();
    bool wasCancelled() const { return m_cancelled; }
    /// The longest time the window went without handling its events, so far.
    qint64 longestGapMs() const { return m_longestGap; }

private:
    bool report(qint64 done, qint64 total);

    QPointer<QWidget> m_window;
    QString m_label;
    int m_dialogDelayMs;
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceEvents;
    qint64 m_longestGap = 0;
    bool m_cancelled = false;
};

} // namespace Korvex

#endif // VIEWER_APP_TASKPROGRESS_H
