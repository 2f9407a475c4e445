// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_CAPTUREPASS_H
#define CORE_STATS_CAPTUREPASS_H

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/files/workprogress.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"
#include "core/frames/framerecord.h"
#include "core/tasks/parallelpass.h"

#include <QtGlobal>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace Korvex {

/// A pass over the frames a table shows, reading the file in large pieces: what the
/// statistics and the charts are computed from. The frames are split into pieces on the
/// index's checkpoints, each gathered into a part of its own on as many threads as the
/// parallel pass allows, and the parts merged in the frames' order, so that any number of
/// threads gives what one gives. Every piece reads through its own cursor; the capture must
/// outlive the pass.
class CapturePass
{
public:
    CapturePass(const Capture &capture, const FrameRows &rows,
                const ParallelPass &pass = ParallelPass())
        : m_capture(capture)
        , m_rows(rows)
        , m_pass(pass)
    {
    }

    /// Gathers the rows' frames: every piece starts from a copy of `empty` and calls
    /// visit(part, cursor) with the cursor standing on each of its frames in order; the parts
    /// are then merged, in order, by Part::merge(const Part &later). Nothing when the progress
    /// asked to stop. From frame `first` on only, when given: what a part gathered of the
    /// frames before it then takes in the result with its merge(), as frames join a capture.
    template <class Part, class Visit>
    std::optional<Part> collect(const Part &empty, Visit &&visit,
                                const WorkProgress &progress = WorkProgress(), qint64 first = 0) const
    {
        const qint64 end = frameEnd();
        first = qBound<qint64>(0, first, end);
        std::vector<std::optional<Part>> parts(m_pass.pieces(first, end).size());
        Part result = empty;
        std::mutex merging;
        std::size_t merged = 0;
        const bool done = m_pass.run(
            first, end,
            [&](int at, qint64 from, qint64 to, const WorkProgress &pieceProgress) {
                Part part = empty;
                if (!walk(from, to, [&](const FrameCursor &cursor) { visit(part, cursor); },
                          pieceProgress))
                    return false;
                // The parts done in order are merged at once, so few are kept at a time.
                const std::lock_guard<std::mutex> lock(merging);
                parts[std::size_t(at)] = std::move(part);
                for (; merged < parts.size() && parts[merged]; ++merged) {
                    result.merge(*parts[merged]);
                    parts[merged].reset();
                }
                return true;
            },
            progress);
        if (!done)
            return std::nullopt;
        return result;
    }

    /// Calls visit(frame, header byte, missing, ticks) for every frame of the rows, in order,
    /// in the calling thread; false when the progress asked to stop.
    template <class Visit>
    bool run(Visit &&visit, const WorkProgress &progress = WorkProgress()) const
    {
        return runOver(
            [&visit](const FrameCursor &cursor) {
                visit(cursor.number(), cursor.header(), cursor.isMissing(), cursor.ticks());
            },
            progress);
    }

    /// The same, calling visit(cursor) with the cursor standing on the frame, for what reads
    /// the frame's bytes too.
    template <class Visit>
    bool runOver(Visit &&visit, const WorkProgress &progress = WorkProgress()) const
    {
        return ParallelPass(1).run(
            0, frameEnd(),
            [&](int, qint64 from, qint64 to, const WorkProgress &pieceProgress) {
                return walk(from, to, visit, pieceProgress);
            },
            progress);
    }

    /// The times in ns of the first and the last of the rows, which the index and the file give
    /// at once; a frame no longer in the file counts as time 0, and no rows as 0 and 0.
    static std::pair<quint64, quint64> timeSpan(const Capture &capture, const FrameRows &rows)
    {
        if (rows.count() == 0)
            return {0, 0};
        return {FrameRecord::nsOfTicks(capture.ticks(rows.frameAt(0))),
                FrameRecord::nsOfTicks(capture.ticks(rows.frameAt(rows.count() - 1)))};
    }

private:
    // Progress and cancel are looked at every 64Ki frames: a few milliseconds apart.
    static constexpr qint64 ProgressEvery = qint64(1) << 16;

    qint64 frameEnd() const { return qMin(m_rows.total(), m_capture.frameCount()); }

    /// Visits the rows' frames from to to - 1 through a cursor of its own.
    template <class Visit>
    bool walk(qint64 from, qint64 to, Visit &&visit, const WorkProgress &progress) const
    {
        FrameCursor cursor(m_capture, from, to);
        const FrameBitmap *shown = m_rows.bitmap();
        if (!shown) {
            for (qint64 n = from; cursor.next(); ++n) {
                if (((n - from) & (ProgressEvery - 1)) == 0 && progress
                    && !progress(n - from, to - from))
                    return false;
                visit(std::as_const(cursor));
            }
            return true;
        }
        qint64 asked = from;
        for (qint64 n = shown->nextSet(from); n >= 0 && n < to; n = shown->nextSet(n + 1)) {
            if (n - asked >= ProgressEvery) {
                asked = n;
                if (progress && !progress(n - from, to - from))
                    return false;
            }
            if (cursor.moveTo(n))
                visit(std::as_const(cursor));
        }
        return true;
    }

    const Capture &m_capture;
    const FrameRows m_rows;
    ParallelPass m_pass;
};

} // namespace Korvex

#endif // CORE_STATS_CAPTUREPASS_H
