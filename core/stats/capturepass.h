#ifndef CORE_STATS_CAPTUREPASS_H
#define CORE_STATS_CAPTUREPASS_H

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/filters/framerows.h"

#include <QtGlobal>

#include <atomic>

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
            visit(frame, cursor.header(), cursor.isMissing(), cursor.ticks());
        }
        m_done.store(count, std::memory_order_relaxed);
        return true;
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
