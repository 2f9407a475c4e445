// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/tasks/parallelpass.h"

#include "core/files/frameindex.h"
#include "core/tasks/passpool.h"
#include "core/tasks/threadhandover.h"

#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace Korvex {

ParallelPass::ParallelPass(int threads, QThreadPool *pool)
    : m_threads(threads)
    , m_pool(pool ? pool : PassPool::instance())
{
}

void ParallelPass::setPieceFrames(qint64 frames)
{
    const qint64 step = FrameIndex::CheckpointEvery;
    m_pieceFrames = qMax(step, (frames + step - 1) / step * step);
}

int ParallelPass::threadCount() const
{
    return m_threads > 0 ? m_threads : qMax(1, m_pool->maxThreadCount());
}

std::vector<std::pair<qint64, qint64>> ParallelPass::pieces(qint64 first, qint64 end) const
{
    std::vector<std::pair<qint64, qint64>> result;
    for (qint64 from = first; from < end;) {
        const qint64 to = qMin(end, (from / m_pieceFrames + 1) * m_pieceFrames);
        result.emplace_back(from, to);
        from = to;
    }
    return result;
}

bool ParallelPass::run(qint64 first, qint64 end, const Piece &piece,
                       const WorkProgress &progress) const
{
    const std::vector<std::pair<qint64, qint64>> all = pieces(first, end);
    const int count = int(all.size());
    const qint64 total = end - first;
    std::atomic<int> next{0};
    std::atomic<qint64> done{0};
    std::atomic<bool> stop{false};
    const Qt::HANDLE caller = QThread::currentThreadId();

    // Takes pieces until none is left or the pass stops. The frames a piece has done are
    // added to the pass's count as it reports them; only the calling thread reports on.
    const auto work = [&] {
        const bool reports = QThread::currentThreadId() == caller;
        for (int at = next++; at < count && !stop; at = next++) {
            const auto [from, to] = all[std::size_t(at)];
            qint64 counted = 0;
            const WorkProgress pieceProgress = [&](qint64 pieceDone, qint64) {
                done += pieceDone - counted;
                counted = pieceDone;
                if (reports && progress && !progress(done, total))
                    stop = true;
                return !stop;
            };
            if (!piece(at, from, to, pieceProgress))
                stop = true;
            done += (to - from) - counted;
            if (reports && progress && !stop && !progress(done, total))
                stop = true;
        }
    };

    // Helpers end by counting themselves under the lock, their last touch of the pass.
    std::mutex lock;
    std::condition_variable helperEnded;
    int ended = 0;
    std::vector<std::unique_ptr<QRunnable>> helpers;
    const int threads = qMin(threadCount(), count);
    for (int k = 1; k < threads; ++k) {
        helpers.emplace_back(ThreadHandover::start(
            m_pool,
            [&] {
                work();
                const std::lock_guard<std::mutex> hold(lock);
                ++ended;
                helperEnded.notify_all();
            },
            true));
    }
    work();
    // A helper the pool has not started yet is taken back: the pieces are all done. This
    // thread may itself be one of the pool's, which must not wait for a queue it blocks.
    int started = 0;
    for (const std::unique_ptr<QRunnable> &helper : helpers)
        started += m_pool->tryTake(helper.get()) ? 0 : 1;
    {
        std::unique_lock<std::mutex> hold(lock);
        helperEnded.wait(hold, [&] { return ended == started; });
    }
    // The pieces may have ended in other threads after the caller's last report: a stop
    // asked for meanwhile still counts.
    if (!stop && progress && !progress(total, total))
        stop = true;
    return !stop;
}

} // namespace Korvex
