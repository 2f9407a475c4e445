// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/passrunner.h"

#include "core/stats/capturepass.h"
#include "core/tasks/threadhandover.h"

#include <QThread>

namespace Korvex {

PassRunner::PassRunner(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &PassRunner::reportProgress);
}

PassRunner::~PassRunner()
{
    stop();
}

void PassRunner::start(std::shared_ptr<CapturePass> pass, std::function<void(CapturePass &)> work)
{
    stop();
    m_pass = std::move(pass);
    const int generation = ++m_generation;
    // The thread starts in the open (pthread_create) but is joined through Qt's own lock.
    m_thread = QThread::create([pass = m_pass, work = std::move(work)] {
        work(*pass);
        ThreadHandover::release();
    });
    // Delivered on this object's thread once the pass's thread has ended.
    connect(m_thread, &QThread::finished, this,
            [this, generation] { threadFinished(generation); });
    m_thread->start();
    m_timer.start();
    emit progress(0);
}

void PassRunner::cancel()
{
    if (m_pass)
        m_pass->cancel();
}

void PassRunner::stop()
{
    if (!m_thread)
        return;
    ++m_generation;
    m_pass->cancel();
    m_thread->wait();
    ThreadHandover::acquire();
    delete m_thread;
    m_thread = nullptr;
    m_timer.stop();
}

void PassRunner::threadFinished(int generation)
{
    if (generation != m_generation || !m_thread)
        return;
    m_thread->wait();
    ThreadHandover::acquire();
    delete m_thread;
    m_thread = nullptr;
    m_timer.stop();
    const bool completed = !m_pass->isCancelled();
    if (completed)
        emit progress(100);
    emit finished(completed);
}

void PassRunner::reportProgress()
{
    if (m_pass && m_pass->total() > 0)
        emit progress(int(m_pass->done() * 100 / m_pass->total()));
}

} // namespace Korvex
