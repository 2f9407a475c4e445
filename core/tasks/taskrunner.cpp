// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/taskrunner.h"

#include "core/tasks/passpool.h"

namespace Korvex {

TaskRunner::TaskRunner(QObject *parent, QThreadPool *pool)
    : QObject(parent)
    , m_pool(pool ? pool : PassPool::instance())
{
}

TaskRunner::~TaskRunner()
{
    cancelAll();
}

void TaskRunner::cancel(const QString &kind)
{
    const auto it = m_tasks.find(kind);
    if (it == m_tasks.end())
        return;
    // The watcher goes with its connections, so a result already on its way is dropped too.
    it->future.cancel();
    it->watcher->disconnect(this);
    it->watcher->deleteLater();
    m_tasks.erase(it);
}

void TaskRunner::cancelAll()
{
    const QList<QString> kinds = m_tasks.keys();
    for (const QString &kind : kinds)
        cancel(kind);
}

void TaskRunner::forget(const QString &kind, QFutureWatcherBase *watcher)
{
    const auto it = m_tasks.find(kind);
    if (it != m_tasks.end() && it->watcher == watcher)
        m_tasks.erase(it);
}

} // namespace Korvex
