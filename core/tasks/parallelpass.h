// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TASKS_PARALLELPASS_H
#define CORE_TASKS_PARALLELPASS_H

#include "core/files/workprogress.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

class QThreadPool;

namespace Korvex {

/// Splits a range of frames (or of shown rows) into pieces that start on the index's
/// checkpoints and runs them on a thread pool, the calling thread taking pieces too, so a
/// pass never waits on a pool that is busy with other work. Each piece must read through its
/// own cursor. The outer progress is told only in the calling thread; when it answers false,
/// every piece is asked to stop.
class ParallelPass
{
public:
    /// What one piece does: frames from to to - 1, reporting through `progress` (which says
    /// false when the pass stops). False when it stopped early.
    using Piece = std::function<bool(int piece, qint64 from, qint64 to, const WorkProgress &progress)>;

    /// Frames in a piece, unless the pass asks for fewer: a multiple of the checkpoint
    /// distance, large enough that a piece's overhead does not count.
    static constexpr qint64 DefaultPieceFrames = qint64(1) << 18;

    /// `threads` at most run the pieces, the calling thread among them; 0 for as many as the
    /// pool has. One thread runs every piece in order in the calling thread.
    explicit ParallelPass(int threads = 0, QThreadPool *pool = nullptr);

    void setPieceFrames(qint64 frames);
    int threadCount() const;

    /// The pieces of first to end - 1: bounds on multiples of the piece size, which is a
    /// multiple of the checkpoint distance, so that a piece ends where the next begins.
    std::vector<std::pair<qint64, qint64>> pieces(qint64 first, qint64 end) const;

    /// Runs `piece` over every piece of first to end - 1. False when the progress asked to
    /// stop or a piece stopped early.
    bool run(qint64 first, qint64 end, const Piece &piece,
             const WorkProgress &progress = WorkProgress()) const;

    /// Maps every piece to a result, returned in the pieces' order for the caller to merge;
    /// nothing when the pass stopped.
    template <typename Result>
    std::optional<std::vector<Result>> map(
        qint64 first, qint64 end,
        const std::function<bool(qint64 from, qint64 to, Result &result, const WorkProgress &)> &work,
        const WorkProgress &progress = WorkProgress()) const
    {
        std::vector<Result> results(pieces(first, end).size());
        const bool done = run(
            first, end,
            [&](int at, qint64 from, qint64 to, const WorkProgress &pieceProgress) {
                return work(from, to, results[std::size_t(at)], pieceProgress);
            },
            progress);
        if (!done)
            return std::nullopt;
        return results;
    }

private:
    int m_threads;
    QThreadPool *m_pool;
    qint64 m_pieceFrames = DefaultPieceFrames;
};

} // namespace Korvex

#endif // CORE_TASKS_PARALLELPASS_H
