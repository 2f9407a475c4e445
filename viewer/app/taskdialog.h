// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_TASKDIALOG_H
#define VIEWER_APP_TASKDIALOG_H

#include "core/files/workprogress.h"
#include "core/tasks/taskrunner.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
class QProgressBar;
class QProgressDialog;
class QWidget;
QT_END_NAMESPACE

namespace Korvex {

/// The progress dialog of a pass on the session's task runner (filter, search, export,
/// print). Once the pass has run for a moment, a window-modal dialog shows its progress; its
/// Cancel asks the pass to stop, and the pass ends with what a cancelled pass gives (so the
/// window can say so). The dialog goes when the pass ends, however it ends; the window's event
/// loop runs all along.
class TaskDialog : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultDelayMs = 200;

    /// Called on the worker at every progress report of a pass, with the pass's kind: lets the
    /// tests hold a pass mid-way.
    using Hook = std::function<void(const QString &kind)>;

    /// Starts `work(const WorkProgress &)`, which returns its Result even when told to stop,
    /// as a task of `kind` on `runner`, with a dialog over `window` labelled `label`. `done`
    /// gets the result in the window's thread unless the runner cancelled the task.
    template <typename Result, typename Work>
    static QFuture<Result> run(TaskRunner &runner, const QString &kind, QWidget *window,
                               const QString &label, int delayMs, Work work,
                               std::function<void(Result)> done, Hook hook = {})
    {
        auto *dialog = new TaskDialog(window, label, delayMs);
        const std::shared_ptr<const std::atomic<bool>> stop = dialog->m_stop;
        QFuture<Result> future = runner.start<Result>(
            kind,
            [work = std::move(work), stop, hook = std::move(hook), kind](QPromise<Result> &promise) {
                const WorkProgress reported = TaskRunner::progressOf(promise);
                const WorkProgress progress = [&](qint64 done, qint64 total) {
                    if (hook)
                        hook(kind);
                    return reported(done, total) && !stop->load();
                };
                Result result = work(progress);
                if (!promise.isCanceled())
                    promise.addResult(std::move(result));
            },
            std::move(done));
        dialog->watch(QFuture<void>(future));
        return future;
    }

    ~TaskDialog() override;

private:
    TaskDialog(QWidget *window, const QString &label, int delayMs);

    void watch(const QFuture<void> &future);
    void showDialog();
    void cancelPressed();

    QPointer<QWidget> m_window;
    QString m_label;
    QTimer m_delay;
    QFutureWatcher<void> m_watcher;
    QPointer<QProgressDialog> m_dialog;
    QProgressBar *m_bar = nullptr;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};

} // namespace Korvex

#endif // VIEWER_APP_TASKDIALOG_H
