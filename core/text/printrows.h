// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_PRINTROWS_H
#define CORE_TEXT_PRINTROWS_H

#include "core/filters/framerows.h"

#include <QList>
#include <QtGlobal>

namespace Korvex {

/// The rows of the frame table that a printout holds: ascending runs of shown rows, walked
/// in order. Position p of the printout is the p-th of these rows.
class PrintRows
{
public:
    /// Shown rows first to end - 1.
    struct Run
    {
        qint64 first = 0;
        qint64 end = 0;
    };

    PrintRows() = default;

    /// Every row shown.
    static PrintRows all(const FrameRows &rows);
    /// The rows that show frames from `from` to `to` (frame numbers, both included, in either
    /// order). The rows show frames in ascending order, so the ends are found by bisection.
    static PrintRows frames(const FrameRows &rows, qint64 from, qint64 to);
    /// Any runs of shown rows, in any order, overlapping or not: sorted and merged, and cut to
    /// the rows shown.
    static PrintRows runs(const FrameRows &rows, QList<Run> runs);

    qint64 count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    const QList<Run> &runList() const { return m_runs; }

    /// The shown row at a position of the printout (0 <= position < count()).
    qint64 rowAt(qint64 position) const;

private:
    explicit PrintRows(QList<Run> runs);

    QList<Run> m_runs;
    // Positions at which each run starts.
    QList<qint64> m_starts;
    qint64 m_count = 0;
};

} // namespace Korvex

#endif // CORE_TEXT_PRINTROWS_H
