// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TASKS_TASKRUNNER_H
#define CORE_TASKS_TASKRUNNER_H

#include "core/files/workprogress.h"
#include "core/tasks/threadhandover.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <utility>

namespace Korvex {

/// Runs long passes on a thread pool and hands their results to the thread the runner lives
/// in. Every task has a kind; starting a task of a kind cancels the one of that kind still
/// running, whose result then never arrives. A cancelled task is not waited for: it sees its
/// promise cancelled, ends on its own and lets go of what it holds (a task should own what it
/// reads, e.g. a std::shared_ptr<const Capture>, never borrow it from the caller).
class TaskRunner : public QObject
{
    Q_OBJECT

public:
    /// Progress goes from 0 to this.
    static constexpr int ProgressScale = 1000;

    /// The tasks run on `pool`, the passes' own pool (PassPool) when none is given.
    explicit TaskRunner(QObject *parent = nullptr, QThreadPool *pool = nullptr);
    /// Cancels every task and returns at once.
    ~TaskRunner() override;

    QThreadPool *pool() const { return m_pool; }

    /// Starts `work(QPromise<Result> &)` on the pool. When it ends with a result and was not
    /// cancelled, `done` receives the result in the runner's thread; a task that adds no
    /// result (it stopped when it saw the promise cancelled) delivers nothing.
    template <typename Result, typename Work>
    QFuture<Result> start(const QString &kind, Work &&work, std::function<void(Result)> done)
    {
        cancel(kind);
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        auto *watcher = new QFutureWatcher<Result>(this);
        connect(watcher, &QFutureWatcherBase::progressValueChanged, this,
                [this, kind](int value) { emit progressChanged(kind, value); });
        // The handler shares the promise with the task, so that the last of the two to let go
        // of it (in the open, through the shared pointer's count) frees the result after it
        // was read.
        connect(watcher, &QFutureWatcherBase::finished, this,
                [this, kind, watcher, promise, done = std::move(done)] {
                    ThreadHandover::acquire();
                    forget(kind, watcher);
                    const QFuture<Result> ended = watcher->future();
                    watcher->deleteLater();
                    if (!ended.isCanceled() && ended.resultCount() > 0)
                        done(ended.result());
                    emit finished(kind);
                });
        m_tasks.insert(kind, {watcher, QFuture<void>(future)});
        watcher->setFuture(future);
        // A task cancelled before it started does not run.
        ThreadHandover::start(m_pool, [promise, work = std::forward<Work>(work)]() mutable {
            if (!promise->isCanceled())
                work(*promise);
            ThreadHandover::release();
            promise->finish();
        });
        return future;
    }

    /// Cancels the task of this kind, if one runs: from now on nothing of it arrives.
    void cancel(const QString &kind);
    /// Cancels every task.
    void cancelAll();
    bool isRunning(const QString &kind) const { return m_tasks.contains(kind); }

    /// A progress for the passes of the core library (FrameFilter and the like) that reports
    /// through the promise and answers false once the task is cancelled.
    template <typename Result>
    static WorkProgress progressOf(QPromise<Result> &promise)
    {
        promise.setProgressRange(0, ProgressScale);
        return [&promise](qint64 done, qint64 total) {
            if (total > 0)
                promise.setProgressValue(int(done * ProgressScale / total));
            return !promise.isCanceled();
        };
    }

signals:
    /// How far the running task of this kind has come, 0 to ProgressScale.
    void progressChanged(const QString &kind, int value);
    /// The task of this kind ended (after its result, if it had one); not said for a task
    /// that was cancelled.
    void finished(const QString &kind);

private:
    struct Running
    {
        QFutureWatcherBase *watcher = nullptr;
        QFuture<void> future;
    };

    void forget(const QString &kind, QFutureWatcherBase *watcher);

    QThreadPool *m_pool;
    QHash<QString, Running> m_tasks;
};

} // namespace Korvex

#endif // CORE_TASKS_TASKRUNNER_H
