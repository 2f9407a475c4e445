// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/threadhandover.h"

#include <QRunnable>
#include <QThreadPool>

#include <atomic>

namespace Korvex {

namespace {

// Every handover releases it and every receiver acquires it.
std::atomic<unsigned> handovers{0};

} // namespace

QRunnable *ThreadHandover::start(QThreadPool *pool, std::function<void()> work, bool owned)
{
    // The runnable is made before the release, so that the work's first read of it (its own
    // captures) already comes after the acquire.
    QRunnable *runnable = QRunnable::create([work = std::move(work)] {
        acquire();
        work();
        release();
    });
    runnable->setAutoDelete(!owned);
    handovers.fetch_add(1, std::memory_order_release);
    pool->start(runnable);
    return runnable;
}

void ThreadHandover::release()
{
    handovers.fetch_add(1, std::memory_order_release);
}

void ThreadHandover::acquire()
{
    handovers.load(std::memory_order_acquire);
}

} // namespace Korvex
