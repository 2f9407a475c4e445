// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TASKS_THREADHANDOVER_H
#define CORE_TASKS_THREADHANDOVER_H

#include <functional>

class QRunnable;
class QThreadPool;

namespace Korvex {

/// Hands work to another thread so that a thread sanitizer sees the order that Qt keeps: what
/// a thread did before it started the work happens before the work, and the work before what
/// a thread does once Qt told it that the work ended (a future finished, a thread joined). Qt
/// keeps that order through its own locks, which a sanitizer does not see in a Qt that was not
/// built with it; one atomic in our code says the same to it, at the cost of an atomic
/// operation per handover.
class ThreadHandover
{
public:
    /// Runs `work` on the pool after everything this thread did so far. The pool deletes the
    /// runnable when the work is done, unless `owned`: then the caller deletes the runnable
    /// returned, after the work ended or after it took it back from the pool (tryTake).
    static QRunnable *start(QThreadPool *pool, std::function<void()> work, bool owned = false);
    /// Said by work on another thread before it tells Qt that it ended (a promise finished, the
    /// thread's function returned).
    static void release();
    /// Said by a thread that learnt through Qt that work ended, before it reads what the work
    /// wrote.
    static void acquire();
};

} // namespace Korvex

#endif // CORE_TASKS_THREADHANDOVER_H
