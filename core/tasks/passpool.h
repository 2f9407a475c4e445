// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TASKS_PASSPOOL_H
#define CORE_TASKS_PASSPOOL_H

class QThreadPool;

namespace Korvex {

/// The threads the long passes run on, one per core. They are not the application's global
/// pool: Qt converts and scales images on that pool and waits for it on the GUI thread, so a
/// pass filling it would hold up every repaint until the pass ends.
class PassPool
{
public:
    static QThreadPool *instance();
};

} // namespace Korvex

#endif // CORE_TASKS_PASSPOOL_H
