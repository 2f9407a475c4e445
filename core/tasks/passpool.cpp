// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/passpool.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace Korvex {

Q_GLOBAL_STATIC(QThreadPool, passThreads)

QThreadPool *PassPool::instance()
{
    // The threads end with the application, as those of the global pool do, while what they
    // keep per thread (Qt Gui's font caches among it) can still be let go of properly.
    static QThreadPool *const pool = [] {
        qAddPostRoutine([] { passThreads()->waitForDone(); });
        return passThreads();
    }();
    return pool;
}

} // namespace Korvex
