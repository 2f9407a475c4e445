// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framesearch.h"

#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/filters/framerows.h"

#include <vector>

namespace Korvex {

namespace {

// The first stretch searched; each next one is twice as long, up to the largest.
constexpr qint64 FirstStretch = qint64(1) << 16;
constexpr qint64 LargestStretch = qint64(1) << 22;

/// Searches stretches of frames for the first or last one that matches and is shown.
class Searcher
{
public:
    Searcher(const Capture &capture, const FilterExpression &expression, const FrameRows &shown,
             const WorkProgress &progress)
        : m_filter(capture, expression)
        , m_shown(shown)
        , m_total(capture.frameCount())
        , m_progress(progress)
    {
    }

    /// The first match in frames from to end - 1, or -1; false when cancelled.
    bool forward(qint64 from, qint64 end, qint64 *found)
    {
        qint64 stretch = FirstStretch;
        for (qint64 start = from; start < end; stretch = qMin(stretch * 2, LargestStretch)) {
            const qint64 stop = qMin(end, start + stretch);
            if (!evaluate(start, stop))
                return false;
            for (std::size_t w = 0; w < m_words.size(); ++w) {
                if (m_words[w] != 0) {
                    *found = m_base + qint64(w) * 64 + qCountTrailingZeroBits(m_words[w]);
                    countMissing(start, *found);
                    return true;
                }
            }
            countMissing(start, stop);
            start = stop;
        }
        *found = -1;
        return true;
    }

    /// The last match in frames from to end - 1, or -1; false when cancelled.
    bool backward(qint64 from, qint64 end, qint64 *found)
    {
        qint64 stretch = FirstStretch;
        for (qint64 stop = end; stop > from; stretch = qMin(stretch * 2, LargestStretch)) {
            const qint64 start = qMax(from, stop - stretch);
            if (!evaluate(start, stop))
                return false;
            for (std::size_t w = m_words.size(); w-- > 0;) {
                if (m_words[w] != 0) {
                    *found = m_base + qint64(w) * 64 + 63 - qCountLeadingZeroBits(m_words[w]);
                    countMissing(*found + 1, stop);
                    return true;
                }
            }
            countMissing(start, stop);
            stop = start;
        }
        *found = -1;
        return true;
    }

    /// The shown frames searched so far that are no longer in the file.
    qint64 missing() const { return m_missing; }

private:
    // Leaves in m_words the matching shown frames of start to stop - 1, from frame m_base on.
    bool evaluate(qint64 start, qint64 stop)
    {
        m_base = start - start % 64;
        m_words.assign(std::size_t((stop - m_base + 63) / 64), 0);
        m_missingWords.assign(m_words.size(), 0);
        const WorkProgress progress = [this, start](qint64 done, qint64) {
            return !m_progress || m_progress(m_searched + done - (start - m_base), m_total);
        };
        if (!m_filter.evaluate(m_base, stop, m_words.data(), progress, nullptr,
                               m_missingWords.data()))
            return false;
        m_searched += stop - start;
        // Frames outside the stretch, and frames not shown, are not found, nor counted as
        // missing.
        keepShown(m_words, start, stop);
        keepShown(m_missingWords, start, stop);
        return true;
    }

    // Counts the shown frames from to end - 1 of the stretch that could not be searched.
    void countMissing(qint64 from, qint64 end)
    {
        for (qint64 n = from; n < end;) {
            const qint64 at = n - m_base;
            const int bits = int(qMin<qint64>(64 - at % 64, end - n));
            quint64 word = m_missingWords[std::size_t(at / 64)] >> (at % 64);
            if (bits < 64)
                word &= (quint64(1) << bits) - 1;
            m_missing += qPopulationCount(word);
            n += bits;
        }
    }

    void keepShown(std::vector<quint64> &words, qint64 start, qint64 stop) const
    {
        words.front() &= ~quint64(0) << (start - m_base);
        if ((stop - m_base) % 64 != 0)
            words.back() &= (quint64(1) << ((stop - m_base) % 64)) - 1;
        if (const FrameBitmap *bits = m_shown.bitmap()) {
            for (std::size_t w = 0; w < words.size(); ++w)
                words[w] &= bits->words()[m_base / 64 + qint64(w)];
        }
    }

    FrameFilter m_filter;
    const FrameRows &m_shown;
    qint64 m_total;
    const WorkProgress &m_progress;
    std::vector<quint64> m_words;
    // The frames of the stretch that are no longer in the file and could not be judged.
    std::vector<quint64> m_missingWords;
    qint64 m_base = 0;
    qint64 m_searched = 0;
    qint64 m_missing = 0;
};

} // namespace

FrameSearch::Result FrameSearch::find(const Capture &capture, const FilterExpression &expression,
                                      const FrameRows &shown, qint64 from, Direction direction,
                                      const WorkProgress &progress)
{
    Result result;
    const qint64 total = capture.frameCount();
    if (total == 0)
        return result;
    Searcher searcher(capture, expression, shown, progress);
    qint64 found = -1;
    bool done = false;
    if (direction == Direction::Forward) {
        const qint64 start = qBound<qint64>(0, from + 1, total);
        done = searcher.forward(start, total, &found);
        if (done && found < 0 && start > 0) {
            result.wrapped = true;
            done = searcher.forward(0, start, &found);
        }
    } else {
        const qint64 start = from < 0 ? total : qBound<qint64>(0, from, total);
        done = searcher.backward(0, start, &found);
        if (done && found < 0 && start < total) {
            result.wrapped = true;
            done = searcher.backward(start, total, &found);
        }
    }
    result.cancelled = !done;
    result.missing = searcher.missing();
    result.frame = done ? found : -1;
    if (result.frame < 0)
        result.wrapped = false;
    return result;
}

} // namespace Korvex
