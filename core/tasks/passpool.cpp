// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/passpool.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace Korvex {

QThreadPool *PassPool::instance()
{
    static QThreadPool threads;
    // The threads end with the application, as those of the global pool do, while what they
    // keep per thread (Qt Gui's font caches among it) can still be let go of properly.
    static const bool endsWithApplication = [] {
        qAddPostRoutine([] { threads.waitForDone(); });
        return true;
    }();
    Q_UNUSED(endsWithApplication);
    return &threads;
}

} // namespace Korvex
