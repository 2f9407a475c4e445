// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/passpool.h"

#include <QThreadPool>

namespace Korvex {

Q_GLOBAL_STATIC(QThreadPool, passThreads)

QThreadPool *PassPool::instance()
{
    return passThreads();
}

} // namespace Korvex
