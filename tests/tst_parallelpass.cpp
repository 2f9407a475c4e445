// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/parallelpass.h"
#include "core/tasks/threadhandover.h"

#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

#include <algorithm>
#include <mutex>
#include <vector>

using namespace Korvex;

/// The parallel pass: every frame in exactly one piece, on a free pool and on a pool whose
/// threads are all busy, where the calling thread must do every piece and not wait for the
/// helpers it queued.
class TestParallelPass : public QObject
{
    Q_OBJECT

private slots:
    void everyFrameOnce_data();
    void everyFrameOnce();
};

void TestParallelPass::everyFrameOnce_data()
{
    QTest::addColumn<int>("poolThreads");
    QTest::addColumn<bool>("poolBusy");
    QTest::addColumn<qint64>("frames");
    QTest::newRow("free pool") << 3 << false << qint64(64 * 40 + 17);
    QTest::newRow("one piece") << 3 << false << qint64(5);
    QTest::newRow("busy pool") << 1 << true << qint64(64 * 40 + 17);
    QTest::newRow("busy pool, one piece left for helpers") << 1 << true << qint64(64 * 2);
}

void TestParallelPass::everyFrameOnce()
{
    QFETCH(int, poolThreads);
    QFETCH(bool, poolBusy);
    QFETCH(qint64, frames);
    QThreadPool pool;
    pool.setMaxThreadCount(poolThreads);
    // A task that holds the pool's only thread until the pass has returned.
    QSemaphore started, latch;
    if (poolBusy) {
        ThreadHandover::start(&pool, [&] {
            started.release();
            latch.acquire();
        });
        started.acquire();
    }
    ParallelPass pass(4, &pool);
    pass.setPieceFrames(64);
    std::vector<int> seen(std::size_t(frames), 0);
    std::mutex lock;
    const bool done = pass.run(0, frames, [&](int, qint64 from, qint64 to, const WorkProgress &) {
        const std::lock_guard<std::mutex> hold(lock);
        for (qint64 n = from; n < to; ++n)
            ++seen[std::size_t(n)];
        return true;
    });
    latch.release();
    QVERIFY(done);
    QCOMPARE(std::count(seen.begin(), seen.end(), 1), std::ptrdiff_t(frames));
    QVERIFY(pool.waitForDone());
}

QTEST_GUILESS_MAIN(TestParallelPass)
#include "tst_parallelpass.moc"
