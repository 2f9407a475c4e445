// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framerows.h"

#include "core/filters/framebitmap.h"

namespace Korvex {

FrameRows::FrameRows(qint64 count)
    : m_total(qMax<qint64>(0, count))
{
}

FrameRows::FrameRows(std::shared_ptr<const FrameBitmap> shown)
    : m_total(shown ? shown->size() : 0)
    , m_shown(std::move(shown))
{
}

FrameRows FrameRows::grown(qint64 total, const quint64 *news, qint64 first) const
{
    if (total <= m_total)
        return *this;
    if (!m_shown)
        return FrameRows(total);
    // A copy: passes on other threads may still read the bitmap shared so far.
    auto bits = std::make_shared<FrameBitmap>(*m_shown);
    bits->grow(total);
    quint64 *words = bits->words();
    const qint64 fromWord = m_total / 64;
    const qint64 endWord = (total + 63) / 64;
    for (qint64 w = fromWord; w < endWord; ++w) {
        quint64 word = news[w - first / 64];
        // The frames before total() keep their own bits.
        if (w == fromWord && m_total % 64 != 0)
            word &= ~((quint64(1) << (m_total % 64)) - 1);
        words[w] |= word;
    }
    bits->finish();
    return FrameRows(std::move(bits));
}

qint64 FrameRows::count() const
{
    return m_shown ? m_shown->count() : m_total;
}

qint64 FrameRows::frameAt(qint64 row) const
{
    if (row < 0 || row >= count())
        return -1;
    return m_shown ? m_shown->select(row) : row;
}

qint64 FrameRows::rowOf(qint64 frame) const
{
    if (frame < 0 || frame >= m_total)
        return -1;
    if (!m_shown)
        return frame;
    return m_shown->test(frame) ? m_shown->rank(frame) : -1;
}

qint64 FrameRows::nearestRow(qint64 frame) const
{
    if (count() == 0)
        return -1;
    frame = qBound<qint64>(0, frame, m_total - 1);
    if (!m_shown)
        return frame;
    // The rows on either side of the frame are the ones of the shown frames next to it.
    const qint64 after = m_shown->rank(frame);
    if (after == 0)
        return 0;
    if (after >= count())
        return count() - 1;
    const qint64 before = after - 1;
    if (m_shown->test(frame))
        return after;
    return frame - m_shown->select(before) <= m_shown->select(after) - frame ? before : after;
}

} // namespace Korvex
