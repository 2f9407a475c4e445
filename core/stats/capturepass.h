// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_CAPTUREPASS_H
#define CORE_STATS_CAPTUREPASS_H

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/filters/framerows.h"
#include "core/frames/framerecord.h"

#include <QtGlobal>

#include <atomic>
#include <utility>

namespace Korvex {

/// One pass over the frames a table shows, in order, reading the file in large pieces: what the
/// statistics and the charts are computed from. It may run on a thread of its own while the
/// window goes on (it reads the capture's index and file only, never its block cache); the
/// window follows its progress and may cancel it. The capture must outlive the pass.
class CapturePass
{
public:
    CapturePass(const Capture &capture, const FrameRows &rows)
        : m_capture(capture)
        , m_rows(rows)
    {
    }

    /// Calls visit(frame, header byte, missing, ticks) for every frame of the rows; false when
    /// cancelled before the end.
    template <class Visit>
    bool run(Visit &&visit)
    {
        return runOver([&visit](qint64 frame, const FrameCursor &cursor) {
            visit(frame, cursor.header(), cursor.isMissing(), cursor.ticks());
        });
    }

    /// The same, calling visit(frame, cursor) with the cursor standing on the frame, for what
    /// reads the frame's bytes too.
    template <class Visit>
    bool runOver(Visit &&visit)
    {
        FrameCursor cursor(m_capture, 0, m_capture.frameCount());
        const qint64 count = m_rows.count();
        for (qint64 row = 0; row < count; ++row) {
            // Progress and cancel are looked at every 64Ki frames: a few milliseconds apart.
            if ((row & 0xFFFF) == 0) {
                m_done.store(row, std::memory_order_relaxed);
                if (m_cancelled.load(std::memory_order_relaxed))
                    return false;
            }
            const qint64 frame = m_rows.frameAt(row);
            if (!cursor.moveTo(frame))
                continue;
            visit(frame, cursor);
        }
        m_done.store(count, std::memory_order_relaxed);
        return true;
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

    /// Asks a running pass to stop; it does so within a few milliseconds.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    /// Rows visited so far, of total().
    qint64 done() const { return m_done.load(std::memory_order_relaxed); }
    qint64 total() const { return m_rows.count(); }

private:
    const Capture &m_capture;
    const FrameRows m_rows;
    std::atomic<bool> m_cancelled{false};
    std::atomic<qint64> m_done{0};
};

} // namespace Korvex

#endif // CORE_STATS_CAPTUREPASS_H
