// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/printrows.h"

#include <algorithm>
#include <limits>

namespace Korvex {

namespace {

// The first row that shows a frame numbered `frame` or higher; rows.count() when none does.
qint64 firstRowFrom(const FrameRows &rows, qint64 frame)
{
    qint64 low = 0;
    qint64 high = rows.count();
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (rows.frameAt(middle) < frame)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

PrintRows::PrintRows(QList<Run> runs)
    : m_runs(std::move(runs))
{
    m_starts.reserve(m_runs.size());
    for (const Run &run : std::as_const(m_runs)) {
        m_starts.append(m_count);
        m_count += run.end - run.first;
    }
}

PrintRows PrintRows::all(const FrameRows &rows)
{
    return runs(rows, {Run{0, rows.count()}});
}

PrintRows PrintRows::frames(const FrameRows &rows, qint64 from, qint64 to)
{
    if (from > to)
        std::swap(from, to);
    // Past the largest frame number the end would overflow; no row shows such a frame anyway.
    const qint64 end = to < std::numeric_limits<qint64>::max() ? firstRowFrom(rows, to + 1)
                                                                : rows.count();
    return runs(rows, {Run{firstRowFrom(rows, from), end}});
}

PrintRows PrintRows::runs(const FrameRows &rows, QList<Run> runs)
{
    QList<Run> kept;
    for (Run run : std::as_const(runs)) {
        run.first = qMax<qint64>(run.first, 0);
        run.end = qMin(run.end, rows.count());
        if (run.first < run.end)
            kept.append(run);
    }
    std::sort(kept.begin(), kept.end(), [](const Run &a, const Run &b) { return a.first < b.first; });
    QList<Run> merged;
    for (const Run &run : std::as_const(kept)) {
        if (!merged.isEmpty() && run.first <= merged.last().end)
            merged.last().end = qMax(merged.last().end, run.end);
        else
            merged.append(run);
    }
    return PrintRows(std::move(merged));
}

qint64 PrintRows::rowAt(qint64 position) const
{
    // The last run that starts at or before the position.
    const auto after = std::upper_bound(m_starts.cbegin(), m_starts.cend(), position);
    const qsizetype run = qMax<qsizetype>(0, (after - m_starts.cbegin()) - 1);
    return m_runs.at(run).first + (position - m_starts.at(run));
}

} // namespace Korvex
