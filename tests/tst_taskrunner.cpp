// SPDX-License-Identifier: GPL-3.0-or-later
#include "hangguard.h"

#include "core/tasks/taskrunner.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

/// What a task holds while it runs, as a pass holds its capture.
struct Held
{
    int value = 0;
};

/// A task that waits until the test releases it, then reports and answers twice its held
/// value unless it was cancelled meanwhile. It says on `started`, if given, that it runs.
auto latchedTask(std::shared_ptr<const Held> held, QSemaphore &latch,
                 QSemaphore *started = nullptr)
{
    return [held = std::move(held), &latch, started](QPromise<int> &promise) {
        if (started)
            started->release();
        latch.acquire();
        const WorkProgress progress = TaskRunner::progressOf(promise);
        if (progress(1, 2))
            promise.addResult(2 * held->value);
    };
}

} // namespace

/// The task runner: results and progress in the runner's thread, a new task of a kind
/// cancelling the old, and cancelled tasks letting go of what they hold without being waited for.
class TestTaskRunner : public QObject
{
    Q_OBJECT

private slots:
    void newTaskOfAKindCancelsTheOld();
    void cancelLetsGoWithoutWaiting_data();
    void cancelLetsGoWithoutWaiting();
};

void TestTaskRunner::newTaskOfAKindCancelsTheOld()
{
    // A thread for each latched task, however many cores the machine has.
    QThreadPool pool;
    pool.setMaxThreadCount(3);
    TaskRunner runner(nullptr, &pool);
    QSemaphore oldLatch, newLatch, otherLatch;
    auto oldHeld = std::make_shared<Held>(Held{1});
    const std::weak_ptr<Held> watchOld = oldHeld;
    QList<int> results;
    QList<QThread *> threads;
    const auto keep = [&](int result) {
        results.append(result);
        threads.append(QThread::currentThread());
    };
    const QString filter = QStringLiteral("filter");
    runner.start<int>(filter, latchedTask(std::move(oldHeld), oldLatch), keep);
    runner.start<int>(QStringLiteral("stats"), latchedTask(std::make_shared<Held>(Held{5}), otherLatch), keep);
    runner.start<int>(filter, latchedTask(std::make_shared<Held>(Held{2}), newLatch), keep);
    QSignalSpy progress(&runner, &TaskRunner::progressChanged);
    QSignalSpy finished(&runner, &TaskRunner::finished);
    // The replaced task ends after its successor started, and its result never arrives.
    oldLatch.release();
    QTRY_VERIFY_WITH_TIMEOUT(watchOld.expired(), HangGuardMs);
    newLatch.release();
    QVERIFY(finished.wait(HangGuardMs));
    QCOMPARE(results, QList<int>{4});
    QCOMPARE(finished.first().first().toString(), filter);
    QVERIFY(!runner.isRunning(filter));
    // Reports may be merged, but the last is the task's half-way one.
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), (QList<QVariant>{filter, TaskRunner::ProgressScale / 2}));
    // Another kind runs on alongside; results come in the runner's thread.
    QVERIFY(runner.isRunning(QStringLiteral("stats")));
    otherLatch.release();
    QVERIFY(finished.wait(HangGuardMs));
    QCOMPARE(results, (QList<int>{4, 10}));
    QCOMPARE(threads, (QList<QThread *>{QThread::currentThread(), QThread::currentThread()}));
}

void TestTaskRunner::cancelLetsGoWithoutWaiting_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel the kind") << 0;
    QTest::newRow("cancel all") << 1;
    QTest::newRow("runner destroyed") << 2;
}

void TestTaskRunner::cancelLetsGoWithoutWaiting()
{
    QFETCH(int, how);
    auto runner = std::make_unique<TaskRunner>();
    QSemaphore latch, started;
    auto held = std::make_shared<Held>(Held{3});
    const std::weak_ptr<Held> watch = held;
    bool delivered = false;
    QFuture<int> future = runner->start<int>(QStringLiteral("load"),
                                             latchedTask(std::move(held), latch, &started),
                                             [&delivered](int) { delivered = true; });
    QSignalSpy finished(runner.get(), &TaskRunner::finished);
    // On a busy machine the task may not have begun yet; one that never begins lets go at once.
    QVERIFY(started.tryAcquire(1, HangGuardMs));
    // The task is still held by its latch: none of these may wait for it.
    if (how == 0)
        runner->cancel(QStringLiteral("load"));
    else if (how == 1)
        runner->cancelAll();
    else
        runner.reset();
    QVERIFY(!watch.expired());
    QVERIFY(future.isCanceled());
    latch.release();
    QTRY_VERIFY_WITH_TIMEOUT(watch.expired(), HangGuardMs);
    future.waitForFinished();
    QCOMPARE(future.resultCount(), 0);
    QCoreApplication::sendPostedEvents();
    QVERIFY(!delivered);
    if (runner) {
        QVERIFY(!runner->isRunning(QStringLiteral("load")));
        QVERIFY(finished.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestTaskRunner)
#include "tst_taskrunner.moc"
